// png_to_rgba.cpp - build-time tool: turns one of the pictures under art/ into
// the raw pixel block that the program embeds.
//
//   png_to_rgba <in.png> <width> <height> <out.rgba>
//
// The output is width x height pixels of R, G, B, A bytes, no header, no row
// padding, and the BOTTOM row of the picture first: the first row in memory is
// the first row handed to GL (t = 0), so the PNG (stored top row first, as it
// is looked at) is turned over here, once, at build time. A picture of any
// other size fails the build. Any PNG colour type or bit depth is accepted.
#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

int fail(const std::string& what)
{
    std::fprintf(stderr, "png_to_rgba: %s\n", what.c_str());
    return 1;
}

struct png_reader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~png_reader() { png_destroy_read_struct(&png, &info, nullptr); }
};

// Decodes path into 8-bit RGBA rows, top row first. False on any error.
bool read_png(const char* path, std::vector<unsigned char>& pixels, png_uint_32& w, png_uint_32& h)
{
    FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    png_reader r;
    r.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (r.png) r.info = png_create_info_struct(r.png);
    if (!r.png || !r.info || setjmp(png_jmpbuf(r.png))) {
        std::fclose(f);
        return false;
    }
    png_init_io(r.png, f);
    png_read_info(r.png, r.info);
    w = png_get_image_width(r.png, r.info);
    h = png_get_image_height(r.png, r.info);
    const int colour = png_get_color_type(r.png, r.info);
    if (png_get_bit_depth(r.png, r.info) == 16) png_set_strip_16(r.png);
    if (colour == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(r.png);
    if (colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(r.png);
    if (png_get_bit_depth(r.png, r.info) < 8) png_set_expand(r.png);
    if (png_get_valid(r.png, r.info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(r.png);
    if (!(colour & PNG_COLOR_MASK_ALPHA)) png_set_filler(r.png, 0xff, PNG_FILLER_AFTER);
    png_read_update_info(r.png, r.info);
    if (png_get_rowbytes(r.png, r.info) != std::size_t(w) * 4) {
        std::fclose(f);
        return false;
    }
    pixels.assign(std::size_t(w) * h * 4, 0);
    std::vector<png_bytep> rows(h);
    for (png_uint_32 y = 0; y < h; ++y) rows[y] = pixels.data() + std::size_t(y) * w * 4;
    png_read_image(r.png, rows.data());
    png_read_end(r.png, nullptr);
    std::fclose(f);
    return true;
}

// Writes the rows bottom first through a temporary file, so that a failed run
// never leaves a half-written block that a later build would take as done.
bool write_bottom_up(const std::string& path, const std::vector<unsigned char>& pixels, png_uint_32 w,
                     png_uint_32 h)
{
    const std::string tmp = path + ".tmp";
    FILE* f = std::fopen(tmp.c_str(), "wb");
    if (!f) return false;
    const std::size_t row = std::size_t(w) * 4;
    bool ok = true;
    for (png_uint_32 y = h; ok && y-- > 0;) ok = std::fwrite(pixels.data() + y * row, 1, row, f) == row;
    ok = (std::fclose(f) == 0) && ok;
    if (ok) ok = std::rename(tmp.c_str(), path.c_str()) == 0;
    if (!ok) std::remove(tmp.c_str());
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 5) return fail("usage: png_to_rgba <in.png> <width> <height> <out.rgba>");
    const unsigned long want_w = std::strtoul(argv[2], nullptr, 10);
    const unsigned long want_h = std::strtoul(argv[3], nullptr, 10);
    std::vector<unsigned char> pixels;
    png_uint_32 w = 0, h = 0;
    if (!read_png(argv[1], pixels, w, h)) return fail(std::string("cannot decode ") + argv[1]);
    if (w != want_w || h != want_h)
        return fail(std::string(argv[1]) + " is " + std::to_string(w) + " x " + std::to_string(h) +
                    ", the program needs " + argv[2] + " x " + argv[3]);
    if (!write_bottom_up(argv[4], pixels, w, h))
        return fail(std::string("cannot write ") + argv[4] + ": " + std::strerror(errno));
    return 0;
}
