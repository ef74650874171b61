// tex_dds.cpp - the DDS reader and writer.
//   layout   header offsets and flags
//   reading  TEX_load_dds
//   writing  the header, the working copy and its levels, TEX_save_dds
#include "graphics/tex_dds.h"

#include "graphics/tex_out_file.h"

#include "files/xmap.h"
#include "foundation/hl_types.h"
#include "foundation/hooks.h"

#include <squish.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// ---- layout --------------------------------------------------------------------

constexpr std::size_t dds_header_bytes = 128;
constexpr int off_flags = 8, off_height = 12, off_width = 16, off_linear_size = 20, off_mip_count = 28;
constexpr int off_pf_size = 76, off_pf_flags = 80, off_fourcc = 84, off_caps1 = 108;
constexpr std::uint32_t flag_mip_count = 0x20000, caps_mipmap = 0x400000;
constexpr std::uint32_t pf_alpha = 0x1, pf_fourcc = 0x4, pf_rgb = 0x40;

std::uint32_t le32(const unsigned char* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24); }

void put_le32(unsigned char* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

// The format the pixel-format block names; 0 when none this reader takes.
int dds_format(const unsigned char* h)
{
    const std::uint32_t pf = le32(h + off_pf_flags);
    int format = 0;
    if (pf & pf_fourcc) {
        const unsigned char* cc = h + off_fourcc;
        if (!std::memcmp(cc, "DXT1", 4)) format = GL_COMPRESSED_RGB_S3TC_DXT1_EXT;
        else if (!std::memcmp(cc, "DXT3", 4)) format = GL_COMPRESSED_RGBA_S3TC_DXT3_EXT;
        else if (!std::memcmp(cc, "DXT5", 4)) format = GL_COMPRESSED_RGBA_S3TC_DXT5_EXT;
        else return 0;
    }
    // The RGB bit wins over a FourCC: such files hold B G R (A) bytes.
    if (pf & pf_rgb) format = (pf & pf_alpha) ? GL_BGRA : GL_BGR;
    return format;
}

} // namespace

// ---- reading -------------------------------------------------------------------

int TEX_load_dds(const std::string& name, xmap_class* file, const unsigned char*& pixels, TEX_image_desc& desc)
{
    if (!file || !file->begin) return 0;
    const std::int64_t file_bytes = file->end - file->begin;
    const unsigned char* h = reinterpret_cast<const unsigned char*>(file->begin);
    if (file_bytes < 4 || std::memcmp(h, "DDS ", 4) != 0) return 0;
    desc.format = 0;
    if (file_bytes < std::int64_t(dds_header_bytes)) {
        TEX_log("TEX_load_dds: " + name + ": header cut short at " + std::to_string(file_bytes) + " bytes");
        return 0;
    }
    desc.format = dds_format(h);
    if (!desc.format) return 0;
    desc.width = static_cast<std::int32_t>(le32(h + off_width));
    desc.height = static_cast<std::int32_t>(le32(h + off_height));
    desc.pad = 0;
    desc.has_mips = (le32(h + off_flags) & flag_mip_count) && (le32(h + off_caps1) & caps_mipmap) ? 1 : 0;
    if (!TEX_sides_ok(desc.width, desc.height, "TEX_load_dds", name)) return 0;
    const std::int64_t needed = TEX_bytes_needed_for_image(desc);
    if (needed <= 0 || std::int64_t(dds_header_bytes) + needed > file_bytes) {
        TEX_log("TEX_load_dds: " + name + ": " + std::to_string(needed) + " bytes of levels claimed, " +
                std::to_string(file_bytes - std::int64_t(dds_header_bytes)) + " in the file");
        return 0;
    }
    pixels = h + dds_header_bytes;
    return 1;
}

// ---- writing -------------------------------------------------------------------

