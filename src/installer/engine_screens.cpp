// engine_screens.cpp - the engine's progress picture and modified-file question.
#include "installer/engine_screens.h"

#include "foundation/frame_pace.h"
#include "foundation/hl_types.h"
#include "installer/screen_draw.h"
#include "installer/screen_phases.h"
#include "shell/frame.h"
#include "shell/subwin.h"
#include "ui/btn_draw.h"
#include "ui/colr.h"
#include "ui/text_layout.h"
#include "ui/ogl_state.h"

#include <algorithm>

namespace {

constexpr int t_ins_back = 390;

struct question_button {
    float x, y, width;
    int answer;
};
// Drawn and tested in this order; the first press answers.
constexpr question_button question_buttons[] = {
    {96, 53, 160, sel_replace}, {96, 28, 160, sel_keep},         {308, 53, 260, sel_replace_all},
    {308, 28, 260, sel_keep_all}, {584, 28, 200, sel_cancel},
};

const char* button_label(int answer, int gone)
{
    switch (answer) {
    case sel_replace: return gone ? "DELETE THE OLD FILE" : "OVERWRITE THE OLD FILE";
    case sel_replace_all: return gone ? "DELETE EVERY OLD FILE IN THIS DIRECTORY" : "OVERWRITE EVERY OLD FILE IN THIS DIRECTORY";
    case sel_keep: return "KEEP THE OLD FILE";
    case sel_keep_all: return "KEEP EVERY OLD FILE IN THIS DIRECTORY";
    default: return "CANCEL THE WHOLE INSTALLATION!";
    }
}

} // namespace

void INS_draw_dir_progress(const progress_frame& f)
{
    // Progress comes by time, not by count: a reading that outruns the
    // screen is not held up by pictures nobody could see.
    if (fpace.now() < std::max(fpace.next_swap_at(), fpace.last_swap + progress_frame_seconds)) return;
    scr_draw.quad(t_ins_back, col_white, 1.0f, 0, 0, 0, 0, 0, 768, 0, 0.75f, 1024, 768, 1, 0.75f, 1024, 0, 1, 0, 1,
                  ogl_alpha_blend);
    scr_draw.frame2(15, f.panel_x, f.panel_y, 472, 98, "");
    scr_draw.frame1(4, (f.bar_left + f.bar_right) * 0.5f, f.bar_y, f.bar_right - f.bar_left, 0);
    scr_draw.frame1(5, (f.bar_left + f.fill_end) * 0.5f, f.bar_y, f.fill_end - f.bar_left, 0);
    const float wrap = f.bar_right - f.bar_left;
    scr_draw.string(col_white, f.text_x, f.line1_y, f.line1, wrap, font_interface, 0);
    scr_draw.string(col_white, f.text_x, f.line2_y, f.line2, wrap, font_interface, 0);
    scr_draw.string(col_white, f.text_x, f.line3_y, f.line3, wrap, font_interface, 0);
    scr_draw.sbuff();
}

int INS_select_frame(const std::string& path, int gone)
{
    scr_draw.plot_back_col();
    scr_draw.fillwin(1, 21);
    const float wrap = 660;
    scr_draw.string(col_alert_text, 20, 100, gone ? "I am about to DELETE:" : "I am about to install:", wrap,
                    font_interface, 0);
    scr_draw.string(col_alert_text, 20, 90, path, wrap, font_interface, 0);
    scr_draw.string(col_alert_text, 20, 80,
                    gone ? "because we no longer use this file, but it appears you have modified it. What to do?"
                         : "but it appears you have modified this file. What to do?",
                    wrap, font_interface, 0);
    for (const question_button& b : question_buttons) {
        if (!scr_draw.action(b.x, b.y, b.width, 0, 0, button_label(b.answer, gone), "-")) continue;
        MACIBM_startwind(win_main, 0);
        return b.answer;
    }
    return 0;
}

int INS_select_alert(const std::string& path, int gone)
{
    MACIBM_startwind(win_select_alert, 0);
    while (mnw.cur_wind == win_select_alert) {
        const int answer = INS_select_frame(path, gone);
        if (answer) return answer;
        MACIBM_event_proc();
    }
    return sel_cancel;
}

void INS_install_engine_hooks()
{
    ENG_set_progress_hook(INS_draw_dir_progress);
    ENG_set_select_hook(INS_select_alert);
}
