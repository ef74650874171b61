// tex_upload.cpp - the GL side of the texture manager.
//   size       TEX_get_scale, check_dxy, TEX_is_nearest_ref
//   upload     load_texture_ogl: a failed load, the decisions, the level loop, the parameters
//   binding    bind_ref, reset_bind, set_blend_level
//   release    release_texture, unload_texture, purge_unused_texes, unload_texture_internal
#include "graphics/tman.h"

#include "graphics/gl_calls.h"
#include "graphics/ogl_extensions.h"
#include "graphics/tex_bind.h"
#include "graphics/tex_rows.h"

#include "foundation/hl_types.h"
#include "foundation/hooks.h"

#include <GL/glext.h>

#include <algorithm>
#include <cstdio>

namespace {

// Numbers reach alert lines as doubles, whatever their type, through stl_global.
const std::string& number_line(const char* format, double value)
{
    char buf[96];
    std::snprintf(buf, sizeof buf, format, value);
    stl_global = buf;
    return stl_global;
}

std::string ref_tex_line(int ref, unsigned int tex)
{
    char buf[96];
    std::snprintf(buf, sizeof buf, "ref=%6.0f, tex=%6.0f", static_cast<double>(ref), static_cast<double>(tex));
    stl_global = buf;
    return stl_global;
}

float clamp01(float v) { return std::min(1.0f, std::max(0.0f, v)); }

bool is_pow2(int n) { return n > 0 && (n & (n - 1)) == 0; }

GLint internal_format(int format, int flags)
{
    int f = format == GL_BGRA ? GL_RGBA : format == GL_BGR ? GL_RGB : format;
    if (flags & tex_half_float) {
        if (f == GL_RGB) f = GL_RGB16F_ARB;
        else if (f == GL_RGBA) f = GL_RGBA16F_ARB;
        else if (f == GL_ALPHA) f = GL_ALPHA16F_ARB;
    }
    if (format == GL_DEPTH_COMPONENT) f = GL_DEPTH_COMPONENT32;
    if (flags & tex_exact_8bit) {
        if (f == GL_RGB) f = GL_RGB8;
        else if (f == GL_RGBA) f = GL_RGBA8;
    }
    return f;
}

// Gives every fully transparent pixel the mean colour of the opaque pixels in
// the 5 x 5 square around it, so that linear filtering and mipmaps do not pull
// a dark fringe in from transparent black. Alpha stays 0.
void fill_transparent_texels(unsigned char* px, int w, int h)
{
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            unsigned char* p = px + (std::size_t(y) * w + x) * 4;
            if (p[3] != 0) continue;
            int sum[3] = {0, 0, 0}, count = 0;
            for (int j = std::max(0, y - 2); j <= std::min(h - 1, y + 2); ++j)
                for (int i = std::max(0, x - 2); i <= std::min(w - 1, x + 2); ++i) {
                    const unsigned char* q = px + (std::size_t(j) * w + i) * 4;
                    if (q[3] == 0) continue;
                    sum[0] += q[0];
                    sum[1] += q[1];
                    sum[2] += q[2];
                    ++count;
                }
            if (count == 0) continue;
            for (int c = 0; c < 3; ++c) p[c] = static_cast<unsigned char>(sum[c] / count);
        }
}

int vram_estimate(double bytes, int flags) { return static_cast<int>(bytes * (flags & tex_mipmap ? 1.33f : 1.0f)); }

struct upload_plan {
    bool compressed;  // one of the four DXT formats
    bool hw_mips;     // GL_GENERATE_MIPMAP
    bool sw_mips;     // halved in place level by level
    bool reuse;       // the GL storage has this format and size already: glTexSubImage2D
    bool fill;        // transparent texels get their neighbours' colour
    bool nearest;     // GL_NEAREST filtering
};