namespace {

int level_count(int w, int h)
{
    int n = 1;
    for (; w > 1 || h > 1; ++n) {
        if (w > 1) w /= 2;
        if (h > 1) h /= 2;
    }
    return n;
}

void make_header(unsigned char* out, const TEX_image_desc& d, int dxt_flag)
{
    std::memset(out, 0, dds_header_bytes);
    std::memcpy(out, "DDS ", 4);
    put_le32(out + 4, 124);
    put_le32(out + off_flags, 0xA1007);
    put_le32(out + off_height, static_cast<std::uint32_t>(d.height));
    put_le32(out + off_width, static_cast<std::uint32_t>(d.width));
    put_le32(out + off_linear_size, static_cast<std::uint32_t>(squish::GetStorageRequirements(d.width, d.height, dxt_flag)));
    put_le32(out + off_mip_count, static_cast<std::uint32_t>(level_count(d.width, d.height)));
    put_le32(out + off_pf_size, 32);
    put_le32(out + off_pf_flags, pf_fourcc);
    std::memcpy(out + off_fourcc, dxt_flag == squish::kDxt1 ? "DXT1" : "DXT5", 4);
    put_le32(out + off_caps1, 0x401008);
}

// The working copy: RGBA, top row first, packed.
std::vector<unsigned char> working_copy(const unsigned char* pixels, const TEX_image_desc& d)
{
    const int bpp = TEX_bytes_per_pixel(d.format);
    const std::size_t stride = std::size_t(d.width) * bpp + std::size_t(d.pad);
    std::vector<unsigned char> rgba(std::size_t(d.width) * d.height * 4);
    for (int r = 0; r < d.height; ++r) {
        const unsigned char* s = pixels + std::size_t(r) * stride;
        unsigned char* o = rgba.data() + std::size_t(d.height - 1 - r) * d.width * 4;
        for (int x = 0; x < d.width; ++x, s += bpp, o += 4) {
            o[0] = s[0];
            o[1] = s[1];
            o[2] = s[2];
            o[3] = bpp == 4 ? s[3] : 255;
        }
    }
    return rgba;
}

// Shrinks the packed RGBA copy of w x h in place to the next level: 2 x 2
// blocks, or pairs along the one side that is still above 1 (truncating).
void shrink_level(unsigned char* p, int w, int h)
{
    const int fx = w > 1 ? 2 : 1, fy = h > 1 ? 2 : 1, shift = (fx == 2) + (fy == 2);
    const int nw = w / fx, nh = h / fy;
    for (int y = 0; y < nh; ++y)
        for (int x = 0; x < nw; ++x)
            for (int c = 0; c < 4; ++c) {
                int sum = 0;
                for (int j = 0; j < fy; ++j)
                    for (int i = 0; i < fx; ++i) sum += p[((std::size_t(y) * fy + j) * w + std::size_t(x) * fx + i) * 4 + c];
                p[(std::size_t(y) * nw + x) * 4 + c] = static_cast<unsigned char>(sum >> shift);
            }
}

} // namespace

int TEX_save_dds(const std::string& path, const unsigned char* pixels, const TEX_image_desc& desc)
{
    if (desc.format != GL_RGBA && desc.format != GL_RGB)
        MACIBM_alert(0, "rel_assert Error! Possibly an out of range vector! Attach the debugger and see who called this!",
                     "in_desc.format == GL_RGBA || in_desc.format == GL_RGB", "TEX_save_dds",
                     "Please report this to Veltrane Labs.", t_exit);
    if (!TEX_sides_ok(desc.width, desc.height, "TEX_save_dds", path) || !pixels || desc.pad < 0) return 0;
    tex_out_file out;
    if (!out.open(app_path + path)) return 0;
    const int dxt = desc.format == GL_RGB ? squish::kDxt1 : squish::kDxt5;
    std::vector<unsigned char> rgba = working_copy(pixels, desc);
    std::vector<unsigned char> blocks(static_cast<std::size_t>(squish::GetStorageRequirements(desc.width, desc.height, dxt)));
    unsigned char header[dds_header_bytes];
    make_header(header, desc, dxt);
    out.write(header, sizeof header);
    for (int w = desc.width, h = desc.height;;) {
        squish::CompressImage(rgba.data(), w, h, blocks.data(), dxt | squish::kColourIterativeClusterFit);
        out.write(blocks.data(), static_cast<std::size_t>(squish::GetStorageRequirements(w, h, dxt)));
        if (w == 1 && h == 1) break;
        shrink_level(rgba.data(), w, h);
        if (w > 1) w /= 2;
        if (h > 1) h /= 2;
    }
    return out.commit();
}
