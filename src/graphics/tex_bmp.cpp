// tex_bmp.cpp - the BMP reader.
//   header   the 54 bytes read field by field, little-endian
//   pixels   one pass from the mapping into the destination rows
#include "graphics/tex_bmp.h"

#include "graphics/gamma.h"
#include "graphics/tex_rows.h"

#include "files/xmap.h"
#include "foundation/hooks.h"

#include <cstdint>

namespace {

// ---- header --------------------------------------------------------------------

// Reads the header from the cursor: a field that does not lie wholly in the
// file reads as 0, and so does every field after it.
struct bmp_reader {
    xmap_class* file;
    bool short_file = false;

    std::uint32_t field(int size)
    {
        if (short_file || file->end - file->cursor < size) {
            short_file = true;
            file->cursor = file->end;
            return 0;
        }
        const unsigned char* b = reinterpret_cast<const unsigned char*>(file->cursor);
        std::uint32_t v = 0;
        for (int i = size - 1; i >= 0; --i) v = (v << 8) | b[i];
        file->cursor += size;
        return v;
    }
};

struct bmp_header {
    std::uint32_t data_offset = 0;
    std::int32_t width = 0, height = 0;
    int bits = 0;
    std::uint32_t compression = 0;
};

bmp_header read_header(xmap_class* file)
{
    bmp_reader r{file};
    bmp_header h;
    r.field(2); // "BM", tested by the caller
    r.field(4); // file size
    r.field(2);
    r.field(2);
    h.data_offset = r.field(4);
    r.field(4); // information header size: a larger one is skipped through data_offset
    h.width = static_cast<std::int32_t>(r.field(4));
    h.height = static_cast<std::int32_t>(r.field(4));
    r.field(2); // planes
    h.bits = static_cast<int>(r.field(2));
    h.compression = r.field(4);
    for (int i = 0; i < 5; ++i) r.field(4); // data size, resolutions, colour counts
    return h;
}

// ---- pixels --------------------------------------------------------------------

// One row of pixels, B G R in, the wanted layout out. A template per layout,
// so that the per-pixel work is the conversion and the table lookups alone.
template <unsigned int Format>
void convert_row(const unsigned char* s, unsigned char* d, int width, const unsigned char* gamma)
{
    for (int x = 0; x < width; ++x, s += 3) {
        const unsigned char b = s[0], g = s[1], r = s[2];
        if constexpr (Format == GL_ALPHA) {
            d[x] = static_cast<unsigned char>((b + g + r) / 3);
        } else if constexpr (Format == GL_RGB) {
            d[3 * x] = gamma[r];
            d[3 * x + 1] = gamma[g];
            d[3 * x + 2] = gamma[b];
        } else {
            unsigned char* o = d + 4 * x;
            const bool magenta = r == 255 && g == 0 && b == 255; // tested before gamma
            o[0] = magenta ? 0 : gamma[r];
            o[1] = magenta ? 0 : gamma[g];
            o[2] = magenta ? 0 : gamma[b];
            o[3] = magenta ? 0 : 255;
        }
    }
}

template <unsigned int Format>
void convert_rows(const unsigned char* src, std::int64_t in_stride, unsigned char* dst, std::size_t out_stride,
                  int width, int height, const unsigned char* gamma)
{
    for (int y = 0; y < height; ++y) convert_row<Format>(src + y * in_stride, dst + y * out_stride, width, gamma);
}

const unsigned char* identity_table()
{
    static unsigned char t[256];
    static const bool made = [] {
        for (int i = 0; i < 256; ++i) t[i] = static_cast<unsigned char>(i);
        return true;
    }();
    (void)made;
    return t;
}

} // namespace

int TEX_load_bmp(const std::string& name, xmap_class* file, unsigned char*& pixels, std::size_t capacity,
                 unsigned int desired_format, int row_pixels, int make_pow2, TEX_image_desc& desc)
{
    if (!file || !file->begin || !file->cursor) return 0;
    const int bpp = desired_format == GL_RGB ? 3 : desired_format == GL_RGBA ? 4 : desired_format == GL_ALPHA ? 1 : 0;
    if (!bpp) MACIBM_alert(0, "Illegal desired format for bmp.", name, "", "", t_exit);
    file->swap_bytes = 0;
    const bmp_header h = read_header(file);
    if (h.bits != 24) MACIBM_alert(0, "Wrong bitmap color depth for texture!", "We need 24-bit color.", "", name, t_exit);
    if (h.compression != 0) MACIBM_alert(0, "Bitmap is compressed!", "", "", name, t_exit);
    desc.width = h.width;
    desc.height = h.height;
    desc.format = static_cast<int>(desired_format);
    desc.has_mips = 0;

    tex_rows plan;
    if (!TEX_plan_rows("TEX_load_bmp", name, h.width, h.height, bpp, row_pixels, make_pow2, pixels, capacity, plan))
        return 0;
    // The last row needs only its pixels, not its padding.
    const std::int64_t in_stride = (std::int64_t(h.width) * 3 + 3) / 4 * 4;
    const std::int64_t data_bytes = in_stride * (h.height - 1) + std::int64_t(h.width) * 3;
    const std::int64_t file_bytes = file->end - file->begin;
    if (std::int64_t(h.data_offset) + data_bytes > file_bytes) {
        TEX_log("TEX_load_bmp: " + name + ": pixel data at " + std::to_string(h.data_offset) + " for " +
                std::to_string(h.width) + " x " + std::to_string(h.height) + " pixels runs past the end of the file (" +
                std::to_string(file_bytes) + " bytes)");
        return 0;
    }
    unsigned char* allocated = nullptr;
    if (!TEX_prepare_rows("TEX_load_bmp", name, plan, pixels, allocated)) return 0;
    desc.pad = plan.pad;

    const unsigned char* gamma = colr_gamma.gamma_off == 0 ? colr_gamma.gamma_table : identity_table();
    const unsigned char* src = reinterpret_cast<const unsigned char*>(file->begin) + h.data_offset;
    if (desired_format == GL_ALPHA) convert_rows<GL_ALPHA>(src, in_stride, pixels, plan.stride, h.width, h.height, gamma);
    else if (desired_format == GL_RGB) convert_rows<GL_RGB>(src, in_stride, pixels, plan.stride, h.width, h.height, gamma);
    else convert_rows<GL_RGBA>(src, in_stride, pixels, plan.stride, h.width, h.height, gamma);
    return 1;
}
