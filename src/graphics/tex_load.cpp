// tex_load.cpp - loading textures: the public load and the pipeline behind it,
// finding and decoding an image file into a staging buffer, and the deferred
// scenery operations.
//   staging     scratch_array_temp, the row layout the upload reads
//   load        load_texture, load_texture_int, load_texture_io
//   files       candidate names, load_any_into_scratch (DDS; PNG and BMP)
//   deferred    load_all_scenery_texes, force_load_tex, the asynchronous trio
#include "graphics/tman.h"

#include "graphics/tex_bmp.h"
#include "graphics/tex_dds.h"
#include "graphics/tex_png.h"

#include "files/xmap.h"
#include "foundation/cmdline.h"
#include "foundation/hl_types.h"
#include "foundation/hooks.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

// ---- staging -------------------------------------------------------------------------
// Receives decoded files (scratch_array does with tex_from_scratch).
alignas(16) unsigned char scratch_array_temp[tex_staging_bytes];

const std::string& number_line(const char* format, double value)
{
    char buf[96];
    std::snprintf(buf, sizeof buf, format, value);
    stl_global = buf;
    return stl_global;
}

bool is_scratch_name(const std::string& name) { return name.compare(0, 13, "scratch_array") == 0; }

// Refs of the interface's own pictures, whose loads never show the status line.
bool status_exempt(int ref)
{
    return ref == 0 || ref == 312 || ref == 388 || ref == 392 || (ref >= 423 && ref <= 438) || ref == t_blank_gray;
}

signed char bpp_of_format(int format)
{
    switch (format) {
    case GL_RGBA:
    case GL_BGRA:
    case GL_COMPRESSED_RGBA_S3TC_DXT1_EXT:
    case GL_COMPRESSED_RGBA_S3TC_DXT3_EXT:
    case GL_COMPRESSED_RGBA_S3TC_DXT5_EXT: return 4;
    case GL_ALPHA: return 1;
    default: return 3;
    }
}

// Moves a decoded picture (rows of desc.width pixels plus desc.pad bytes) into
// rows of exactly tex_dx pixels, zero beyond the picture up to tex_dy rows:
// the layout the upload reads. Shrinking keeps the decoder's pad, and a
// texture without power-of-two rounding is narrower than the decoder's canvas;
// either would shear the picture without this.
void lay_out_for_upload(unsigned char* px, const TEX_image_desc& desc, int bpp, int tex_dx, int tex_dy)
{
    const std::size_t src_stride = std::size_t(desc.width) * bpp + std::size_t(desc.pad);
    const std::size_t dst_stride = std::size_t(tex_dx) * bpp;
    const int w = std::min(desc.width, tex_dx), h = std::min(desc.height, tex_dy);
    const std::size_t row_bytes = std::size_t(w) * bpp;
    auto move_row = [&](int y) {
        unsigned char* dst = px + y * dst_stride;
        std::memmove(dst, px + y * src_stride, row_bytes);
        std::memset(dst + row_bytes, 0, dst_stride - row_bytes);
    };
    // Rows move towards the start when the new stride is shorter, towards the
    // end when it is longer: each order only writes where nothing is left to read.
    if (dst_stride <= src_stride)
        for (int y = 0; y < h; ++y) move_row(y);
    else
        for (int y = h - 1; y >= 0; --y) move_row(y);
    std::memset(px + std::size_t(h) * dst_stride, 0, std::size_t(tex_dy - h) * dst_stride);
}

// ---- files -------------------------------------------------------------------------
struct load_out {
    int& format;
    int& has_mips;
    signed char& bpp;
    int *img_dx, *img_dy, *tex_dx, *tex_dy;
};

// Maps the first candidate file that exists: name.dds (unless "--no_dds"),
// name.png, name.bmp, each in place of a 3-letter extension; a name without
// one is tried as it stands.
bool map_first_candidate(const std::string& name, xmap_class& file)
{
    const bool has_ext = name.size() > 4 && name[name.size() - 4] == '.';
    auto with = [&](const char* ext) { return has_ext ? name.substr(0, name.size() - 4) + ext : name; };
    const std::string candidates[3] = {cmdline.has_option("--no_dds") ? name : with(".dds"), with(".png"),
                                       with(".bmp")};
    for (int i = 0; i < 3; ++i) {
        if (i > 0 && candidates[i] == candidates[i - 1]) continue;
        if (file.retry(candidates[i])) return true;
    }
    return false;
}

