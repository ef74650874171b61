// image_builder.cpp - image files made by code.
#include "support/image_builder.h"

#include <png.h>

#include <csetjmp>
#include <algorithm>
#include <cstring>

namespace {

void append_bytes(png_structp png, png_bytep data, size_t length)
{
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}

void no_flush(png_structp) {}

// Plain data only: libpng may longjmp out of the calls below.
struct png_job {
    const png_spec* picture;
    std::string* out;
    png_bytep* rows;
    png_structp png;
    png_infop info;
};

bool write_png(png_job& job)
{
    const png_spec& s = *job.picture;
    job.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!job.png) return false;
    job.info = png_create_info_struct(job.png);
    if (!job.info || setjmp(png_jmpbuf(job.png))) {
        png_destroy_write_struct(&job.png, &job.info);
        return false;
    }
    png_set_write_fn(job.png, job.out, append_bytes, no_flush);
    png_set_compression_level(job.png, s.compression_level);
    png_set_IHDR(job.png, job.info, s.width, s.height, s.bit_depth, s.colour_type,
                 s.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_color pal[256];
    const int entries = static_cast<int>(s.palette.size() / 3);
    for (int i = 0; i < entries && i < 256; ++i) pal[i] = {s.palette[3 * i], s.palette[3 * i + 1], s.palette[3 * i + 2]};
    if (entries) png_set_PLTE(job.png, job.info, pal, entries);
    if (!s.trns.empty()) {
        if (s.colour_type == PNG_COLOR_TYPE_PALETTE) {
            png_set_tRNS(job.png, job.info, s.trns.data(), static_cast<int>(s.trns.size()), nullptr);
        } else {
            png_color_16 c{};
            c.gray = c.red = s.trns[0];
            if (s.trns.size() >= 3) {
                c.green = s.trns[1];
                c.blue = s.trns[2];
            }
            png_set_tRNS(job.png, job.info, nullptr, 0, &c);
        }
    }
    if (s.gamma > 0) png_set_gAMA(job.png, job.info, s.gamma);
    png_write_info(job.png, job.info);
    png_write_image(job.png, job.rows);
    png_write_end(job.png, job.info);
    png_destroy_write_struct(&job.png, &job.info);
    return true;
}

void put(std::string& s, std::size_t at, std::uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

} // namespace

std::string make_png(const png_spec& picture)
{
    const std::size_t channels = picture.colour_type == 2 ? 3 : picture.colour_type == 4 ? 2 : picture.colour_type == 6 ? 4 : 1;
    const std::size_t row_bytes = (std::size_t(picture.width) * channels * picture.bit_depth + 7) / 8;
    if (picture.rows.size() < row_bytes * picture.height) return "";
    std::vector<png_bytep> rows(picture.height);
    for (int i = 0; i < picture.height; ++i) rows[i] = const_cast<png_bytep>(picture.rows.data() + i * row_bytes);
    std::string out;
    png_job job{&picture, &out, rows.data(), nullptr, nullptr};
    return write_png(job) ? out : "";
}

std::string make_bmp(const bmp_spec& picture)
{
    // An offset past the cut is never filled up to: the file ends at the cut.
    const std::size_t data_at = picture.data_offset, fill_to = std::max<std::size_t>(54, std::min(data_at, picture.cut_to));
    std::string f(fill_to, '\0');
    f[0] = 'B';
    f[1] = 'M';
    put(f, 10, picture.data_offset, 4);
    put(f, 14, 40, 4);
    put(f, 18, static_cast<std::uint32_t>(picture.width), 4);
    put(f, 22, static_cast<std::uint32_t>(picture.height), 4);
    put(f, 26, 1, 2);
    put(f, 28, static_cast<std::uint32_t>(picture.bits), 2);
    put(f, 30, picture.compression, 4);
    if (data_at > fill_to) {
        f.resize(std::min(f.size(), picture.cut_to));
        return f;
    }
    f.resize(data_at, '\0');
    const std::size_t w3 = picture.width > 0 ? std::size_t(picture.width) * 3 : 0;
    const std::size_t padded = (w3 + 3) / 4 * 4;
    for (std::size_t at = 0; w3 && at + w3 <= picture.bgr_rows.size(); at += w3)
        f += picture.bgr_rows.substr(at, w3) + std::string(padded - w3, '\0');
    put(f, 2, static_cast<std::uint32_t>(f.size()), 4);
    if (f.size() > picture.cut_to) f.resize(picture.cut_to);
    return f;
}

std::string make_dds(const dds_spec& picture)
{
    std::string f(128, '\0');
    std::memcpy(&f[0], "DDS ", 4);
    put(f, 4, 124, 4);
    put(f, 8, picture.flags, 4);
    put(f, 12, static_cast<std::uint32_t>(picture.height), 4);
    put(f, 16, static_cast<std::uint32_t>(picture.width), 4);
    put(f, 76, 32, 4);
    put(f, 80, picture.pf_flags, 4);
    for (std::size_t i = 0; i < 4 && i < picture.fourcc.size(); ++i) f[84 + i] = picture.fourcc[i];
    put(f, 108, picture.caps1, 4);
    return f + picture.data;
}
