// btn_frames.cpp - frames, labels, panels and close boxes.
//
//   shared helpers     atlas quads, ids, mouse tests
//   frames             the three stretch shapes
//   labels             splitting and drawing widget texts
//   windows            panels over the sub-window, close boxes
#include "ui/btn_frames.h"

#include "foundation/hl_types.h"
#include "foundation/hooks.h"
#include "ui/btn_draw.h"
#include "ui/ogl_state.h"

#include <cmath>
#include <cstdlib>

// ---- shared helpers -------------------------------------------------------------

void BTN_util_atlas_quad(int ref, int colour, float x0, float y0, float x1, float y1, float s0, float t0,
                         float s1, float t1, float tex_size)
{
    const float a0 = s0 / tex_size, b0 = t0 / tex_size, a1 = s1 / tex_size, b1 = t1 / tex_size;
    btn_draw.quad(ref, colour, 1.0f, x0, y0, a0, b0, x0, y1, a0, b1, x1, y1, a1, b1, x1, y0, a1, b0, 1,
                  ogl_alpha_blend);
}

int BTN_focus_id_of(float x, float y)
{
    return static_cast<int>(y) + static_cast<int>(x) * 8192;
}

bool BTN_mouse_in(float x0, float y0, float x1, float y1)
{
    return mnw.mouse_x >= x0 && mnw.mouse_x <= x1 && mnw.mouse_y >= y0 && mnw.mouse_y <= y1;
}

// ---- frames ----------------------------------------------------------------------
namespace {

// One axis of a stretched frame: start cap, middle pieces, end cap.
struct stretch_axis {
    float cap0, cap1;  // screen length of the start and end caps
    float step;        // screen length of one middle piece
    float tex_cap0[2]; // texture range of the start cap
    float tex_mid[2];  // of a middle piece
    float tex_cap1[2]; // of the end cap
};

struct piece {
    float lo, hi;   // screen, from the frame's start
    float tlo, thi; // texture
};

// Pieces along a frame of length len. cut(d) is the texture end of a middle
// piece cut to the screen length d.
template <typename Cut>
int stretch(const stretch_axis& a, float len, int middles, Cut cut, piece* out)
{
    int k = 0;
    out[k++] = {0.0f, a.cap0, a.tex_cap0[0], a.tex_cap0[1]};
    const float stop = len - a.cap1;
    for (int i = 0; i < middles; ++i) {
        const float lo = a.cap0 + i * a.step;
        float hi = lo + a.step, thi = a.tex_mid[1];
        if (hi > stop) {
            hi = stop;
            thi = cut(stop - lo);
        }
        out[k++] = {lo, hi, a.tex_mid[0], thi};
    }
    out[k++] = {stop, len, a.tex_cap1[0], a.tex_cap1[1]};
    return k;
}

// Middle pieces beyond this many are off any screen; the bound keeps a huge
// size argument from drawing for ever.
constexpr int max_middles = 4096;

// n + 1 pieces for n whole steps; none when n is below 0 (a frame shorter than its caps).
int middle_count(float n)
{
    if (!(n < max_middles)) return max_middles; // NaN included
    if (n < -1.0f) return 0;
    return static_cast<int>(n) + 1;
}

struct frame1_style {
    int style;
    float s0, t0, h, c, e, m, r, pad;
};
constexpr frame1_style frame1_styles[] = {
    {0, 1, 487, 26, 10, 90, 80, 100, 0},    {1, 102, 487, 26, 20, 80, 60, 100, 0},
    {2, 304, 486, 26, 10, 42, 32, 52, 0},   {3, 304, 459, 26, 10, 42, 32, 52, 0},
    {4, 112, 161, 16, 10, 18, 8, 28, 0},    {5, 83, 161, 16, 10, 18, 8, 28, 0},
    {7, 240, 242, 24, 10, 55, 45, 65, 0},   {8, 289, 219, 16, 7, 9, 2, 16, 0},
    {9, 262, 133, 26, 10, 41, 31, 51, 4},   {10, 357, 488, 24, 26, 42, 16, 68, 4},
};

struct frame2_style {
    int style, ref;
    float s0, t0, k, cx, cb, ct, ox, ob, ot;
};
constexpr frame2_style frame2_styles[] = {
    {11, t_interface, 1, 358, 100, 35, 30, 30, 9, 14, 4},
    {12, t_interface, 102, 358, 100, 35, 30, 30, 9, 14, 4},
    {13, t_interface, 203, 358, 100, 35, 30, 30, 9, 14, 4},
    {14, t_interface, 304, 358, 100, 35, 30, 30, 9, 14, 4},
    {15, t_interface, 405, 358, 100, 35, 30, 30, 9, 14, 4},
    {16, t_interface, 1, 289, 68, 23.8f, 20.4f, 20.4f, 2, 2, 2},
    {17, t_interface, 70, 315, 42, 20, 26, 14, 8, 13, 2},
    {18, t_interface, 113, 315, 42, 14.7f, 12.6f, 12.6f, 8, 13, 2},
    {19, t_interface, 440, 12, 44, 15.4f, 13.2f, 13.2f, 6, 9, 4},
    {20, t_installer, 774, 78, 41, 14.35f, 12.3f, 12.3f, 1, 1, 1},
};

bool whole(float v) { return v == std::round(v); }

} // namespace

