// show_init.cpp - the start-up status screen.
#include "shell/show_init.h"

#include "foundation/hl_types.h"
#include "ui/btn_frames.h"
#include "ui/colr.h"
#include "ui/ogl_draw.h"
#include "ui/ogl_sbuff.h"
#include "ui/ogl_text.h"

namespace {

constexpr float min_fill = 0.02f;
int counter_now; // calls made without a progress value

} // namespace

const char* const init_screen_address = maker_web_address;

init_screen_layout MACIBM_init_screen_layout(float fraction)
{
    if (!(fraction >= min_fill)) fraction = min_fill; // NaN too
    if (fraction > 1.0f) fraction = 1.0f;
    const float px = mnw.pix_x_off, dx = -mnw.wind_x, dy = -mnw.wind_y;
    init_screen_layout l{};
    l.panel_x = px + 10 + dx;
    l.panel_y = 31 + dy;
    l.panel_w = 320;
    l.panel_h = 200;
    l.address_x = px + 22 + dx;
    l.address_y = 210 + dy;
    l.message_x = px + 22 + dx;
    l.message_y = 60 + dy;
    l.wrap = 300;
    l.bar_y = 15 + dy;
    const float left = px + 8 + dx, right = px + 1016 + dx;
    const float mid = left + fraction * (right - left);
    l.track_cx = (left + right) / 2;
    l.track_w = right - left;
    l.fill_cx = (left + mid) / 2;
    l.fill_w = mid - left;
    return l;
}

void MACIBM_show_init(const std::string& message, float* progress)
{
    if (!plot_init_lights) return;
    float fraction;
    if (progress) {
        fraction = *progress;
    } else {
        fraction = static_cast<float>(counter_now * 0.01);
        ++counter_now;
    }
    const init_screen_layout l = MACIBM_init_screen_layout(fraction);
    OGL_plot_back_col();
    BTN_frame2(15, l.panel_x, l.panel_y, l.panel_w, l.panel_h, "");
    OGL_string(col_white, l.address_x, l.address_y, init_screen_address, l.wrap, font_interface, 0);
    BTN_frame1(4, l.track_cx, l.bar_y, l.track_w, 0);
    BTN_frame1(5, l.fill_cx, l.bar_y, l.fill_w, 0);
    OGL_string(col_progress_text, l.message_x, l.message_y, message, l.wrap, font_interface, 0);
    OGL_sbuff();
}
