// window_kit.cpp - the window tests' GL state, interface art, read-back and units.
//   state as start-up leaves it - art - focus hooks - colour keeper - read-back - units
#include "support/window_kit.h"

#include "foundation/hl_types.h"
#include "foundation/hooks.h"
#include "graphics/builtin_textures.h"
#include "graphics/gl_calls.h"
#include "graphics/ogl_extensions.h"
#include "graphics/tex_bind.h"
#include "graphics/tex_png.h"
#include "graphics/tman.h"
#include "ui/btn_focus.h"
#include "ui/keys.h"
#include "ui/ogl_sbuff.h"
#include "ui/ogl_state.h"

#include <cstdlib>
#include <cstring>
#include <ostream>
#include <unistd.h>
#include <vector>

// ---- state as start-up leaves it -----------------------------------------------------------

void gl_state_as_startup()
{
    gl.PixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gl.PixelStorei(GL_PACK_ALIGNMENT, 1);
    gl.AlphaFunc(GL_GREATER, 0.0f);
    gl.BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    gl.FrontFace(GL_CW); // quads wound the wrong way would be culled
    gl.Enable(GL_CULL_FACE);
    gl.CullFace(GL_BACK);
    gl.DepthMask(GL_FALSE);
    OGL_reset_state_cache();
    OGL_setstate(1, 0, 3, 4, 9, 11);
}

// ---- art -----------------------------------------------------------------------------------

void load_interface_textures()
{
    ren.tex_units = 2;
    glExt.max_tex_size = 2048;
    glExt.combine_avail = 1;
    glExt.tex_clamp_avail = 1;
    OGL_wire_texture_units(); // as start-up wires it
    tman.reset();
    TEX_reset_bind();
    recall_ins_texes();
}

void colours_from_atlas()
{
    struct pick {
        int index, column, row; // row of the 512 x 512 atlas, bottom first
    };
    static const pick picks[] = {
        {col_back, 319, 155},        {col_menu_line, 319, 147},   {col_menu_fill, 319, 139},
        {col_menu_line_2, 319, 131}, {col_menu_text, 319, 123},   {col_frame_title, 319, 115},
        {col_iface_41, 319, 107},    {col_tab_text, 319, 99},     {col_alert_text, 319, 91},
        {col_widget_text, 319, 83},  {col_body_text, 319, 75},    {col_window_text, 319, 67},
        {col_iface_44, 395, 115},
    };
    for (const pick& p : picks) {
        const unsigned char* px = scratch_array + 4 * (512 * p.row + p.column);
        colr.assign(p.index, px[0] / 255.0f, px[1] / 255.0f, px[2] / 255.0f);
    }
    const float* a = colr.rgb[col_menu_line];
    const float* b = colr.rgb[col_menu_text];
    colr.assign(col_menu_mid, (a[0] + b[0]) / 2, (a[1] + b[1]) / 2, (a[2] + b[2]) / 2);
}

void load_interface_art()
{
    load_interface_textures();
    colours_from_atlas();
}

void unload_interface_art()
{
    TEX_set_units_counter(nullptr);
    OGL_reset_state_cache();
    tman.reset();
    TEX_reset_bind();
    glExt = OGL_extensions{};
}

void remove_focus_hooks()
{
    KEYS_set_focus_hook(nullptr);
    BTN_set_unfocus_hook(nullptr);
    BTN_reset_focus();
}

// ---- colour keeper -------------------------------------------------------------------------

colour_keeper::colour_keeper()
{
    std::memcpy(colours, colr.rgb, sizeof colours);
    std::memcpy(lite, colr.lite, sizeof lite);
}

colour_keeper::~colour_keeper()
{
    std::memcpy(colr.rgb, colours, sizeof colours);
    std::memcpy(colr.lite, lite, sizeof lite);
}

// ---- read-back -----------------------------------------------------------------------------

std::ostream& operator<<(std::ostream& os, const rgb& c)
{
    return os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

rgb pixel_at(int x, int y)
{
    unsigned char p[3] = {0, 0, 0};
    gl.ReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, p);
    return {p[0], p[1], p[2]};
}

std::string test_program_folder()
{
    char exe[4096];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) return "";
    const std::string path(exe, static_cast<std::size_t>(n));
    return path.substr(0, path.rfind('/') + 1);
}

int save_frame_png(const std::string& file)
{
    const std::string kept = app_path;
    app_path.clear(); // the name as given, whatever folder the test used
    OGL_screenshot(0);
    const TEX_image_desc desc = {GL_RGB, 1024, 768, 0, 0};
    // Not the current folder: a test program started from the source root
    // would leave its pictures in the repository.
    const std::string where = !file.empty() && file[0] == '/' ? file : test_program_folder() + file;
    const int written = TEX_save_png(where, desc, scratch_array);
    app_path = kept;
    return written;
}

int differing_pixels(int x, int y, int w, int h, int bx, int by)
{
    unsigned char base[3];
    gl.ReadPixels(bx, by, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, base);
    std::vector<unsigned char> p(std::size_t(w) * std::size_t(h) * 3);
    gl.ReadPixels(x, y, w, h, GL_RGB, GL_UNSIGNED_BYTE, p.data());
    int n = 0;
    for (std::size_t i = 0; i < p.size(); i += 3)
        n += std::abs(p[i] - base[0]) > 40 || std::abs(p[i + 1] - base[1]) > 40 || std::abs(p[i + 2] - base[2]) > 40;
    return n;
}

// ---- units ---------------------------------------------------------------------------------

int unit_px(float x) { return static_cast<int>(mnw.wind_x + x); }

int unit_py(float y) { return mnw.y_res_now - static_cast<int>(mnw.wind_y + y); }
