// colr.cpp - the colour table.
#include "ui/colr.h"

#include "foundation/hl_types.h"
#include "foundation/hooks.h"
#include "graphics/gl_calls.h"
#include "ui/ogl_state.h"
#include "ui/ogl_text.h"
#include "ui/text_layout.h"

#include <algorithm>
#include <cstring>

colr_class colr;

namespace {

struct initial_colour {
    int index;
    double r, g, b; // decimals as designed; stored in single precision
};

// Every index not listed starts black.
const initial_colour initial_colours[] = {
    {0, 1, 1, 1},
    {1, 1, 0.2, 0.2},
    {2, 1, 1, 0.2},
    {3, 0.7, 0.7, 0.7},
    {4, 0.7, 0, 0},
    {5, 1, 1, 0},
    {6, 0.3, 0.3, 0.3},
    {7, 0.2, 0, 0},
    {8, 1, 0.3, 0.2},
    {9, 0.1, 0.1, 0.1},
    {10, 0, 0.3, 0},
    {13, 0, 0.4, 0},
    {15, 0.4, 0.4, 1},
    {17, 0, 0, 0.6},
    {18, 0.6, 0.6, 0.6},
    {19, 0.8, 0.1, 0.1},
    {20, 0.9, 0.9, 1},
    {21, 0.3, 0.3, 0.3},
    {22, 0.1, 0.1, 0.1},
    {24, 1, 1, 0},
    {26, 1, 1, 1},
    {27, 1, 1, 1},
    {28, 1, 1, 1},
    {29, 1, 1, 0},
    {31, 1, 1, 1},
    {32, 1, 1, 1},
    {33, 1, 1, 1},
    {49, 1, 1, 1},
    {50, 0.6, 1, 0.6},
    {51, 1, 0.6, 0.6},
    {52, 1, 1, 0.6},
    {53, 0.6, 0.6, 1},
    {54, 1, 0.5, 0},
    {55, 0.6, 0.6, 0.6},
    {56, 0, 1, 0},
    {57, 1, 0.2, 0.2},
    {58, 1, 1, 0.2},
    {59, 0.6, 0.6, 1},
    {60, 0.5, 0.6, 0},
    {61, 0.5, 0.5, 0.5},
    {62, 0, 0.6, 0},
    {63, 0.6, 0.2, 0},
    {64, 1, 1, 0},
    {65, 0.2, 0.2, 0.6},
    {66, 1, 0.2, 1},
    {67, 0.2, 0.2, 0.2},
    {68, 0, 0.2, 0},
    {69, 1, 0, 0},
    {70, 0.6, 0.6, 0},
    {71, 0.15, 0.15, 0.6},
    {72, 0.49, 0.43, 0.24},
    {74, 0, 0.1, 0},
    {75, 1, 0, 1},
    {76, 0, 1, 1},
    {77, 0.44, 0.53, 0.54},
    {84, 1, 0, 1},
    {86, 1, 0, 1},
    {87, 1, 1, 1},
    {96, 0.5, 0.5, 0.6},
    {97, 1, 0.6, 0},
    {98, 0.5, 0.5, 0.4},
    {99, 0.3, 0.3, 0.9},
    {100, 0, 0.7, 0.2},
    {101, 1, 1, 0.8},
};

constexpr int last_lit_index = 45;

bool in_table(int index) { return index >= 0 && index < colr_count; }

void index_alert(const char* where)
{
    __MACIBM_alert(0, std::string("Colour index out of range in ") + where + "!", "", "", "", t_alert, __FILE__,
                   __LINE__);
}

// The clock's pulse: the blinking level and the profile colours follow it.
void take_pulse(float v)
{
    colr.pulse_level = v;
    for (int i = col_profile_0; i < col_profile_0 + 6; ++i) colr.assign(i, v, v, v);
}

const bool pulse_taken = (COLR_set_pulse_hook(take_pulse), true);

// The six control colours of the rainbow spectrum.
const float roygbv_rgb_loc[6][3] = {{1, 0, 0}, {1, 0.32f, 0.08f}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {0.8f, 0, 0.8f}};

} // namespace

