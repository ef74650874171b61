// app_screen.cpp - the installer's per-frame screen.
#include "installer/app_screen.h"

#include "engine/stg.h"
#include "engine/streams.h"
#include "foundation/hl_types.h"
#include "graphics/builtin_images.h"
#include "ui/colr.h"
#include "ui/ogl_draw.h"
#include "ui/ogl_state.h"

namespace {

// A piece of the installer picture: screen rectangle and the texel corner of its normal look.
struct picture_piece {
    float x, y, w, h;
    float s, t;
};

constexpr picture_piece exit_piece{960, 78, 51, 22, 780, 166};
constexpr float picture_texels = 1024.0f; // the picture lies in a 1024 x 1024 texture

bool pointer_in(const picture_piece& p)
{
    return mnw.mouse_x >= p.x && mnw.mouse_x < p.x + p.w && mnw.mouse_y >= p.y && mnw.mouse_y < p.y + p.h;
}

} // namespace

int INS_exit_button()
{
    const picture_piece& p = exit_piece;
    const bool over = pointer_in(p);
    // Three looks stacked downwards, one texel row apart: normal, hover, pressed.
    const float look = over ? (mnw.mouse_held ? 2.0f : 1.0f) : 0.0f;
    const float t = p.t - look * (p.h + 1);
    colr.assign(col_picture_tint, 0.8f, 1.0f, 0.8f);
    OGL_2dquad_d(t_installer, col_picture_tint, 1.0f, p.x, p.y, p.s / picture_texels, t / picture_texels, p.w,
                 p.h, p.w / picture_texels, p.h / picture_texels, ogl_alpha_blend);
    return mnw.mouse_down && over ? 1 : 0;
}

void APP_update()
{
    OGL_plot_back_col();
    if (INS_exit_button()) {
        next.reset_all_streams();
        stg.run_phase = run_done;
        app_done = 1;
    }
}

void APP_handlemenu(int) {}
void function_key(int) {}
int INS_use_max_cpu() { return stg.use_max_cpu; }
