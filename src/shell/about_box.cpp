// about_box.cpp - the About window: its texts, its buttons and its loop.
#include "shell/about_box.h"

#include "foundation/hl_types.h"
#include "foundation/xtim.h"
#include "shell/about_check.h"
#include "shell/frame.h"
#include "shell/language.h"
#include "shell/subwin.h"
#include "ui/btn_buttons.h"
#include "ui/btn_draw.h"
#include "ui/btn_frames.h"
#include "ui/colr.h"
#include "ui/ogl_draw.h"
#include "ui/text_layout.h"

namespace {

constexpr float text_x = 20.0f;
constexpr float button_y = 17.0f;
constexpr float link_x = 191.0f;
constexpr float update_x = 492.0f;

// Through the widget set's drawing table (OGL_string in the program), like
// the buttons' labels beside them.
void draw_lines(const std::string& status)
{
    for (const about_line& line : ABOUT_lines(mnw.wind_dy, status))
        btn_draw.string(line.colour, text_x, line.y, line.text, mnw.wind_dx - 40.0f, font_interface, 0);
}

} // namespace

std::vector<about_line> ABOUT_lines(float wind_dy, const std::string& status)
{
    const float d = wind_dy;
    std::vector<about_line> lines = {
        {d - 45.0f, col_white, about_version_text},
        {d - 55.0f, col_white, about_credits[0]},
        {d - 65.0f, col_white, about_site_name},
        {d - 85.0f, col_window_text, ABOUT_net_line()},
        {d - 95.0f, col_window_text, ABOUT_grab_line()},
    };
    for (int i = 1; i < about_credit_count; ++i)
        lines.push_back({d - 115.0f - 10.0f * static_cast<float>(i), col_window_text, about_credits[i]});
    if (!status.empty()) lines.push_back({d - 235.0f, col_about_58, status});
    return lines;
}

void ABOUT_draw(const about_ops& ops)
{
    ABOUT_poll_list(xtim.elapsed_time, ops);
    OGL_plot_back_col();
    BTN_fillwin(1, 21);
    BTN_subwin(0.0f, 15, -1.0f, 35.0f, -1.0f, -1.0f, "", &wx, &wy);
    // The check's work runs before the texts so that the status line shows
    // this pass's progress; the update button is the work of its own state.
    std::string status;
    if (about_check.ins_state != ins_awaiting_click) status = ABOUT_state_work(ops);
    draw_lines(status);
    if (BTN_action(link_x, button_y, 0.0f, 0, 1, ABOUT_link_label(), "-")) go_to_URL(maker_web_link("/"));
    if (about_check.ins_state == ins_awaiting_click &&
        BTN_action(update_x, button_y, 0.0f, 0, 1, ABOUT_update_label(), "-"))
        ABOUT_update_clicked();
}

void ABOUT_run(const about_ops& ops)
{
    MACIBM_startwind(win_about, 0);
    while (mnw.cur_wind == win_about) {
        ABOUT_draw(ops);
        MACIBM_event_proc();
    }
}

void MACIBM_about() { ABOUT_run(about_real_ops); }