void BTN_frame0(int style, float x, float y, float height)
{
    if (style != 6) BTN_fatal("Bad BTN_frame0 call!");
    if (!whole(x)) BTN_fatal("BTN_frame0 non-int x_center!");
    if (!whole(y)) BTN_fatal("BTN_frame0 non-int y_center!");
    const float len = 2.0f * std::round(height / 2.0f) + 8.0f;
    const stretch_axis axis{10, 10, 20, {248, 258}, {258, 278}, {278, 288}};
    const int middles = middle_count(std::trunc((len - 20.0f) * 0.05f));
    auto cut = [](float d) { return std::fmin(std::fmax(258.0f + d * 20.0f / 30.0f, 258.0f), 278.0f); };
    static piece pieces[max_middles + 2];
    const int n = stretch(axis, len, middles, cut, pieces);
    const float bottom = y - len / 2.0f;
    for (int i = 0; i < n; ++i)
        BTN_util_atlas_quad(t_interface, 0, x - 10, bottom + pieces[i].lo, x + 10, bottom + pieces[i].hi, 102,
                            pieces[i].tlo, 122, pieces[i].thi);
}

void BTN_frame1(int style, float x, float y, float width, int colour)
{
    const frame1_style* st = nullptr;
    for (const frame1_style& s : frame1_styles)
        if (s.style == style) st = &s;
    if (!st) {
        BTN_fatal("Bad BTN_frame1 call!");
        return;
    }
    const float len = 2.0f * std::round(width / 2.0f) + st->pad;
    const float left = std::round(x) - len / 2.0f;
    if (style <= 1) y -= 3.0f;
    const float y0 = y - st->h / 2.0f, y1 = y + st->h / 2.0f;
    const stretch_axis axis{st->c, st->c, st->m, {st->s0, st->s0 + st->c}, {st->s0 + st->c, st->s0 + st->e},
                            {st->s0 + st->e, st->s0 + st->r}};
    const int middles = middle_count(std::trunc((len - 2.0f * st->c) / st->m));
    auto cut = [st](float d) { return st->s0 + st->c + (st->e - st->c) * d / st->e; };
    static piece pieces[max_middles + 2];
    const int n = stretch(axis, len, middles, cut, pieces);
    for (int i = 0; i < n; ++i)
        BTN_util_atlas_quad(t_interface, colour, left + pieces[i].lo, y0, left + pieces[i].hi, y1, pieces[i].tlo,
                            st->t0, pieces[i].thi, st->t0 + st->h);
}

void BTN_frame2(int style, float x, float y, float w, float h, std::string title)
{
    if (style < 11 || style > 20) {
        BTN_fatal("Bad BTN_frame2 call!");
        return;
    }
    const frame2_style& st = frame2_styles[style - 11];
    const float left = x - st.ox, bottom = y - st.ob;
    const float width = w + 2.0f * st.ox, height = h + st.ob + st.ot;
    const stretch_axis across{st.cx, st.cx, st.k - 2.0f * st.cx, {st.s0, st.s0 + st.cx},
                              {st.s0 + st.cx, st.s0 + st.k - st.cx}, {st.s0 + st.k - st.cx, st.s0 + st.k}};
    const stretch_axis up{st.cb, st.ct, st.k - st.cb - st.ct, {st.t0, st.t0 + st.cb},
                          {st.t0 + st.cb, st.t0 + st.k - st.ct}, {st.t0 + st.k - st.ct, st.t0 + st.k}};
    // Cut pieces show the atlas one to one.
    auto cut_s = [&st](float d) { return st.s0 + st.cx + d; };
    auto cut_t = [&st](float d) { return st.t0 + st.cb + d; };
    const float cols_n = std::trunc((width - 2.0f * st.cx) / across.step);
    const float rows_n = std::fmax(std::trunc((height - st.cb - st.ct) / up.step), 0.0f);
    static piece cols[max_middles + 2], rows[max_middles + 2];
    const int nc = stretch(across, width, middle_count(cols_n), cut_s, cols);
    const int nr = stretch(up, height, middle_count(rows_n), cut_t, rows);
    const float tex_size = st.ref == t_installer ? 1024.0f : 512.0f;
    for (int r = 0; r < nr; ++r)
        for (int c = 0; c < nc; ++c)
            BTN_util_atlas_quad(st.ref, 0, left + cols[c].lo, bottom + rows[r].lo, left + cols[c].hi,
                                bottom + rows[r].hi, cols[c].tlo, rows[r].tlo, cols[c].thi, rows[r].thi, tex_size);

    const int colour = style == 11 ? 40 : style == 15 ? 47 : 43;
    if (style == 20) {
        btn_draw.string(colour, x + 10, y + h - 16, title, 9999, font_interface, 0);
    } else {
        const float tx = x + w / 2.0f - btn_draw.text_width(title, font_interface) / 2.0f;
        btn_draw.string(colour, tx, y + h - (style == 11 ? 13.0f : 16.0f), title, 9999, font_interface, 0);
    }
    if (style == 11 && mnw.cur_wind != 0 && (mnw.cur_wind < 995 || mnw.cur_wind > 999)) BTN_zap_boxes(0);
}

