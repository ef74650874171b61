// stand_ins.cpp - the parts of the stand-ins that need no X.
#include "shell/stand_ins.h"

#include "foundation/hl_types.h"
#include "foundation/hooks.h"
#include "ui/colr.h"
#include "ui/ogl_draw.h"
#include "ui/ogl_view.h"

namespace {

void no_app_update() {}

} // namespace

app_update_fn stand_in_app_update = no_app_update;

void SHL_stand_in_startwind(int id, int)
{
    plot_init_lights = 1;
    mnw.cur_wind = id;
    mnw.open_wind = id;
    mnw.modal = 0;
    mnw.wind_x = mnw.wind_y = 0;
    mnw.wind_dx = static_cast<float>(mnw.x_res_now);
    mnw.wind_dy = static_cast<float>(mnw.y_res_now);
    mnw.menu_open = -1;
    mnw.mouse_down = mnw.mouse_held = mnw.wheel = 0;
    BTN_unfocus_any();
    OGL_viewport(2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1.0f, 0);
}

void SHL_stand_in_clear_menus(int) {}
void SHL_stand_in_setupforlang() {}

void SHL_stand_in_frame1(int style, float x, float y, float width, int)
{
    const int fill = style == 5 ? col_window_text : col_menu_fill;
    OGL_fillrect(fill, 1.0f, x - width / 2, y - 8, width, 16);
    if (style == 4) OGL_framerect(col_menu_line_2, 1.0f, x - width / 2, y - 8, width, 16);
}

void SHL_stand_in_frame2(int, float x, float y, float width, float height, const std::string&)
{
    OGL_fillrect(col_menu_fill, 1.0f, x, y, width, height);
    OGL_framerect(col_menu_line_2, 1.0f, x, y, width, height);
}

app_update_fn SHL_stand_in_set_app_update(app_update_fn fn)
{
    const app_update_fn old = stand_in_app_update;
    stand_in_app_update = fn ? fn : no_app_update;
    return old;
}

void SHL_stand_in_mouse_at(int px, int py)
{
    const float scale = mnw.ui_scale > 0 ? mnw.ui_scale : 1.0f;
    mnw.mouse_x = static_cast<float>(px) / scale - mnw.wind_x;
    mnw.mouse_y = static_cast<float>(mnw.y_res_now - py) / scale - mnw.wind_y;
}
