// Loading an image file of any kind: the first bytes choose the reader, and
// the names tried for a name whose extension may be wrong.
#include "graphics/tex_any.h"

#include "image_fixture.h"
#include "support/image_builder.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using bytes = std::vector<unsigned char>;

TEST(LoadAny, TheContentChoosesTheReader)
{
    gamma_setting off(false);
    temp_dir dir;
    bmp_spec b;
    b.bgr_rows = {char(3), char(2), char(1)};
    png_spec p;
    p.rows = {7, 8, 9};
    p.gamma = 0.45455;
    write_file(dir / "photo.png", make_bmp(b)); // a BMP under a PNG name
    write_file(dir / "pic.bmp", make_png(p));
    write_file(dir / "seven.png", make_png(p).substr(0, 7));
    write_file(dir / "text.png", "plain text, not a picture");
    const struct {
        const char* name;
        int result;
        bytes want;
    } cases[] = {
        {"photo.png", 1, {1, 2, 3}}, {"pic.bmp", 1, {7, 8, 9}}, {"seven.png", 0, {}},
        {"text.png", 0, {}},         {"missing.png", 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        alert_recorder rec;
        unsigned char* px = nullptr;
        TEX_image_desc d{};
        EXPECT_EQ(TEX_load_any(dir / c.name, px, 0, GL_RGB, 0, 0, d), c.result);
        EXPECT_TRUE(rec.alerts().empty());
        if (c.result) {
            ASSERT_NE(px, nullptr);
            EXPECT_EQ(bytes(px, px + 3), c.want);
        }
        std::free(px);
    }
}

TEST(LoadAny, RowsOfTheCallersWidthWithoutACanvas)
{
    temp_dir dir;
    png_spec p;
    p.width = 640;
    p.height = 480;
    p.colour_type = 6;
    p.rows.assign(640 * 480 * 4, 0x55);
    write_file(dir / "intro.png", make_png(p));
    const std::size_t capacity = 2048 * 480 * 4;
    bytes buffer(capacity, 0xEE);
    unsigned char* px = buffer.data();
    TEX_image_desc d{};
    ASSERT_EQ(TEX_load_any(dir / "intro.png", px, capacity, GL_RGBA, 2048, 0, d), 1);
    EXPECT_EQ(d.pad, 5632);
    EXPECT_EQ(buffer[479 * 8192 + 2559], 0x55);
    EXPECT_EQ(buffer[479 * 8192 + 2560], 0xEE);
}

TEST(LoadAny, NamesTriedForAnyExtension)
{
    const struct {
        const char* name;
        const char* png;
        const char* bmp;
    } cases[] = {
        {"intro.bmp", "intro.png", "intro.bmp"}, {"intro", "intro.png", "intro.bmp"},
        {"x.png", "x.png", "x.bmp"},             {".png", ".png.png", ".png.bmp"},
        {"pic.jpeg", "pic.jpeg.png", "pic.jpeg.bmp"}, {"a.dds", "a.png", "a.bmp"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TEX_name_with_ext(c.name, ".png"), c.png);
        EXPECT_EQ(TEX_name_with_ext(c.name, ".bmp"), c.bmp);
    }
}

TEST(LoadAny, ExtTriesThePngNameThenTheBmpName)
{
    gamma_setting off(false);
    temp_dir dir;
    bmp_spec b;
    b.bgr_rows = {char(3), char(2), char(1)};
    write_file(dir / "only.bmp", make_bmp(b));
    unsigned char* px = nullptr;
    TEX_image_desc d{};
    EXPECT_EQ(TEX_load_any_ext(dir / "only.dds", px, 0, GL_RGB, 0, 0, d), 1);
    ASSERT_NE(px, nullptr);
    EXPECT_EQ(bytes(px, px + 3), (bytes{1, 2, 3}));
    std::free(px);
    px = nullptr;
    EXPECT_EQ(TEX_load_any_ext(dir / "none", px, 0, GL_RGB, 0, 0, d), 0);
    EXPECT_EQ(px, nullptr);
}

} // namespace
