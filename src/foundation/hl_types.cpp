// hl_types.cpp - definitions of the global objects, in their build order.
#include "foundation/hl_types.h"

#include "foundation/frame_pace.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>

std::string stl_global;
std::string app_path;
std::string dvd_path;
std::ofstream ouf;
std::ofstream xer;
stls_class stls;
mnw_class mnw;     // zero-initialised storage
// Constant-initialised, so draw_alpha is 1.0 before any start-up code runs.
ren_class ren = {0.0f, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, 0, 1.0f, 0.0f, 0.0f};

std::string maker_web_link(const char* path) { return std::string("http://") + maker_web_address + path; }

int app_done;
int ogl_inited;
int ot_inited;
int return_hit, escape_hit, delete_hit;
int plot_init_lights;
int active_popup_code;
int select_popup_code;
int popup_menu_select;

float lookup_sin[361];
float lookup_cos[361];
float randrat[10000];
unsigned char* scratch_array;
int scratch_dx, scratch_dy;
float wx, wy;
float wx1, wy1, wx2, wy2, wx3, wy3, wx4, wy4, wx5, wy5;

namespace {
alignas(16) unsigned char scratch_array_storage[scratch_dim * scratch_dim * 4 + 15];
}

void HL_fill_tables()
{
    scratch_array = scratch_array_storage;
    std::srand(1);
    for (float& r : randrat) r = static_cast<float>(std::rand()) * 4.6561471e-10f;
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    for (int i = 0; i <= 360; ++i) {
        const float rad = static_cast<float>(i) * 0.017453294f;
        // In extended precision, so that each entry is the float nearest the true value.
        lookup_sin[i] = static_cast<float>(std::sin(static_cast<long double>(rad)));
        lookup_cos[i] = static_cast<float>(std::cos(static_cast<long double>(rad)));
    }
}

void HL_reset_globals()
{
    std::memset(&mnw, 0, sizeof mnw);
    std::memset(&ren, 0, sizeof ren);
    ren.draw_alpha = 1.0f;
    stls = stls_class{};
    app_done = ogl_inited = ot_inited = 0;
    return_hit = escape_hit = delete_hit = 0;
    plot_init_lights = active_popup_code = select_popup_code = popup_menu_select = 0;
    app_path.clear();
    dvd_path.clear();
    stl_global.clear();
    fpace.reset();
}