// Copies the DDS file's mip chain, from the level the scale asks for down to
// 1 x 1, into dest and turns it upside down. The chain is checked against the
// file and against the staging buffer at the texture's sizes (what the upload
// will read) before a byte is copied.
int stage_dds(const std::string& name, int ref, int flags, const xmap_class& file, const unsigned char* src,
              TEX_image_desc desc, unsigned char* dest, load_out& out)
{
    out.bpp = bpp_of_format(desc.format);
    const float scale = TEX_get_scale(name, ref, flags, desc.width, desc.height, out.img_dx, out.img_dy,
                                      out.tex_dx, out.tex_dy, tex_src_file);
    TEX_image_desc level{desc.format, desc.width, desc.height, 0, 0};
    for (float r = 1.0f / scale; r > 1.0f && (level.width > 1 || level.height > 1); r *= 0.5f) {
        src += TEX_bytes_needed_for_image(level);
        level.width = std::max(1, level.width / 2);
        level.height = std::max(1, level.height / 2);
    }
    level.has_mips = 1;
    const TEX_image_desc upload{desc.format, *out.tex_dx, *out.tex_dy, 0, 1};
    const long long chain = TEX_bytes_needed_for_image(level);
    const long long read = TEX_bytes_needed_for_image(upload);
    const long long in_file = reinterpret_cast<const char*>(file.end) - reinterpret_cast<const char*>(src);
    if (chain <= 0 || read <= 0 || chain > in_file || std::max(chain, read) > (long long)tex_staging_bytes) {
        xer << "load_any_into_scratch: " << name << ": mip chain of " << chain << " bytes (" << read
            << " at texture size) does not fit the file or the staging buffer\n";
        return 0;
    }
    std::memcpy(dest, src, std::size_t(chain));
    if (read > chain) std::memset(dest + chain, 0, std::size_t(read - chain));
    const int transparent = TEX_flip_y(level, dest);
    out.format = desc.format;
    out.has_mips = 1;
    if (desc.format == GL_COMPRESSED_RGB_S3TC_DXT1_EXT && transparent) {
        out.format = GL_COMPRESSED_RGBA_S3TC_DXT1_EXT;
        out.bpp = 4;
    }
    return 1;
}

// Decodes a BMP or PNG file into dest in rows of the power-of-two width (the
// readers check its sizes against the staging buffer first), shrinks it for
// the scale, and lays it out in rows of the texture's width.
int stage_picture(const std::string& name, int ref, int flags, xmap_class& file, int follow_alpha,
                  unsigned char* dest, load_out& out)
{
    const unsigned int wanted = out.bpp == 1 ? GL_ALPHA : out.bpp == 4 ? GL_RGBA : GL_RGB;
    TEX_image_desc desc{};
    int ok = 0;
    if (file.begin[0] == 'B' && file.begin[1] == 'M')
        ok = TEX_load_bmp(name, &file, dest, tex_staging_bytes, wanted, 0, 1, desc);
    else if (png_sig_cmp(reinterpret_cast<png_const_bytep>(file.begin), 0, 8) == 0)
        ok = TEX_load_png(name, &file, dest, tex_staging_bytes, wanted, 0, 1, follow_alpha, desc);
    if (!ok) return 0;
    out.format = desc.format;
    out.has_mips = 0;
    out.bpp = bpp_of_format(desc.format);
    const float scale = TEX_get_scale(name, ref, flags, desc.width, desc.height, out.img_dx, out.img_dy,
                                      out.tex_dx, out.tex_dy, tex_src_file);
    const float r = 1.0f / scale;
    if (r != 1.0f) {
        // The box filter averages by shifting: its factors must be powers of
        // two. The scale is one unless a side of a few pixels raised it.
        int k = 1;
        while (k * 2 <= static_cast<int>(r)) k *= 2;
        TEX_downscale(desc, dest, std::min(k, desc.width), std::min(k, desc.height));
    }
    lay_out_for_upload(dest, desc, out.bpp, *out.tex_dx, *out.tex_dy);
    return 1;
}