// Sends every level to GL. Returns false when a software chain had to stop
// early (a format that cannot be shrunk), so the filter must not ask for mipmaps.
bool upload_levels(const tex_load_vars& v, const upload_plan& plan)
{
    TEX_image_desc d{v.format, v.tex_dx, v.tex_dy, 0, 0};
    unsigned char* px = v.pixels;
    const GLint internal = internal_format(v.format, v.flags);
    for (int level = 0;; ++level) {
        const int bytes = TEX_bytes_needed_for_image(d);
        if (plan.hw_mips) gl.TexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
        if (plan.compressed)
            glExt.glCompressedTexImage2DARB(GL_TEXTURE_2D, level, v.format, d.width, d.height, 0, bytes, px);
        else if (plan.reuse)
            gl.TexSubImage2D(GL_TEXTURE_2D, level, 0, 0, d.width, d.height, v.format, GL_UNSIGNED_BYTE, px);
        else
            gl.TexImage2D(GL_TEXTURE_2D, level, internal, d.width, d.height, 0, v.format, GL_UNSIGNED_BYTE, px);
        if (d.width == 1 && d.height == 1) return true;
        if (v.has_mips) {
            px += bytes;
            d.width = std::max(1, d.width / 2);
            d.height = std::max(1, d.height / 2);
            continue;
        }
        if (!plan.sw_mips) return true;
        const int w = d.width, h = d.height;
        TEX_downscale(d, px, w >= 2 ? 2 : 1, h >= 2 ? 2 : 1);
        if (d.width == w && d.height == h) return false; // not shrinkable: the chain ends here
    }
}

void set_parameters(const tex_load_vars& v, const upload_plan& plan, bool chain_complete)
{
    const GLint clamp = glExt.tex_clamp_avail ? GL_CLAMP_TO_EDGE : GL_CLAMP;
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, v.flags & (tex_clamp_st | tex_clamp_s) ? clamp : GL_REPEAT);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, v.flags & tex_clamp_st ? clamp : GL_REPEAT);
    if (glExt.aniso_avail) gl.TexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, 1.0f);
    if (plan.nearest) {
        gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    } else {
        const bool mips = (v.flags & tex_mipmap) && chain_complete;
        gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, mips ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
        gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    }
    if (v.format == GL_DEPTH_COMPONENT) {
        gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE_ARB, GL_COMPARE_R_TO_TEXTURE_ARB);
        gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_FUNC_ARB, GL_LEQUAL);
    }
}

} // namespace

// ---- size --------------------------------------------------------------------------

void check_dxy(int value, std::string name)
{
    if (value >= 1 && value <= TEX_max_side) return;
    MACIBM_alert(0, "Trying to create a texture either less than 1 or greater than 2048!", name, "value:",
                 number_line("%1.0f", value), t_exit);
}

float TEX_get_scale(std::string name, int, int flags, int width, int height, int* img_dx, int* img_dy,
                    int* tex_dx, int* tex_dy, int source)
{
    // The source sides are checked first: every later size follows from them,
    // and a side of 0 must not reach the divisions below.
    check_dxy(width, name);
    check_dxy(height, name);
    float scale = TEX_res_scale(mnw.tex_res);
    if (flags & tex_res_double) scale = clamp01(scale * 2.0f);
    if (flags & tex_res_half) scale = clamp01(scale * 0.5f);
    if (flags & tex_res_full) scale = 1.0f;
    if (source == tex_src_scratch) scale = 1.0f;
    scale = std::max(scale, 1.0f / static_cast<float>(width));
    scale = std::max(scale, 1.0f / static_cast<float>(height));
    // A driver limit of 0 means capabilities were never read: the staging size stands in.
    const float max_side = static_cast<float>(glExt.max_tex_size > 0 ? glExt.max_tex_size : TEX_max_side);
    while (scale * width > max_side || scale * height > max_side) scale *= 0.5f;
    *img_dx = std::max(1, static_cast<int>(scale * width));
    *img_dy = std::max(1, static_cast<int>(scale * height));
    *tex_dx = flags & tex_npot_ok ? *img_dx : TEX_next_pow2(*img_dx);
    *tex_dy = flags & tex_npot_ok ? *img_dy : TEX_next_pow2(*img_dy);
    check_dxy(*img_dx, name);
    check_dxy(*img_dy, name);
    check_dxy(*tex_dx, name);
    check_dxy(*tex_dy, name);
    return scale;
}

int TEX_is_nearest_ref(int ref)
{
    return ref == 388 || ref == 415 || ref == 421 || ref == 422 || (ref >= 423 && ref <= 438);
}

// ---- upload ------------------------------------------------------------------------

