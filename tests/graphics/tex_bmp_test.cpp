// BMP files: pixel conversions, row geometry, crafted headers that must be
// refused without reading past the file, and the fatal alerts.
#include "graphics/tex_bmp.h"

#include "image_fixture.h"
#include "support/image_builder.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using bytes = std::vector<unsigned char>;

bmp_spec bmp(int w, int h, std::string bgr)
{
    bmp_spec s;
    s.width = w;
    s.height = h;
    s.bgr_rows = std::move(bgr);
    return s;
}

std::string px3(int b, int g, int r) { return {char(b), char(g), char(r)}; }

struct loaded {
    int result = -1;
    TEX_image_desc desc{};
    bytes pixels;
};

loaded load(const std::string& file, unsigned int desired, int pow2 = 0)
{
    mapped_file f(file);
    loaded out;
    unsigned char* px = nullptr;
    out.result = TEX_load_bmp("t.bmp", f.get(), px, 0, desired, 0, pow2, out.desc);
    if (px) {
        const int bpp = desired == GL_RGBA ? 4 : desired == GL_RGB ? 3 : 1;
        const int rows = pow2 ? 4 : out.desc.height;
        out.pixels.assign(px, px + (bpp * out.desc.width + out.desc.pad) * rows);
        std::free(px);
    }
    return out;
}

TEST(LoadBmp, PixelConversions)
{
    const struct {
        const char* what;
        std::string file;
        unsigned int desired;
        bool gamma_on;
        bytes want;
    } cases[] = {
        {"magenta as RGBA: transparent black", make_bmp(bmp(1, 1, px3(255, 0, 255))), GL_RGBA, true, {0, 0, 0, 0}},
        {"magenta as RGB", make_bmp(bmp(1, 1, px3(255, 0, 255))), GL_RGB, true, {255, 0, 255}},
        {"nearly magenta stays opaque", make_bmp(bmp(1, 1, px3(254, 0, 255))), GL_RGBA, true, {255, 0, 254, 255}},
        {"ALPHA is the truncated mean", make_bmp(bmp(2, 1, px3(10, 20, 30) + px3(1, 1, 0))), GL_ALPHA, true, {20, 0}},
        {"grey 128 with gamma as RGB", make_bmp(bmp(1, 1, px3(128, 128, 128))), GL_RGB, true, {145, 145, 145}},
        {"grey 128 with gamma as RGBA", make_bmp(bmp(1, 1, px3(128, 128, 128))), GL_RGBA, true, {145, 145, 145, 255}},
        {"grey 128 as ALPHA: no gamma", make_bmp(bmp(1, 1, px3(128, 128, 128))), GL_ALPHA, true, {128}},
        {"gamma off keeps values", make_bmp(bmp(1, 1, px3(128, 64, 32))), GL_RGB, false, {32, 64, 128}},
        {"3 wide: source rows 12 bytes apart, rows stay bottom-up",
         make_bmp(bmp(3, 2, px3(1, 2, 3) + px3(4, 5, 6) + px3(7, 8, 9) + px3(11, 12, 13) + px3(14, 15, 16) + px3(17, 18, 19))),
         GL_RGB, false, {3, 2, 1, 6, 5, 4, 9, 8, 7, 13, 12, 11, 16, 15, 14, 19, 18, 17}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        gamma_setting g(c.gamma_on);
        const loaded l = load(c.file, c.desired);
        ASSERT_EQ(l.result, 1);
        EXPECT_EQ(l.desc.format, static_cast<int>(c.desired));
        EXPECT_EQ(l.pixels, c.want);
    }
}

TEST(LoadBmp, GeometryAndLargerHeaders)
{
    gamma_setting off(false);
    std::string rows;
    for (int i = 0; i < 15; ++i) rows += px3(i, i, i);
    const loaded canvas = load(make_bmp(bmp(5, 3, rows)), GL_RGBA, 1);
    ASSERT_EQ(canvas.result, 1);
    EXPECT_EQ(canvas.desc.pad, 12);
    ASSERT_EQ(canvas.pixels.size(), 128u); // stride 32, 4 rows
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) {
            const unsigned char* p = &canvas.pixels[y * 32 + x * 4];
            const bool in = y < 3 && x < 5;
            EXPECT_EQ(p[0], in ? y * 5 + x : 0);
            EXPECT_EQ(p[3], in ? 255 : 0);
        }
    bmp_spec big_header = bmp(2, 1, px3(1, 2, 3) + px3(4, 5, 6));
    big_header.data_offset = 138;
    const loaded l = load(make_bmp(big_header), GL_RGB);
    ASSERT_EQ(l.result, 1);
    EXPECT_EQ(l.pixels, (bytes{3, 2, 1, 6, 5, 4}));
    bmp_spec unpadded_last = bmp(1, 2, px3(1, 2, 3) + px3(4, 5, 6));
    unpadded_last.cut_to = 54 + 4 + 3; // the last row's padding is missing
    EXPECT_EQ(load(make_bmp(unpadded_last), GL_RGB).pixels, (bytes{3, 2, 1, 6, 5, 4}));
}

