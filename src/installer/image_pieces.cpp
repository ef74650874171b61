// image_pieces.cpp - picture pieces and image buttons.
#include "installer/image_pieces.h"

#include "foundation/hl_types.h"
#include "installer/screen_draw.h"
#include "ui/btn_draw.h"
#include "ui/colr.h"
#include "ui/ogl_state.h"

namespace {

constexpr float texels = 1024.0f; // the picture lies unscaled in a 1024 x 1024 texture

bool mouse_inside(float x, float y, float right, float top)
{
    return x <= mnw.mouse_x && mnw.mouse_x <= right && y <= mnw.mouse_y && mnw.mouse_y <= top;
}

void set_tint(int tint)
{
    if (tint == tint_green) colr.assign(col_picture_tint, 0.8f, 1.0f, 0.8f);
    else if (tint == tint_red) colr.assign(col_picture_tint, 1.0f, 0.8f, 0.8f);
    else colr.assign(col_picture_tint, 1.0f, 1.0f, 1.0f);
}

} // namespace

int interface_rect(float x, float y, float s, float t, float width, float height, int highlight, int tint)
{
    const float right = x + width;
    const float top = y + height;
    set_tint(tint);
    const bool inside = mouse_inside(x, y, right, top);
    if (highlight && inside) t -= (mnw.mouse_held ? 2.0f : 1.0f) * (height + 1.0f);
    const float t_top = t + height;
    scr_draw.quad(t_installer, col_picture_tint, 1.0f, x, y, s / texels, t / texels, x, top, s / texels,
                  t_top / texels, right, top, (s + width) / texels, t_top / texels, right, y, (s + width) / texels,
                  t / texels, 1, ogl_alpha_blend);
    return mnw.mouse_down && inside ? 1 : 0;
}

int interface_piece(float x, float y, const picture_piece& p, int highlight, int tint)
{
    return interface_rect(x, y, p.s, p.t, p.w, p.h, highlight, tint);
}

int interface_icon(float x, float y, int icon)
{
    const int column = icon % 8, row = icon / 8;
    return interface_rect(x, y, 64.0f * static_cast<float>(column), 66.0f + 64.0f * static_cast<float>(row), 64, 64,
                          0, 0);
}