void tman_class::place_placeholder(ref_dat_struct& e)
{
    if (e.vram != 0 && num_loaded > 0) --num_loaded; // the entry no longer holds its own texture
    const bool blank_ready = ref_dat.size() > std::size_t(t_blank_gray) && ref_dat[t_blank_gray].format != 0 &&
                             ref_dat[t_blank_gray].tex != 0;
    if (blank_ready) {
        const ref_dat_struct& b = ref_dat[t_blank_gray];
        e.tex = b.tex;
        e.img_dx = b.img_dx;
        e.img_dy = b.img_dy;
        e.tex_dx = b.tex_dx;
        e.tex_dy = b.tex_dy;
        e.format = b.format;
    } else {
        // The placeholder is not loaded (yet): bind its GL name all the same,
        // as a 1 x 1 texture so that texture coordinates stay finite.
        e.tex = t_blank_gray;
        e.img_dx = e.img_dy = e.tex_dx = e.tex_dy = 1;
    }
    e.vram = 0;
    e.load_time = tex_load_now;
}

void tman_class::report_failed_load(const tex_load_vars& v)
{
    switch (v.fail_mode) {
    case tex_fail_silent: return;
    case tex_fail_scenery:
        if (scene_load_fail == 0) scene_load_fail = 1;
        break;
    case tex_fail_plane:
        if (plane_load_fail == 0) plane_load_fail = 1;
        break;
    case tex_fail_instl:
        if (instl_load_fail == 0) instl_load_fail = 1;
        break;
    case tex_fail_alert:
        MACIBM_alert(0, "Trying to load a texture that you do not have!",
                     "This looks like an incomplete installation of Skylume!",
                     std::string("Get a new download from ") + maker_web_address + ". The missing file is:", v.name,
                     t_exit);
        return;
    default: break;
    }
    xer << "WARNING: we are missing the texture: " << v.name << ".\n";
}

int tman_class::load_texture_ogl(tex_load_vars* v, int source)
{
    if (v->ref < 0 || std::size_t(v->ref) >= ref_dat.size()) {
        MACIBM_alert(0, "(manual_ref>=ref_dat.size()!",
                     "maybe we tried to load some texture thatis not avail, and we have not loaded the t_blank_gray yet?",
                     "", "", t_exit);
        return 0;
    }
    upload_plan plan{};
    plan.compressed = TEX_is_dxt(v->format) != 0;
    if (source != tex_src_none && plan.compressed && !glExt.glCompressedTexImage2DARB) {
        xer << "load_texture_ogl: no compressed-texture support for " << v->name << "\n";
        source = tex_src_none;
    }
    if (source == tex_src_none) {
        place_placeholder(ref_dat[v->ref]);
        report_failed_load(*v);
        return 0;
    }
    ref_dat_struct& e = ref_dat[v->ref];
    const int flags = v->flags;
    plan.hw_mips = (flags & tex_mipmap) && glExt.automini_avail && !plan.compressed && !(flags & tex_exact_8bit);
    plan.sw_mips = (flags & tex_mipmap) && !plan.hw_mips && !v->has_mips;
    plan.reuse = e.load_time == tex_load_now && e.format == v->format && e.tex_dx == float(v->tex_dx) &&
                 e.tex_dy == float(v->tex_dy) && e.tex == unsigned(v->ref);
    plan.fill = v->bpp == 4 && source != tex_src_scratch && !plan.compressed && !v->has_mips;
    plan.nearest = TEX_is_nearest_ref(v->ref);

    if (e.vram == 0) ++num_loaded;
    e.name = v->name;
    e.tex = static_cast<unsigned int>(v->ref);
    e.load_time = tex_load_now;
    e.img_dx = float(v->img_dx);
    e.img_dy = float(v->img_dy);
    e.tex_dx = float(v->tex_dx);
    e.tex_dy = float(v->tex_dy);
    e.format = v->format;
    e.flags = flags;
    e.vram = vram_estimate(double(v->tex_dx) * v->tex_dy * v->bpp, flags);

    if (v->ref == 0 || e.tex == 0) {
        std::string name;
        {
            tman_hold hold(*this);
            name = e.name;
        }
        MACIBM_alert(0, v->ref == 0 ? "Trying to bind a null ref!" : "Trying to bind a null tex!",
                     ref_tex_line(v->ref, e.tex), "", name, t_exit);
        return 0;
    }
    if (plan.fill) fill_transparent_texels(v->pixels, v->tex_dx, v->tex_dy);
    if (!(flags & tex_npot_ok) && (!is_pow2(v->tex_dx) || !is_pow2(v->tex_dy))) {
        MACIBM_alert(0, "load_tex: Trying to read a texture that is not a power of 2!", v->name, "", "", t_exit);
        return 0;
    }
    check_dxy(v->tex_dx, v->name);
    check_dxy(v->tex_dy, v->name);

    const int units_on = TEX_units_counter();
    if (units_on == 0) gl.Enable(GL_TEXTURE_2D);
    TEX_bind_ref(v->ref, 0, tex_env_modulate);
    if (units_on == 0) gl.Disable(GL_TEXTURE_2D);

    const bool chain_complete = upload_levels(*v, plan);
    if (plan.compressed) {
        GLint compressed = 0, size = 0;
        gl.GetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_COMPRESSED_ARB, &compressed);
        if (compressed) {
            gl.GetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_COMPRESSED_IMAGE_SIZE_ARB, &size);
            e.vram = vram_estimate(size, flags);
        }
    }
    set_parameters(*v, plan, chain_complete);
    return v->ref;
}

