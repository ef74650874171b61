// message_box.cpp - the message box 996.
#include "shell/message_box.h"

#include "foundation/hl_types.h"
#include "shell/frame.h"
#include "shell/subwin.h"
#include "ui/btn_buttons.h"
#include "ui/btn_draw.h"
#include "ui/btn_frames.h"
#include "ui/colr.h"
#include "ui/ogl_draw.h"
#include "ui/ogl_text.h"

namespace {

enum { text_label_1 = 608, text_label_2 = 609, text_label_3 = 610, text_before = 611, text_after = 612 };
constexpr float margin = 20;

float label_width(const std::string& label) { return btn_draw.text_width(label, font_interface); }

// A button whose label starts at the left margin (or, right_aligned, ends at the right one).
bool button(const std::string& label, float y, bool right_aligned)
{
    const float half = label_width(label) / 2;
    const float x = right_aligned ? mnw.wind_dx - margin - half : margin + half;
    return BTN_action(x, y, 0.0f, 0, 1, label, "-") != 0;
}

// One pass; the answer of a pressed button, else 0. Buttons after a pressed one are not drawn.
int draw_box(const std::string& message, int third_button)
{
    const std::string paragraph = stls.text[text_before] + message + " " + stls.text[text_after];
    OGL_plot_back_col();
    BTN_fillwin(1, 21);
    OGL_string(col_alert_text, margin, mnw.wind_dy - 40, paragraph, mnw.wind_dx - 2 * margin, font_interface, 0);
    if (button(stls.text[text_label_1], 60, false)) return 1;
    if (button(stls.text[text_label_2], 25, false)) return 2;
    if (third_button && button(stls.text[text_label_3], 25, true)) return 3;
    return 0;
}

} // namespace

int MACIBM_nuke_alert(std::string message, int third_button)
{
    MACIBM_startwind(win_nuke_alert, 0);
    while (mnw.cur_wind == win_nuke_alert) {
        if (const int answer = draw_box(message, third_button)) {
            MACIBM_startwind(win_main, 0);
            return answer;
        }
        MACIBM_event_proc();
    }
    return 3;
}
