// image_builder.h - image files made by code for the image tests, the fuzz
// seeds and the benchmarks: PNG files of any colour type and depth written
// with libpng, BMP files and DDS headers written byte by byte (hostile ones
// included).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct png_spec {
    int width = 1, height = 1;
    int colour_type = 2;              // PNG colour type: 0 grey, 2 RGB, 3 palette, 4 grey+alpha, 6 RGBA
    int bit_depth = 8;
    std::vector<unsigned char> rows;  // top row first, each row packed as the PNG stores it
    std::vector<unsigned char> palette; // R G B triples (colour type 3)
    std::vector<unsigned char> trns;    // palette alphas; or for 0/2 the transparent grey / R G B (16-bit values, 1 or 3)
    double gamma = 0;                 // gAMA value (1/2.2 = 0.45455); 0: no chunk
    bool interlace = false;
    int compression_level = 6;
};

// The PNG file of picture, or "" when libpng refused it.
std::string make_png(const png_spec& picture);

// An 8-bit RGBA picture of w x h, top row first, with pixels from fn(x, y) (y from the top).
template <typename Fn>
png_spec rgba_png_spec(int w, int h, Fn fn)
{
    png_spec s;
    s.width = w;
    s.height = h;
    s.colour_type = 6;
    s.rows.resize(std::size_t(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::uint32_t v = fn(x, y); // 0xRRGGBBAA
            unsigned char* p = &s.rows[(std::size_t(y) * w + x) * 4];
            p[0] = v >> 24;
            p[1] = (v >> 16) & 0xFF;
            p[2] = (v >> 8) & 0xFF;
            p[3] = v & 0xFF;
        }
    return s;
}

struct bmp_spec {
    std::int32_t width = 1, height = 1;
    int bits = 24;
    std::uint32_t compression = 0;
    std::uint32_t data_offset = 54;   // bytes between are filled with 0
    std::string bgr_rows;             // file order (bottom row first), each row 3 x width bytes, unpadded
    std::size_t cut_to = SIZE_MAX;    // the file is cut to this many bytes
};

// The BMP file of picture: the 54-byte header, then each row padded to 4 bytes.
std::string make_bmp(const bmp_spec& picture);

struct dds_spec {
    std::uint32_t flags = 0x1007;     // header flags (0x20000: mip-map count present)
    std::int32_t width = 4, height = 4;
    std::uint32_t pf_flags = 0x4;     // 0x4 FourCC, 0x40 RGB, 0x1 alpha pixels
    std::string fourcc = "DXT1";
    std::uint32_t caps1 = 0x1000;     // 0x400000: mip map
    std::string data;                 // the bytes after the 128-byte header
};

// The DDS file of picture: "DDS ", the header fields above (others 0), then data.
std::string make_dds(const dds_spec& picture);
