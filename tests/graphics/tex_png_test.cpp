// PNG files: the layout table over colour types and depths, the display gamma,
// the destination geometry and its refusals, damaged files, and the writer.
#include "graphics/tex_png.h"
#include "graphics/tex_rows.h"

#include "foundation/hl_types.h"
#include "image_fixture.h"
#include "support/image_builder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>

namespace {

using bytes = std::vector<unsigned char>;
constexpr double gamma_2_2 = 0.45455; // a file made for the display gamma keeps its values

png_spec picture(int w, int h, int colour_type, int depth, bytes rows, double gamma = gamma_2_2)
{
    png_spec s;
    s.width = w;
    s.height = h;
    s.colour_type = colour_type;
    s.bit_depth = depth;
    s.rows = std::move(rows);
    s.gamma = gamma;
    return s;
}

struct loaded {
    int result = -1;
    TEX_image_desc desc{};
    bytes pixels; // the whole buffer the reader allocated
};

// Loads file into a buffer the reader allocates.
loaded load(const std::string& file, unsigned int desired, int follow_alpha, int row_pixels = 0, int pow2 = 0)
{
    mapped_file f(file);
    loaded out;
    unsigned char* px = nullptr;
    out.result = TEX_load_png("t.png", f.get(), px, 0, desired, row_pixels, pow2, follow_alpha, out.desc);
    if (px) {
        const std::size_t bpp = TEX_bytes_per_pixel(out.desc.format);
        const std::size_t rows = pow2 ? TEX_next_pow2(out.desc.height) : out.desc.height;
        out.pixels.assign(px, px + (bpp * out.desc.width + out.desc.pad) * rows);
        std::free(px);
    }
    return out;
}

// Two rows of two pixels, top row first in the file: TL TR / BL BR.
const bytes rgb_2x2 = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};
const bytes rgba_2x2 = {10, 20, 30, 0, 40, 50, 60, 128, 70, 80, 90, 255, 100, 110, 120, 7};

png_spec palette_with_trns()
{
    png_spec s = picture(2, 1, 3, 8, {0, 1});
    s.palette = {255, 0, 0, 0, 0, 255};
    s.trns = {0x40};
    return s;
}

png_spec rgb_with_trns()
{
    png_spec s = picture(2, 1, 2, 8, {1, 2, 3, 4, 5, 6});
    s.trns = {4, 5, 6};
    return s;
}