TEST(LoadBmp, RefusedWithoutReadingOrWritingOutOfBounds)
{
    const std::string two_by_two = px3(1, 1, 1) + px3(2, 2, 2) + px3(3, 3, 3) + px3(4, 4, 4);
    bmp_spec cut = bmp(2, 2, two_by_two);
    cut.cut_to = 54 + 8 + 5;
    bmp_spec far_offset = bmp(2, 2, two_by_two);
    far_offset.data_offset = 0xFFFFFFF0u;
    far_offset.cut_to = 200;
    bmp_spec top_down = bmp(2, -2, two_by_two);
    bmp_spec negative_width = bmp(-2, 2, two_by_two);
    bmp_spec huge = bmp(0x7FFFFFFF, 0x7FFFFFFF, two_by_two);
    const struct {
        const char* what;
        std::string file;
        std::size_t capacity;
        int row_pixels;
        const char* logged;
    } cases[] = {
        {"pixel data cut short", make_bmp(cut), 1024, 0, "runs past the end of the file"},
        {"pixel data offset past the end", make_bmp(far_offset), 1024, 0, "runs past the end of the file"},
        {"negative height", make_bmp(top_down), 1024, 0, "outside 1..2048"},
        {"negative width", make_bmp(negative_width), 1024, 0, "outside 1..2048"},
        {"sides of 2^31 - 1", make_bmp(huge), 1024, 0, "outside 1..2048"},
        {"rows shorter than the picture", make_bmp(bmp(2, 2, two_by_two)), 1024, 1, "rows of 1 pixels"},
        {"buffer one byte short", make_bmp(bmp(2, 2, two_by_two)), 2 * 2 * 4 - 1, 0, "needs 16 bytes"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        xer_capture log;
        mapped_file f(c.file);
        bytes buffer(c.capacity + 16, 0xEE);
        unsigned char* px = buffer.data();
        TEX_image_desc d{};
        EXPECT_EQ(TEX_load_bmp("t.bmp", f.get(), px, c.capacity, GL_RGBA, c.row_pixels, 0, d), 0);
        EXPECT_EQ(buffer, bytes(c.capacity + 16, 0xEE));
        EXPECT_NE(log.text().find(c.logged), std::string::npos) << log.text();
    }
    xmap_class nothing("");
    unsigned char* px = nullptr;
    TEX_image_desc d{};
    EXPECT_EQ(TEX_load_bmp("t.bmp", &nothing, px, 0, GL_RGB, 0, 0, d), 0);
}

TEST(LoadBmp, FilesItCannotReadAreFatal)
{
    bmp_spec depth32 = bmp(1, 1, "");
    depth32.bits = 32;
    bmp_spec depth8 = bmp(1, 1, "");
    depth8.bits = 8;
    bmp_spec rle = bmp(1, 1, px3(1, 2, 3));
    rle.compression = 1;
    const std::string good = make_bmp(bmp(1, 1, px3(1, 2, 3)));
    const struct {
        const char* what;
        std::string file;
        unsigned int desired;
        alert_lines want;
    } cases[] = {
        {"32-bit", make_bmp(depth32), GL_RGBA, {"Wrong bitmap color depth for texture!", "We need 24-bit color.", "", "t.bmp"}},
        {"8-bit", make_bmp(depth8), GL_ALPHA, {"Wrong bitmap color depth for texture!", "We need 24-bit color.", "", "t.bmp"}},
        {"too short to hold the depth", good.substr(0, 29), GL_RGB, {"Wrong bitmap color depth for texture!", "We need 24-bit color.", "", "t.bmp"}},
        {"compressed", make_bmp(rle), GL_RGB, {"Bitmap is compressed!", "", "", "t.bmp"}},
        {"desired BGR", good, GL_BGR, {"Illegal desired format for bmp.", "t.bmp", "", ""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        alert_recorder rec;
        mapped_file f(c.file);
        unsigned char* px = nullptr;
        TEX_image_desc d{};
        EXPECT_THROW(TEX_load_bmp("t.bmp", f.get(), px, 0, c.desired, 0, 0, d), fatal_alert);
        EXPECT_EQ(px, nullptr);
        ASSERT_EQ(rec.alerts().size(), 1u);
        const alert_lines& a = rec.alerts()[0].lines;
        EXPECT_EQ(a.l1, c.want.l1);
        EXPECT_EQ(a.l2, c.want.l2);
        EXPECT_EQ(a.l3, c.want.l3);
        EXPECT_EQ(a.l4, c.want.l4);
    }
}

} // namespace