// Finds and decodes the image file for name. 1 when it is in the staging
// buffer with format, has_mips, bpp and the four sizes describing it; 0 when no
// candidate exists, the first one found is shorter than 8 bytes, of no known
// kind, a DDS without a mip chain, or refused by its reader.
int load_any_into_scratch(std::string name, int ref, int flags, int& format, int& has_mips, signed char& bpp,
                          int follow_alpha, int* img_dx, int* img_dy, int* tex_dx, int* tex_dy)
{
    if (bpp < 1 || bpp > 4) {
        MACIBM_alert(0, "Trying to bind too low or high a number of bytes!", name, "value:",
                     number_line("%1.0f", bpp), t_exit);
        return 0;
    }
    unsigned char* dest = flags & tex_from_scratch ? scratch_array : scratch_array_temp;
    xmap_class file("");
    if (!dest || !map_first_candidate(name, file)) return 0;
    if (file.end - file.begin < 8) {
        xer << "load_any_into_scratch: " << name << ": file of " << (file.end - file.begin) << " bytes\n";
        return 0;
    }
    load_out out{format, has_mips, bpp, img_dx, img_dy, tex_dx, tex_dy};
    if (std::memcmp(file.begin, "DDS ", 4) == 0) {
        const unsigned char* src = nullptr;
        TEX_image_desc desc{};
        if (TEX_load_dds(name, &file, src, desc) && desc.has_mips)
            return stage_dds(name, ref, flags, file, src, desc, dest, out);
        xer << "load_any_into_scratch: " << name << ": not a DDS file with a mip chain\n";
        return 0;
    }
    return stage_picture(name, ref, flags, file, follow_alpha, dest, out);
}

std::string after_last_slash(const std::string& name)
{
    const std::size_t slash = name.rfind('/');
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

} // namespace

// ---- load --------------------------------------------------------------------------

int tman_class::load_texture(tex_fail_mode fail_mode, int manual_ref, int flags, tex_load_time load_time,
                             const std::string& name)
{
    if (name.empty()) return 0;
    if (load_time == tex_load_now && !is_scratch_name(name) && !status_exempt(manual_ref))
        TEX_show_status("Loading bitmap " + name + ".", nullptr);
    tman_hold hold(*this);
    if (load_time < tex_load_now || load_time > tex_load_unloaded) {
        MACIBM_alert(0, "Trying to create an invalid texture load_time!", name, "value:",
                     number_line("%1.0f", load_time), t_exit);
        return 0;
    }
    if (manual_ref < 0 || manual_ref > first_dynamic_ref) {
        MACIBM_alert(0, "Trying to bind too low or high a manual_ref!", name, "value:",
                     number_line("%1.0f", manual_ref), t_exit);
        return 0;
    }
    std::size_t slot = std::size_t(manual_ref);
    if (manual_ref == 0) {
        const auto known = tex_hash.find(name);
        if (known != tex_hash.end()) {
            const int r = known->second;
            ++ref_dat[r].ref_count;
            // A deferred entry loads now; its result tells the caller whether that load worked.
            if (ref_dat[r].load_time != tex_load_now) return load_texture_int(fail_mode, r, flags, name);
            return r;
        }
        // The highest free entry in the dynamic range, else a new one at the end.
        slot = std::max(ref_dat.size(), std::size_t(first_dynamic_ref));
        for (std::size_t r = first_dynamic_ref; r < ref_dat.size(); ++r)
            if (ref_dat[r].format == 0) slot = r;
    }
    grow_to(slot + 1);
    ref_dat_struct& e = ref_dat[slot];
    tex_hash.erase(e.name);
    tex_hash.emplace(name, int(slot)); // the first entry loaded under a name keeps it
    if (e.format == 0) {
        e.name = name;
        e.tex = 0;
        e.ref_count = manual_ref == 0 ? 1 : -1;
        e.flags = flags;
        e.format = GL_RGBA;
        e.vram = 0;
        e.img_dx = e.img_dy = e.tex_dx = e.tex_dy = 0;
        e.load_time = tex_load_now;
        e.fail_mode = fail_mode;
        ++num_total;
    }
    const int loaded = load_texture_int(fail_mode, int(slot), flags, name);
    return loaded || manual_ref == 0 ? int(slot) : 0;
}

int tman_class::load_texture_int(tex_fail_mode fail_mode, int ref, int flags, const std::string& name)
{
    // The pending job's pixels lie in scratch_array_temp, which a file load overwrites.
    if (async_finisher && !is_scratch_name(name)) async_finisher->force_finish();
    if (flags < 0 || flags > tex_flags_max) {
        MACIBM_alert(0, "Trying to bind an invalid filter type!", name, "value:", number_line("%1.0f", flags), t_exit);
        return 0;
    }
    tex_load_vars vars;
    vars.fail_mode = fail_mode;
    vars.ref = ref;
    vars.flags = flags;
    vars.name = name;
    const int source = load_texture_io(&vars);
    return load_texture_ogl(&vars, source);
}