TEST(LoadPng, LayoutTable)
{
    const struct {
        const char* what;
        png_spec file;
        unsigned int desired;
        int follow_alpha;
        int format;
        bytes want; // bottom-up rows, packed
    } cases[] = {
        {"RGB as RGB", picture(2, 2, 2, 8, rgb_2x2), GL_RGB, 0, GL_RGB, {70, 80, 90, 100, 110, 120, 10, 20, 30, 40, 50, 60}},
        {"RGB as RGBA: alpha 255", picture(2, 2, 2, 8, rgb_2x2), GL_RGBA, 0, GL_RGBA,
         {70, 80, 90, 255, 100, 110, 120, 255, 10, 20, 30, 255, 40, 50, 60, 255}},
        {"RGB as RGBA following alpha: RGB", picture(2, 2, 2, 8, rgb_2x2), GL_RGBA, 1, GL_RGB,
         {70, 80, 90, 100, 110, 120, 10, 20, 30, 40, 50, 60}},
        {"RGBA as RGB: alpha dropped", picture(2, 2, 6, 8, rgba_2x2), GL_RGB, 0, GL_RGB,
         {70, 80, 90, 100, 110, 120, 10, 20, 30, 40, 50, 60}},
        {"RGBA as RGB following alpha: RGBA", picture(2, 2, 6, 8, rgba_2x2), GL_RGB, 1, GL_RGBA,
         {70, 80, 90, 255, 100, 110, 120, 7, 10, 20, 30, 0, 40, 50, 60, 128}},
        {"RGBA as RGBA", picture(2, 2, 6, 8, rgba_2x2), GL_RGBA, 1, GL_RGBA,
         {70, 80, 90, 255, 100, 110, 120, 7, 10, 20, 30, 0, 40, 50, 60, 128}},
        {"RGBA as ALPHA: the grey level, not the alpha", picture(1, 1, 6, 8, {100, 100, 100, 7}), GL_ALPHA, 0, GL_ALPHA, {100}},
        {"1-bit grey as RGB: 0 or 255", picture(2, 2, 0, 1, {0x80, 0x40}), GL_RGB, 0, GL_RGB,
         {0, 0, 0, 255, 255, 255, 255, 255, 255, 0, 0, 0}},
        {"16-bit RGB as RGBA", picture(1, 1, 2, 16, {0xAB, 0x12, 0xCD, 0x34, 0xEF, 0x56}), GL_RGBA, 0, GL_RGBA,
         {0xAB, 0xCD, 0xEF, 255}},
        {"palette with tRNS as RGBA", palette_with_trns(), GL_RGBA, 0, GL_RGBA, {255, 0, 0, 64, 0, 0, 255, 255}},
        {"palette with tRNS as RGB", palette_with_trns(), GL_RGB, 0, GL_RGB, {255, 0, 0, 0, 0, 255}},
        {"palette with tRNS as RGBA following alpha", palette_with_trns(), GL_RGBA, 1, GL_RGBA,
         {255, 0, 0, 64, 0, 0, 255, 255}},
        {"RGB with a tRNS colour following alpha", rgb_with_trns(), GL_RGB, 1, GL_RGBA, {1, 2, 3, 255, 4, 5, 6, 0}},
        {"grey with alpha as RGBA", picture(1, 1, 4, 8, {77, 200}), GL_RGBA, 0, GL_RGBA, {77, 77, 77, 200}},
        {"grey as ALPHA", picture(2, 1, 0, 8, {5, 250}), GL_ALPHA, 0, GL_ALPHA, {5, 250}},
        {"2-bit grey as ALPHA", picture(4, 1, 0, 2, {0x1B}), GL_ALPHA, 0, GL_ALPHA, {0, 85, 170, 255}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string file = make_png(c.file);
        ASSERT_FALSE(file.empty());
        const loaded l = load(file, c.desired, c.follow_alpha);
        ASSERT_EQ(l.result, 1);
        EXPECT_EQ(l.desc.format, c.format);
        EXPECT_EQ(l.desc.width, c.file.width);
        EXPECT_EQ(l.desc.height, c.file.height);
        EXPECT_EQ(l.desc.pad, 0);
        EXPECT_EQ(l.desc.has_mips, 0);
        EXPECT_EQ(l.pixels, c.want);
    }
}

TEST(LoadPng, InterlacedPicturesArriveWhole)
{
    std::mt19937 rng(11);
    bytes rgba(5 * 7 * 4);
    for (auto& v : rgba) v = static_cast<unsigned char>(rng());
    png_spec s = picture(5, 7, 6, 8, rgba);
    s.interlace = true;
    const loaded l = load(make_png(s), GL_RGBA, 0);
    ASSERT_EQ(l.result, 1);
    for (int y = 0; y < 7; ++y) // buffer row y is file row 6 - y
        EXPECT_EQ(bytes(l.pixels.begin() + y * 20, l.pixels.begin() + y * 20 + 20),
                  bytes(rgba.begin() + (6 - y) * 20, rgba.begin() + (6 - y) * 20 + 20)) << y;
}

TEST(LoadPng, DisplayGamma)
{
    const bytes grey = {128, 128, 128};
    // Without gAMA a picture is taken as made for 1.8 and brightened for 2.2.
    EXPECT_EQ(load(make_png(picture(1, 1, 2, 8, grey, 0)), GL_RGB, 0).pixels, (bytes{145, 145, 145}));
    EXPECT_EQ(load(make_png(picture(1, 1, 2, 8, grey, gamma_2_2)), GL_RGB, 0).pixels, grey);
    colr_gamma.display_gamma = 1.8;
    EXPECT_EQ(load(make_png(picture(1, 1, 2, 8, grey, 0)), GL_RGB, 0).pixels, grey);
    colr_gamma.reset();
}

TEST(LoadPng, PowerOfTwoCanvasIsClearedAroundThePicture)
{
    bytes rgba(100 * 60 * 4, 0x11);
    const std::string file = make_png(picture(100, 60, 6, 8, rgba));
    mapped_file f(file);
    bytes buffer(32768 + 16, 0xEE);
    unsigned char* px = buffer.data();
    TEX_image_desc d{};
    ASSERT_EQ(TEX_load_png("t.png", f.get(), px, buffer.size(), GL_RGBA, 0, 1, 0, d), 1);
    EXPECT_EQ(px, buffer.data());
    EXPECT_EQ(d.pad, 112);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 512; ++x) ASSERT_EQ(buffer[y * 512 + x], y < 60 && x < 400 ? 0x11 : 0) << y << "," << x;
    EXPECT_EQ(buffer[32768], 0xEE); // nothing past the canvas
    // A buffer the reader allocates is the whole canvas, cleared the same way.
    const loaded own = load(file, GL_RGBA, 0, 0, 1);
    ASSERT_EQ(own.pixels.size(), 32768u);
    EXPECT_EQ(own.pixels[59 * 512 + 399], 0x11);
    EXPECT_EQ(own.pixels[59 * 512 + 400], 0);
    EXPECT_EQ(own.pixels[32767], 0);
    // A picture that is already a canvas: nothing cleared.
    const std::string square = make_png(picture(128, 64, 6, 8, bytes(128 * 64 * 4, 0x22)));
    mapped_file g(square);
    bytes big(128 * 64 * 4 + 4, 0xEE);
    px = big.data();
    ASSERT_EQ(TEX_load_png("t.png", g.get(), px, big.size(), GL_RGBA, 0, 1, 0, d), 1);
    EXPECT_EQ(d.pad, 0);
    EXPECT_EQ(big[128 * 64 * 4], 0xEE);
}