void BTN_util_element(float x, float y, float s, float t, float half_w, float half_h, int colour)
{
    BTN_util_atlas_quad(t_interface, colour, x - half_w, y - half_h, x + half_w, y + half_h, s - half_w, t - half_h,
                        s + half_w, t + half_h);
}

// ---- labels ---------------------------------------------------------------------

void BTN_expand_label(const std::string& label, std::string* left, std::string* right, std::string* help)
{
    const size_t len = label.size();
    size_t brace = label.rfind('{');
    if (brace == std::string::npos) brace = len;
    // Only a bar before the brace ends the left text; a bar after it is help text.
    size_t bar = brace == 0 ? std::string::npos : label.rfind('|', brace - 1);
    if (bar == std::string::npos) bar = brace;
    if (left) *left = label.substr(0, bar);
    if (right) *right = bar < brace ? label.substr(bar + 1, brace - bar - 1) : std::string();
    // A label ending in '{' (or one character after it) has no help text.
    if (help) *help = brace + 2 <= len ? label.substr(brace + 2) : std::string();
}

namespace {

// The break nearest the middle, strictly inside the text; npos when none.
size_t label_break(const std::string& text)
{
    const long half = static_cast<long>(text.size() / 2);
    size_t best = std::string::npos;
    long best_dist = 0;
    for (size_t i = 1; i + 1 < text.size(); ++i) {
        if (text[i] != ' ' && text[i] != '-' && text[i] != '/') continue;
        const long dist = std::labs(static_cast<long>(i) - half);
        if (best == std::string::npos || dist < best_dist) {
            best = i;
            best_dist = dist;
        }
    }
    return best;
}

} // namespace

void BTN_util_draw_label(float x, float y, int mode, const std::string& label, int highlight)
{
    if (label.empty() || mode < 0 || mode > 2) return;
    const bool unlimited = label[0] == '-';
    const std::string text = unlimited ? label.substr(1) : label;
    const size_t limit = unlimited ? 9999 : 12;
    const int align = mode == 0 ? 2 : mode == 1 ? 1 : 0;
    const int colour = highlight ? 80 : 43;
    if (mode != 1 && text.size() > limit) {
        const size_t cut = label_break(text);
        if (cut != std::string::npos) {
            btn_draw.string(colour, x, y + 5, text.substr(0, cut), 9999, font_interface, align);
            btn_draw.string(colour, x, y - 5, text.substr(cut + 1), 9999, font_interface, align);
            return;
        }
    }
    btn_draw.string(colour, x, y, text, 9999, font_interface, align);
}

// ---- windows --------------------------------------------------------------------

void BTN_subwin(float top_reserve, int style, float x, float y, float w, float h, std::string title,
                float* next_x, float* next_y)
{
    if (x < 0) x = 10;
    if (y < 0) y = 10;
    if (w < 0) w = mnw.wind_dx - x - 10;
    if (h < 0) h = mnw.wind_dy - y - top_reserve - 28;
    BTN_frame2(style, x, y, w, h, title);
    if (next_x) *next_x = x + w + 10;
    if (next_y) *next_y = y + h + 10;
}

void BTN_fillwin(int titled, int style)
{
    BTN_frame2(titled ? 11 : 12, 0, 0, mnw.wind_dx, mnw.wind_dy, stls.title);
    if (style == 21) return;
    if (style == 1)
        BTN_frame1(1, mnw.wind_dx / 2, mnw.wind_dy - 50, mnw.wind_dx, 0);
    else
        BTN_frame2(style, 10, 10, mnw.wind_dx - 20, mnw.wind_dy - 40, "");
}

int BTN_zap_boxes(int alternate)
{
    const float t0 = alternate ? 197.0f : 178.0f;
    const float y0 = mnw.wind_dy - 19, y1 = mnw.wind_dy - 1;
    BTN_util_atlas_quad(t_interface, 0, 7, y0, 25, y1, 120, t0, 138, t0 + 18);
    if (mnw.mouse_down && BTN_mouse_in(7, y0, 25, y1)) return 1;
    const float x0 = mnw.wind_dx - 25, x1 = mnw.wind_dx - 7;
    BTN_util_atlas_quad(t_interface, 0, x0, y0, x1, y1, 120, t0, 138, t0 + 18);
    return mnw.mouse_down && BTN_mouse_in(x0, y0, x1, y1) ? 1 : 0;
}