// ---- binding -----------------------------------------------------------------------

void tman_class::report_missing_bind(int ref, const std::string& name)
{
    if (missing_alerted.insert(ref).second) {
        MACIBM_alert(0, "missing non-scenery texture - how?", "", number_line("ref=%6.0f", ref), name, t_alert);
        return;
    }
    xer << "missing non-scenery texture: ref=" << ref << " " << name << "\n";
}

void tman_class::bind_ref(int ref, int unit, int mode)
{
    tman_hold hold(*this);
    unsigned int tex = t_blank_gray;
    if (ref < 0 || std::size_t(ref) >= ref_dat.size()) {
        report_missing_bind(ref, "");
    } else {
        const ref_dat_struct& e = ref_dat[ref];
        tex = e.tex;
        if (ref != 0 && e.load_time != tex_load_now) {
            tex = t_blank_gray;
            if (e.load_time != tex_load_scenery) report_missing_bind(ref, std::string(e.name));
        }
    }
    TEX_bind_ref(static_cast<int>(tex), unit, mode);
}

void tman_class::reset_bind() { TEX_reset_bind(); }

void tman_class::set_blend_level(int unit, float level) { TEX_set_blend_level(unit, level); }

// ---- release -----------------------------------------------------------------------

void tman_class::release_texture(int ref)
{
    tman_hold hold(*this);
    const bool in_table = ref >= 0 && std::size_t(ref) < ref_dat.size();
    const std::string name = in_table ? ref_dat[ref].name : "";
    if (ref < first_dynamic_ref) {
        MACIBM_alert(0, "Trying to release a manual texture - use unload_texture.", number_line("%f", ref), name, "",
                     t_exit);
        return;
    }
    if (!in_table || ref_dat[ref].ref_count == -1) {
        MACIBM_alert(0, "Ref count is negative - was never reffed.", number_line("%f", ref), name, "", t_exit);
        return;
    }
    if (--ref_dat[ref].ref_count < 0)
        MACIBM_alert(0, "Ref count went negative", number_line("%f", ref), name, "", t_exit);
}

void tman_class::unload_texture(int ref)
{
    tman_hold hold(*this);
    if (ref >= first_dynamic_ref) {
        const std::string name = std::size_t(ref) < ref_dat.size() ? ref_dat[ref].name : "";
        MACIBM_alert(0, "Error: dynamic textures should be released, not unloaded.", name, number_line("%f", ref), "",
                     t_exit);
        return;
    }
    unload_texture_internal(ref, 0);
}

void tman_class::purge_unused_texes()
{
    tman_hold hold(*this);
    for (std::size_t r = first_dynamic_ref; r < ref_dat.size(); ++r)
        if (ref_dat[r].ref_count == 0) unload_texture_internal(static_cast<int>(r), 0);
}

void tman_class::unload_texture_internal(int ref, int)
{
    if (ref < 0 || std::size_t(ref) >= ref_dat.size()) {
        xer << "unload_texture: ref " << ref << " is outside the table, nothing unloaded\n";
        return;
    }
    ref_dat_struct& e = ref_dat[ref];
    if (e.tex != 0 && e.tex != unsigned(t_blank_gray)) {
        const GLuint name = e.tex;
        gl.DeleteTextures(1, &name);
        // GL unbinds a deleted texture from every unit; the cache must not
        // believe otherwise, or a texture uploaded again under this name would
        // skip its bind and fill whatever texture is bound instead.
        TEX_reset_bind();
    }
    if (e.load_time == tex_load_now && e.vram != 0) --num_loaded;
    if (e.format != 0) --num_total;
    tex_hash.erase(e.name);
    e = ref_dat_struct{};
}
