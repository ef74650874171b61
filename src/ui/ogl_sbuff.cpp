// ogl_sbuff.cpp - buffer swap, backdrop texture and screenshot.
//
// Sections: buffer swap | backdrop | screenshot.
#include "ui/ogl_sbuff.h"

#include "files/io_utils.h"
#include "foundation/frame_pace.h"
#include "foundation/hl_types.h"
#include "foundation/hooks.h"
#include "foundation/xtim.h"
#include "graphics/gl_calls.h"
#include "graphics/tex_any.h"
#include "graphics/tex_png.h"
#include "graphics/tman.h"
#include "ui/colr.h"
#include "ui/ogl_draw.h"
#include "ui/ogl_state.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>

int back_dx = 0, back_dy = 0;

// ---- buffer swap -------------------------------------------------------------------

void OGL_sbuff()
{
    if (ren.draw_green)
        gl.Color4f(0, 1, 0, ren.draw_alpha);
    else
        gl.Color4f(1, 1, 1, ren.draw_alpha);
    xtim_class::profile_chart("sb1", 0);
    LIN_swap_buffers();
    fpace.swapped(fpace.now());
    xtim_class::profile_chart("sb2", 0);
}

// ---- backdrop -----------------------------------------------------------------------

namespace {

constexpr const char* back_path = "Resources/bitmaps/intro.png";
constexpr std::size_t back_bytes = std::size_t(back_max_side) * back_max_side * 4;
constexpr std::size_t tile_bytes = std::size_t(back_tile_side) * back_tile_side * 4;

void back_missing_alert()
{
    __MACIBM_alert(0, "Trying to load a texture that you do not have!",
                   "This looks like an incomplete installation of Skylume!",
                   std::string("Get a new download from ") + maker_web_address + ". The missing file is:", back_path,
                   t_exit, "oglp", 994);
}

// The picture fits the 2048 x 2048 block as rows of its own width.
bool fits_block(const TEX_image_desc& d)
{
    return d.format == GL_RGBA && d.width >= 1 && d.width <= back_max_side && d.height >= 1 &&
           d.height <= back_max_side && d.pad == 0;
}

// Tile (i, j) of the picture held in `block` (rows of back_dx pixels, bottom
// first) into scratch_array as 512 x 512 texels, transparent past the picture.
void stage_tile(const unsigned char* block, int i, int j)
{
    std::memset(scratch_array, 0, tile_bytes);
    const int rows = std::min(back_dy - back_tile_side * j, back_tile_side);
    const int cols = std::min(back_dx - back_tile_side * i, back_tile_side);
    for (int r = 0; r < rows && cols > 0; ++r) {
        const std::size_t from = (std::size_t(back_tile_side) * j + r) * std::size_t(back_dx) * 4 +
                                 std::size_t(back_tile_side) * i * 4;
        std::memcpy(scratch_array + std::size_t(r) * back_tile_side * 4, block + from, std::size_t(cols) * 4);
    }
    scratch_dx = scratch_dy = back_tile_side;
}

} // namespace

void OGL_make_back_tex()
{
    if (mnw.cur_wind != -1 || !scratch_array) return;
    std::memset(scratch_array, 0, back_bytes);
    unsigned char* pixels = scratch_array;
    TEX_image_desc desc{};
    if (!TEX_load_any(back_path, pixels, back_bytes, GL_RGBA, 0, 0, desc)) {
        back_missing_alert();
        return;
    }
    if (!fits_block(desc)) {
        xer << "OGL_make_back_tex: " << back_path << ": " << desc.width << " x " << desc.height
            << " does not fit the 2048 x 2048 backdrop; no backdrop" << std::endl;
        return;
    }
    back_dx = desc.width;
    back_dy = desc.height;
    std::unique_ptr<unsigned char[]> block(new (std::nothrow) unsigned char[back_bytes]);
    if (!block) return;
    std::memcpy(block.get(), scratch_array, back_bytes);
    OGL_setstate(ogl_fog_off, 1, ogl_lit_off, ogl_alpha_blend, ogl_depth_read_off, ogl_depth_write_off);
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i) {
            stage_tile(block.get(), i, j);
            tman.load_texture(tex_fail_alert, t_tex_back + 4 * j + i, tex_col_rgba | tex_clamp_st | tex_flag_unused,
                              tex_load_now, "scratch_array-t_tex_back (tile)");
        }
}

