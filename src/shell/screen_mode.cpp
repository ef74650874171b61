// screen_mode.cpp - the screen-mode and full-screen decisions.
#include "foundation/hl_types.h"
#include "shell/window.h"

namespace {

constexpr int least_width = 1024, least_height = 768;

// The change flag of the first MACIBM_setres call of the process; -1 before it.
int sres_orig = -1;

} // namespace

bool LIN_fullscreen_at_creation(const LIN_screen& screen, int width, int height)
{
    return screen.width == width || screen.height == height;
}

bool LIN_fullscreen_at_setres(const LIN_screen& screen, int width, int height)
{
    return screen.width == width && screen.height == height;
}

bool MACIBM_setres_decide(int set, const LIN_screen& screen)
{
    mnw.x_res_now = mnw.x_res_req;
    mnw.y_res_now = mnw.y_res_req;
    mnw.col_res_now = mnw.col_res_req;
    int change = mnw.set_res;
    if (mnw.fit_to_screen) {
        mnw.x_res_req = mnw.x_res_now = screen.width - 40;
        mnw.y_res_req = mnw.y_res_now = screen.height - 60;
    }
    if (screen.width < least_width || screen.height < least_height) change = 1;
    if (sres_orig < 0) sres_orig = change;
    if (!set) return sres_orig != 0;
    if (!change) return false;
    return !(screen.width == mnw.x_res_req && screen.height == mnw.y_res_req && screen.depth == mnw.col_res_req);
}

void MACIBM_setres_forget() { sres_orig = -1; }