int tman_class::load_texture_io(tex_load_vars* v)
{
    static const struct { int format; signed char bpp; int follow_alpha; } colours[8] = {
        {0, 0, 0}, {GL_RGB, 3, 0}, {GL_RGBA, 4, 0}, {GL_ALPHA, 1, 0},
        {GL_RGB, 3, 1}, {GL_RGBA, 4, 1}, {GL_DEPTH_COMPONENT, 1, 0}, {GL_RGB, 3, 0},
    };
    const int colour = v->flags & tex_col_mask;
    if (colour == 0) {
        MACIBM_alert(0, "BAD color enum for tman - see tman.h for valid colors!  We cannot pass 0.", "", "", "",
                     t_exit);
        return tex_src_none;
    }
    v->format = colours[colour].format;
    v->bpp = colours[colour].bpp;
    v->follow_alpha = colours[colour].follow_alpha;
    v->has_mips = 0;
    int result = tex_src_none;
    if (is_scratch_name(v->name)) {
        if (scratch_array) {
            check_dxy(scratch_dx, v->name);
            check_dxy(scratch_dy, v->name);
            TEX_get_scale(v->name, v->ref, v->flags, scratch_dx, scratch_dy, &v->img_dx, &v->img_dy, &v->tex_dx,
                          &v->tex_dy, tex_src_scratch);
            v->pixels = scratch_array;
            result = tex_src_scratch;
        }
    } else if (!v->name.empty()) {
        if (load_any_into_scratch(v->name, v->ref, v->flags, v->format, v->has_mips, v->bpp, v->follow_alpha,
                                  &v->img_dx, &v->img_dy, &v->tex_dx, &v->tex_dy)) {
            v->pixels = scratch_array_temp;
            result = tex_src_file;
        }
    }
    if (v->flags & tex_from_scratch) v->pixels = scratch_array;
    return result;
}

// ---- deferred ----------------------------------------------------------------------

void tman_class::load_all_scenery_texes()
{
    tman_hold hold(*this);
    float total = 0;
    for (std::size_t r = async_index; r < ref_dat.size(); ++r)
        if (ref_dat[r].load_time == tex_load_scenery) total += 1;
    int done = 0;
    for (std::size_t r = async_index; r < ref_dat.size(); ++r) {
        if (ref_dat[r].load_time != tex_load_scenery) continue;
        const std::string name = ref_dat[r].name;
        load_texture_int(tex_fail_mode(ref_dat[r].fail_mode), int(r), ref_dat[r].flags, name);
        if (done % 40 == 0) {
            float progress = float(done) / total;
            hold.release();
            TEX_show_status("Loading scenery texture " + after_last_slash(name) + ".", &progress);
            hold.take();
        }
        ++done;
    }
    async_index = int(ref_dat.size());
}

void tman_class::force_load_tex(int ref)
{
    tman_hold hold(*this);
    if (ref < 0 || std::size_t(ref) >= ref_dat.size()) {
        xer << "force_load_tex: ref " << ref << " is outside the table, ignored\n";
        return;
    }
    const ref_dat_struct e = ref_dat[ref];
    if (e.load_time != tex_load_now) load_texture_int(tex_fail_mode(e.fail_mode), ref, e.flags, e.name);
}

int tman_class::load_scenery_async_register(tman_force_finish_obj* finisher)
{
    for (std::size_t r = async_index; r < ref_dat.size(); ++r) {
        if (ref_dat[r].load_time != tex_load_scenery) continue;
        async_vars = tex_load_vars{};
        async_vars.ref = int(r);
        async_vars.flags = ref_dat[r].flags;
        async_vars.fail_mode = tex_fail_mode(ref_dat[r].fail_mode);
        async_vars.name = ref_dat[r].name;
        async_job = &async_vars;
        async_finisher = finisher;
        return 1;
    }
    async_index = int(ref_dat.size());
    return 0;
}

void tman_class::load_scenery_async_work()
{
    if (async_job) async_result = load_texture_io(async_job);
}

void tman_class::load_scenery_async_finalize()
{
    if (!async_finisher) return;
    load_texture_ogl(async_job, async_result);
    async_finisher = nullptr;
    async_job = nullptr;
}

int tman_class::num_remaining_async_texes()
{
    tman_hold hold(*this);
    int n = 0;
    for (std::size_t r = async_index; r < ref_dat.size(); ++r)
        if (ref_dat[r].load_time == tex_load_scenery) ++n;
    return n;
}