namespace {

struct back_extent {
    float l, r, b, t;
};

// Where the picture lies in whole-window pixels.
back_extent back_extent_now()
{
    const float bx = static_cast<float>(back_dx), by = static_cast<float>(back_dy);
    if (mnw.cur_wind != -1) return {mnw.pix_x_off, bx + mnw.pix_x_off, 0, by};
    const float W = static_cast<float>(mnw.x_res_now), H = static_cast<float>(mnw.y_res_now);
    back_extent e{};
    e.l = W < bx ? W - bx : 0;
    e.r = W < bx ? W : bx;
    const float rise = std::clamp(by - H, 0.0f, static_cast<float>(back_tile_side));
    e.t = H + rise;
    e.b = e.t - by;
    if (bx < W || by < H) OGL_fillrect(col_back, 1.0f, -mnw.wind_x, -mnw.wind_y, W, H);
    return e;
}

} // namespace

void OGL_plot_back_tex()
{
    const back_extent e = back_extent_now();
    OGL_setstate(ogl_fog_off, 1, ogl_lit_off, ren.draw_alpha > 0.99f ? ogl_alpha_test : ogl_alpha_blend,
                 ogl_depth_read_off, ogl_depth_write_off);
    OGL_set_colour(col_spectrum_label, 1.0f);
    const float side = static_cast<float>(back_tile_side);
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i) {
            // Each tile at its own 512 pixels, cut where the picture ends, so
            // a picture of any size keeps its scale.
            const float x0 = e.l + side * static_cast<float>(i), y0 = e.b + side * static_cast<float>(j);
            const float x1 = std::min(x0 + side, e.r), y1 = std::min(y0 + side, e.t);
            if (x1 <= x0 || y1 <= y0) continue;
            if (!(x1 > 0 && x0 < static_cast<float>(mnw.x_res_now) && y1 > 0 && y0 < static_cast<float>(mnw.y_res_now)))
                continue;
            const float s1 = (x1 - x0) / side, t1 = (y1 - y0) / side;
            tman.bind_ref(t_tex_back + 4 * j + i, 0, 0);
            gl.Begin(GL_QUADS);
            gl.TexCoord2f(0, 0);
            gl.Vertex2f(x0, y0);
            gl.TexCoord2f(0, t1);
            gl.Vertex2f(x0, y1);
            gl.TexCoord2f(s1, t1);
            gl.Vertex2f(x1, y1);
            gl.TexCoord2f(s1, 0);
            gl.Vertex2f(x1, y0);
            gl.End();
        }
}

// ---- screenshot ----------------------------------------------------------------------

namespace {

int shot = 0; // the last screenshot number used this run

} // namespace

int OGL_screenshot(int save)
{
    if (!scratch_array) return 0;
    const int w = std::clamp(mnw.x_res_now, 0, back_max_side);
    const int h = std::clamp(mnw.y_res_now, 0, back_max_side);
    gl.PixelStorei(GL_PACK_ALIGNMENT, 1); // packed rows, whatever set-up ran before
    gl.ReadPixels(static_cast<int>((mnw.x_res_now - w) * 0.5), static_cast<int>((mnw.y_res_now - h) * 0.5), w, h,
                  GL_RGB, GL_UNSIGNED_BYTE, scratch_array);
    if (!save) return 1;
    std::string name;
    do name = "screenshot_" + std::to_string(++shot) + ".png";
    while (file_exists(name));
    const TEX_image_desc desc = {GL_RGB, w, h, 0, 0};
    if (TEX_save_png(name, desc, scratch_array)) return 1;
    xer << "OGL_screenshot: " << name << " could not be written" << std::endl;
    return 0;
}