TEST(LoadPng, LongerRowsKeepTheirPadBytes)
{
    const std::string file = make_png(picture(300, 2, 6, 8, bytes(300 * 2 * 4, 0x33)));
    mapped_file f(file);
    bytes buffer(2 * 8192, 0xEE);
    unsigned char* px = buffer.data();
    TEX_image_desc d{};
    ASSERT_EQ(TEX_load_png("t.png", f.get(), px, buffer.size(), GL_RGBA, 2048, 0, 0, d), 1);
    EXPECT_EQ(d.pad, 6992);
    for (int y = 0; y < 2; ++y) {
        EXPECT_EQ(buffer[y * 8192 + 1199], 0x33);
        EXPECT_EQ(buffer[y * 8192 + 1200], 0xEE);
        EXPECT_EQ(buffer[y * 8192 + 8191], 0xEE);
    }
}

TEST(LoadPng, DestinationsThatCannotHoldThePictureAreRefused)
{
    const std::string pic = make_png(picture(300, 2, 6, 8, bytes(300 * 2 * 4, 0x33)));
    const std::string wide = make_png(picture(4096, 1, 0, 8, bytes(4096, 1)));
    const struct {
        const char* what;
        const std::string* file;
        std::size_t capacity;
        int row_pixels, pow2;
        const char* logged;
    } cases[] = {
        {"rows shorter than the picture", &pic, 1 << 20, 200, 0, "rows of 200 pixels"},
        {"one byte short", &pic, 300 * 2 * 4 - 1, 0, 0, "needs 2400 bytes"},
        {"longer rows beyond the buffer", &pic, 8192 + 1200, 2048, 0, "needs 16384 bytes"},
        {"canvas beyond the buffer", &pic, 300 * 2 * 4, 0, 1, "needs 4096 bytes"},
        {"wider than 2048", &wide, 1 << 20, 0, 0, "image size 4096 x 1 outside 1..2048"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        xer_capture log;
        mapped_file f(*c.file);
        bytes buffer(c.capacity + 64, 0xEE);
        unsigned char* px = buffer.data();
        TEX_image_desc d{};
        EXPECT_EQ(TEX_load_png("t.png", f.get(), px, c.capacity, GL_RGBA, c.row_pixels, c.pow2, 0, d), 0);
        EXPECT_EQ(buffer, bytes(c.capacity + 64, 0xEE));
        EXPECT_NE(log.text().find(c.logged), std::string::npos) << log.text();
    }
}

// The bytes of a chunk's data start after its 8-byte length and type.
std::size_t chunk_at(const std::string& file, const char* type) { return file.find(type) + 4; }

std::size_t chunk_length(const std::string& file, const char* type)
{
    const auto* b = reinterpret_cast<const unsigned char*>(file.data() + file.find(type) - 4);
    return (std::size_t(b[0]) << 24) | (b[1] << 16) | (b[2] << 8) | b[3];
}

TEST(LoadPng, DamagedFilesEndInTheFatalAlert)
{
    const std::string good = make_png(picture(16, 16, 6, 8, bytes(16 * 16 * 4, 0x44)));
    std::string bad_crc = good;
    bad_crc[chunk_at(good, "IDAT") + chunk_length(good, "IDAT")] ^= 0x5A;
    const std::string sig_only = good.substr(0, 8);
    const std::string cut = good.substr(0, chunk_at(good, "IDAT") + 4);
    std::string bad_sig = good;
    bad_sig[1] = 'Q';
    const struct {
        const char* what;
        std::string file;
        const char* png_error; // the notice libpng's message raises first; null: none
        const char* fatal_line2;
    } cases[] = {
        {"8-byte signature alone", sig_only, "PNG Read Error, overran end of buffer!", "setjmp(png_ptr->jmpbuf"},
        {"cut inside IDAT", cut, "PNG Read Error, overran end of buffer!", "setjmp(png_ptr->jmpbuf"},
        {"IDAT CRC wrong", bad_crc, "IDAT: CRC error", "setjmp(png_ptr->jmpbuf"},
        {"not a PNG signature", bad_sig, nullptr, "is_png=!png_sig_cmp(png_io_buf,0,8)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        alert_recorder rec;
        mapped_file f(c.file);
        unsigned char* px = nullptr;
        TEX_image_desc d{};
        EXPECT_THROW(TEX_load_png("t.png", f.get(), px, 0, GL_RGBA, 0, 0, 0, d), fatal_alert);
        EXPECT_EQ(px, nullptr); // an allocated buffer is freed on the way out
        const auto& a = rec.alerts();
        ASSERT_EQ(a.size(), c.png_error ? 2u : 1u);
        if (c.png_error) {
            EXPECT_EQ(a[0].type, t_alert);
            EXPECT_EQ(a[0].lines.l1, "PNG error!");
            EXPECT_EQ(a[0].lines.l2, c.png_error);
        }
        EXPECT_EQ(a.back().type, t_exit);
        EXPECT_EQ(a.back().lines.l1, "PING-FILE ERROR!");
        EXPECT_EQ(a.back().lines.l2, c.fatal_line2);
        EXPECT_EQ(a.back().lines.l3, "t.png");
    }
}

TEST(LoadPng, ShortFilesAndBadArguments)
{
    alert_recorder rec;
    const std::string good = make_png(picture(1, 1, 2, 8, {1, 2, 3}));
    TEX_image_desc d{};
    unsigned char* px = nullptr;
    mapped_file seven(good.substr(0, 7));
    EXPECT_EQ(TEX_load_png("t.png", seven.get(), px, 0, GL_RGB, 0, 0, 0, d), 0);
    xmap_class nothing("");
    EXPECT_EQ(TEX_load_png("t.png", &nothing, px, 0, GL_RGB, 0, 0, 0, d), 0);
    EXPECT_TRUE(rec.alerts().empty());
    mapped_file f(good);
    EXPECT_THROW(TEX_load_png("t.png", f.get(), px, 0, GL_BGRA, 0, 0, 0, d), fatal_alert);
    EXPECT_EQ(rec.alerts().back().lines.l1, "Illegal bits per pixel");
    EXPECT_EQ(px, nullptr);
}

TEST(LoadPng, WarningsAreLoggedAndDecodingGoesOn)
{
    std::string file = make_png(picture(1, 1, 2, 8, {128, 128, 128}));
    file[chunk_at(file, "gAMA") + 4] ^= 1; // the gAMA chunk's CRC no longer matches: it is dropped
    xer_capture log;
    const loaded l = load(file, GL_RGB, 0);
    ASSERT_EQ(l.result, 1);
    EXPECT_EQ(l.pixels, (bytes{145, 145, 145})); // without its gAMA, taken as made for 1.8
    EXPECT_NE(log.text().find("PNG warning! gAMA: CRC error, \n"), std::string::npos) << log.text();
}

TEST(SavePng, WrittenPicturesReadBackTheSame)
{
    temp_dir dir;
    const struct {
        int format;
        int w, h, pad;
    } cases[] = {{GL_RGB, 2, 2, 0}, {GL_RGBA, 3, 2, 4}, {GL_ALPHA, 5, 3, 3}};
    std::mt19937 rng(5);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        const int bpp = TEX_bytes_per_pixel(c.format), stride = c.w * bpp + c.pad;
        bytes px(std::size_t(stride) * c.h);
        for (auto& v : px) v = static_cast<unsigned char>(rng());
        const std::string name = dir / "s.png";
        ASSERT_EQ(TEX_save_png(name, {c.format, c.w, c.h, c.pad, 0}, px.data()), 1);
        EXPECT_FALSE(std::filesystem::exists(name + ".tmp"));
        const loaded l = load(read_file(name), static_cast<unsigned>(c.format), 0, c.pad ? c.w + c.pad / bpp : 0);
        ASSERT_EQ(l.result, 1);
        EXPECT_EQ(l.desc.format, c.format);
        for (int y = 0; y < c.h; ++y)
            EXPECT_EQ(bytes(l.pixels.begin() + y * stride, l.pixels.begin() + y * stride + c.w * bpp),
                      bytes(px.begin() + y * stride, px.begin() + y * stride + c.w * bpp)) << "row " << y;
    }
}

TEST(SavePng, ScreenshotFromTheStagingBuffer)
{
    temp_dir dir;
    HL_fill_tables();
    for (int i = 0; i < 4 * 3 * 2; ++i) scratch_array[i] = static_cast<unsigned char>(i * 9);
    write_png_to_disk(dir / "shot.png", 4, 2, 3);
    const loaded l = load(read_file(dir / "shot.png"), GL_RGB, 0);
    ASSERT_EQ(l.result, 1);
    EXPECT_EQ(l.pixels, bytes(scratch_array, scratch_array + 24));
}

TEST(SavePng, FailuresLeaveNoPartialFile)
{
    temp_dir dir;
    std::mt19937 rng(9);
    bytes noise(256 * 256 * 3);
    for (auto& v : noise) v = static_cast<unsigned char>(rng());
    const TEX_image_desc d{GL_RGB, 256, 256, 0, 0};
    EXPECT_EQ(TEX_save_png(dir / "missing/x.png", d, noise.data()), 0);
    write_file(dir / "full.png", "earlier");
    {
        alert_recorder rec;
        file_size_limit limit(50000);
        EXPECT_EQ(TEX_save_png(dir / "full.png", d, noise.data()), 0);
        ASSERT_FALSE(rec.alerts().empty());
        EXPECT_EQ(rec.alerts()[0].lines.l1, "PNG error!");
    }
    EXPECT_EQ(read_file(dir / "full.png"), "earlier");
    EXPECT_FALSE(std::filesystem::exists(dir / "full.png.tmp"));
    EXPECT_EQ(TEX_save_png(dir / "zero.png", {GL_RGB, 0, 4, 0, 0}, noise.data()), 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "zero.png"));
    alert_recorder rec;
    EXPECT_THROW(TEX_save_png(dir / "bgr.png", {GL_BGR, 4, 4, 0, 0}, noise.data()), fatal_alert);
    EXPECT_EQ(rec.alerts().back().lines.l1, "Illegal pixel format for png-write.");
}

} // namespace