colr_class::colr_class()
    : design_gamma(colr_gamma.design_gamma), display_gamma(colr_gamma.display_gamma),
      gamma_off(colr_gamma.gamma_off), gamma_table(colr_gamma.gamma_table)
{
    (void)pulse_taken;
    std::memset(rgb, 0, sizeof rgb);
    std::memset(spec_rgb, 0, sizeof spec_rgb);
    pulse_level = spec_min = spec_max = spec_span = 0;
    for (const initial_colour& c : initial_colours)
        assign(c.index, static_cast<float>(c.r), static_cast<float>(c.g), static_cast<float>(c.b));
    lite[0] = lite[1] = lite[2] = 1.0f;
}

void colr_class::assign(int index, float r, float g, float b)
{
    if (!in_table(index)) {
        index_alert("colr_class::assign");
        return;
    }
    rgb[index][0] = r;
    rgb[index][1] = g;
    rgb[index][2] = b;
}

void colr_class::lit_rgb(int index, float out[3]) const
{
    if (!in_table(index)) {
        index_alert("colr_class::lit_rgb");
        out[0] = out[1] = out[2] = 0;
        return;
    }
    for (int i = 0; i < 3; ++i) out[i] = index <= last_lit_index ? rgb[index][i] * lite[i] : rgb[index][i];
}

void colr_class::set_lit_col(int type)
{
    const float l1 = ren.lit_level_1, l2 = ren.lit_level_2;
    switch (type) {
    case 0: assign(col_lit, std::max(lite[0], l1), std::max(lite[1], l1), std::max(lite[2], l1)); break;
    case 1: assign(col_lit, l1, l1, l1); break;
    case 2: assign(col_lit, l2, l2, l2); break;
    default: __MACIBM_alert(0, "bad col_type!", "", "", "", t_exit, __FILE__, __LINE__);
    }
}

void colr_class::set_lites_for_interface()
{
    for (float& l : lite)
        if (l <= 0.75f) l = 0.75f;
}

void colr_class::spectrum_init(int mode)
{
    if (mode < 0 || mode > 3) return;
    for (int k = 0; k < 1000; ++k) {
        const float v = static_cast<float>(k) * 0.001f;
        float* out = spec_rgb[k];
        if (mode == 0) {
            const int band = v < 0.2f ? 0 : v < 0.4f ? 1 : v < 0.6f ? 2 : v < 0.8f ? 3 : 4;
            const float t = (v - 0.2f * static_cast<float>(band)) * 5.0f;
            for (int i = 0; i < 3; ++i) out[i] = roygbv_rgb_loc[band][i] * (1 - t) + roygbv_rgb_loc[band + 1][i] * t;
        } else {
            out[0] = out[1] = out[2] = 0;
            out[mode - 1] = v;
        }
    }
}

namespace {

// The spectrum entry of value v on a scale from lo to hi: its thousandth of
// the span, clamped; a span of 0 gives entry 0 (the division would give NaN).
int spectrum_entry(float v, float lo, float span)
{
    if (span == 0.0f) return 0;
    const float index = (v - lo) / span * 1000.0f;
    return index <= 0.0f ? 0 : index >= 999.0f ? 999 : static_cast<int>(index);
}

} // namespace

void colr_class::spectrum_plotscale(float x, float y, float lo, float hi, int decimals)
{
    constexpr float scale_height = 996.0f;
    spec_max = hi;
    OGL_number(col_spectrum_label, x + 4, y + scale_height, hi, 5, decimals, font_interface);
    spec_min = lo;
    OGL_number(col_spectrum_label, x + 4, y - 4, lo, 5, decimals, font_interface);
    spec_span = hi - lo;
    OGL_setstate(1, 0, 3, 5, 9, 11);
    gl.PointSize(4.0f);
    gl.Begin(GL_POINTS);
    const float low = std::min(lo, hi), high = std::max(lo, hi);
    for (int k = 0; k <= 996; k += 4) {
        const float v = std::clamp(lo + (hi - lo) * 0.001001001f * static_cast<float>(k), low, high);
        const float* rgb = spec_rgb[spectrum_entry(v, spec_min, spec_span)];
        gl.Color3f(rgb[0], rgb[1], rgb[2]);
        gl.Vertex2f(x, y + static_cast<float>(k)); // no sub-window offset: the scale is placed as given
    }
    gl.End();
    gl.PointSize(1.0f);
}
