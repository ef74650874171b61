// The image descriptor's sizes and the in-place pixel operations.
#include "graphics/tex_image.h"

#include "image_fixture.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr int DXT1 = GL_COMPRESSED_RGB_S3TC_DXT1_EXT, DXT3 = GL_COMPRESSED_RGBA_S3TC_DXT3_EXT,
              DXT5 = GL_COMPRESSED_RGBA_S3TC_DXT5_EXT;

TEST(ImageSize, TableOfFormatsSidesAndChains)
{
    const struct {
        const char* what;
        TEX_image_desc d;
        int want;
    } cases[] = {
        {"RGBA 256 with mips", {GL_RGBA, 256, 256, 0, 1}, 349524},
        {"RGBA 256 without mips", {GL_RGBA, 256, 256, 0, 0}, 262144},
        {"DXT1 4x4", {DXT1, 4, 4, 0, 0}, 8},
        {"DXT5 2x2", {DXT5, 2, 2, 0, 0}, 16},
        {"DXT1 256 with mips, small levels one block", {DXT1, 256, 256, 0, 1}, 43704},
        {"DXT3 8x8 with mips", {DXT3, 8, 8, 0, 1}, 64 + 16 + 16 + 16},
        {"DXT1 pad ignored", {DXT1, 8, 8, 5, 0}, 32},
        {"RGB 5x3 pad 1", {GL_RGB, 5, 3, 1, 0}, 48},
        {"BGR 2x2 mips", {GL_BGR, 2, 2, 0, 1}, 12 + 3},
        {"RGBA 4x1 mips: a side of 1 stays 1", {GL_RGBA, 4, 1, 0, 1}, 16 + 8 + 4},
        {"ALPHA 3x3 pad 1 mips", {GL_ALPHA, 3, 3, 1, 1}, 12 + 2},
        {"format 0", {0, 4, 4, 0, 0}, 0},
        {"RGBA 2048 with mips", {GL_RGBA, 2048, 2048, 0, 1}, 22369620},
        // Refused: sides outside 1..2048, negative pad, a total beyond an int.
        {"width 0", {GL_RGBA, 0, 4, 0, 0}, 0},
        {"negative height", {GL_RGBA, 4, -4, 0, 0}, 0},
        {"width 4096", {GL_RGBA, 4096, 1, 0, 0}, 0},
        {"DXT5 side 1<<30", {DXT5, 1 << 30, 4, 0, 1}, 0},
        {"negative pad", {GL_RGB, 4, 4, -12, 0}, 0},
        {"pad beyond an int in total", {GL_RGBA, 4, 2048, 1 << 30, 0}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(TEX_bytes_needed_for_image(c.d), c.want);
    }
}

// Rows of `bytes` bytes, row i filled with the value i + 1.
std::vector<unsigned char> numbered_rows(int rows, int bytes)
{
    std::vector<unsigned char> v;
    for (int i = 0; i < rows; ++i) v.insert(v.end(), bytes, static_cast<unsigned char>(i + 1));
    return v;
}

TEST(FlipY, UncompressedRowsExchangeAroundTheMiddle)
{
    const struct {
        const char* what;
        TEX_image_desc d;
        std::vector<unsigned char> want; // row markers after the flip, every level
    } cases[] = {
        {"one row", {GL_RGBA, 2, 1, 0, 0}, {1}},
        {"three rows: middle stays", {GL_RGB, 2, 3, 0, 0}, {3, 2, 1}},
        {"four rows with pad", {GL_ALPHA, 3, 4, 2, 0}, {4, 3, 2, 1}},
        {"BGRA two rows", {GL_BGRA, 1, 2, 0, 0}, {2, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const int row = c.d.width * TEX_bytes_per_pixel(c.d.format) + c.d.pad;
        std::vector<unsigned char> px = numbered_rows(c.d.height, row);
        EXPECT_EQ(TEX_flip_y(c.d, px.data()), 0);
        for (int i = 0; i < c.d.height; ++i) EXPECT_EQ(px[i * row], c.want[i]) << "row " << i;
    }
}

TEST(FlipY, EveryLevelOfAChainIsTurned)
{
    // RGBA 4x2: level 4x2 (2 rows of 16), 2x1 (1 row), 1x1.
    TEX_image_desc d{GL_RGBA, 4, 2, 0, 1};
    ASSERT_EQ(TEX_bytes_needed_for_image(d), 32 + 8 + 4);
    std::vector<unsigned char> px(44);
    for (std::size_t i = 0; i < px.size(); ++i) px[i] = static_cast<unsigned char>(i);
    const std::vector<unsigned char> before = px;
    TEX_flip_y(d, px.data());
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(px[i], before[16 + i]);
        EXPECT_EQ(px[16 + i], before[i]);
    }
    for (int i = 32; i < 44; ++i) EXPECT_EQ(px[i], before[i]); // one-row levels stay
}

TEST(FlipY, RefusalsTouchNothingAndABadFormatIsFatal)
{
    std::vector<unsigned char> px(16, 7);
    EXPECT_EQ(TEX_flip_y({GL_RGBA, 0, 2, 0, 0}, px.data()), 0);
    EXPECT_EQ(TEX_flip_y({GL_RGBA, 2, -2, 0, 0}, px.data()), 0);
    EXPECT_EQ(px, std::vector<unsigned char>(16, 7));
    alert_recorder rec;
    EXPECT_THROW(TEX_flip_y({0x1234, 2, 2, 0, 0}, px.data()), fatal_alert);
    ASSERT_EQ(rec.alerts().size(), 1u);
    EXPECT_EQ(rec.alerts()[0].lines.l1, "Illegal format!");
}

TEST(Downscale, TruncatedMeansOfBlocks)
{
    struct scase {
        const char* what;
        TEX_image_desc d;
        int fx, fy;
        std::vector<unsigned char> in;
        int want_w, want_h;
        std::vector<unsigned char> want; // the leading bytes of the buffer afterwards
    };
    const scase cases[] = {
        {"ALPHA 4x4 by 2,2", {GL_ALPHA, 4, 4, 0, 0}, 2, 2,
         {1, 2, 10, 11, 3, 5, 20, 21, 0, 0, 255, 255, 0, 1, 255, 254}, 2, 2, {2, 15, 0, 254}},
        {"ALPHA 5x5 by 2,2 uses columns and rows 0..3", {GL_ALPHA, 5, 5, 0, 0}, 2, 2,
         {4, 4, 8, 8, 99, 4, 4, 8, 8, 99, 1, 1, 2, 2, 99, 1, 1, 2, 2, 99, 99, 99, 99, 99, 99}, 2, 2, {4, 8, 1, 2}},
        {"RGBA one row by 2,1", {GL_RGBA, 2, 1, 0, 0}, 2, 1, {10, 20, 30, 40, 11, 21, 31, 41}, 1, 1, {10, 20, 30, 40}},
        {"BGR one row by 2,1 is 3 bytes a pixel", {GL_BGR, 2, 1, 0, 0}, 2, 1, {10, 20, 30, 12, 22, 32}, 1, 1, {11, 21, 31}},
        {"RGB 2x2 with pad keeps pad", {GL_RGB, 2, 2, 2, 0}, 2, 1,
         {2, 4, 6, 4, 6, 8, 77, 77, 9, 9, 9, 11, 11, 11, 77, 77}, 1, 2, {3, 5, 7, 4, 6, 10, 10, 10}}, // pad bytes skipped, not written
        {"a factor beyond the side stops at the side", {GL_ALPHA, 2, 2, 0, 0}, 8, 4, {4, 8, 12, 16}, 1, 1, {10}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TEX_image_desc d = c.d;
        std::vector<unsigned char> px = c.in;
        TEX_downscale(d, px.data(), c.fx, c.fy);
        EXPECT_EQ(d.width, c.want_w);
        EXPECT_EQ(d.height, c.want_h);
        EXPECT_EQ(d.pad, c.d.pad);
        EXPECT_EQ(std::vector<unsigned char>(px.begin(), px.begin() + c.want.size()), c.want);
    }
}

TEST(Downscale, RefusedInputsChangeNothing)
{
    const struct {
        const char* what;
        TEX_image_desc d;
        int fx, fy;
    } cases[] = {
        {"compressed", {DXT5, 8, 8, 0, 0}, 2, 2},
        {"unknown format", {0x1234, 8, 8, 0, 0}, 2, 2},
        {"width 0", {GL_RGBA, 0, 8, 0, 0}, 2, 2},
        {"factor 0", {GL_RGBA, 8, 8, 0, 0}, 0, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TEX_image_desc d = c.d;
        std::vector<unsigned char> px(256, 9);
        TEX_downscale(d, px.data(), c.fx, c.fy);
        EXPECT_EQ(d.width, c.d.width);
        EXPECT_EQ(d.height, c.d.height);
        EXPECT_EQ(px, std::vector<unsigned char>(256, 9));
    }
}

TEST(ChromaKey, NearKeyPixelsLoseAlphaOnFourByteFormatsOnly)
{
    const unsigned char key[3] = {255, 0, 255};
    std::vector<unsigned char> rgba = {255, 0, 255, 200, 250, 2, 250, 200, 240, 0, 240, 200, 0, 0, 0, 9};
    TEX_chroma_key({GL_RGBA, 2, 2, 0, 0}, rgba.data(), key, 20);
    EXPECT_EQ(rgba[3], 0);   // exact
    EXPECT_EQ(rgba[7], 0);   // distance 12
    EXPECT_EQ(rgba[11], 200); // distance 30
    EXPECT_EQ(rgba[15], 9);
    std::vector<unsigned char> bgra = {250, 0, 255, 200}; // B G R A: r 255, b 250
    TEX_chroma_key({GL_BGRA, 1, 1, 0, 0}, bgra.data(), key, 10);
    EXPECT_EQ(bgra[3], 0);
    std::vector<unsigned char> rgb = {255, 0, 255, 255, 0, 255};
    TEX_chroma_key({GL_RGB, 2, 1, 0, 0}, rgb.data(), key, 10);
    EXPECT_EQ(rgb, (std::vector<unsigned char>{255, 0, 255, 255, 0, 255})); // no alpha byte to clear
}

TEST(Composite, OpaqueSourceOfTheSameSizeCopiesExactly)
{
    const TEX_image_desc sd{GL_RGBA, 3, 2, 0, 0}, dd{GL_RGBA, 3, 2, 0, 0};
    std::vector<unsigned char> src(24), dst(24, 50);
    for (int i = 0; i < 24; ++i) src[i] = i % 4 == 3 ? 255 : static_cast<unsigned char>(i * 10);
    TEX_composite(sd, dd, src.data(), dst.data(), 0, 0, 3, 2);
    EXPECT_EQ(dst, src);
}

TEST(Composite, HalfTransparentSourceBlendsAndClipsToTheDestination)
{
    const TEX_image_desc sd{GL_RGBA, 1, 1, 0, 0}, dd{GL_RGB, 2, 1, 1, 0};
    std::vector<unsigned char> src = {200, 100, 0, 128};
    std::vector<unsigned char> dst = {0, 0, 200, 0, 0, 200, 77}; // 2 RGB pixels and 1 pad byte
    // The rectangle covers the second pixel and reaches far outside the destination.
    TEX_composite(sd, dd, src.data(), dst.data(), 1, -5, 1e30f, 1e30f);
    EXPECT_EQ(dst[0], 0);
    EXPECT_EQ(dst[2], 200);
    EXPECT_EQ(dst[6], 77);
    // weight 128/255 of the source, the rest of the destination
    EXPECT_EQ(dst[3], 100);
    EXPECT_EQ(dst[4], 50);
    EXPECT_EQ(dst[5], 99);
}

TEST(Composite, RefusesFormatsWithoutThreeColourBytes)
{
    const TEX_image_desc sd{GL_ALPHA, 2, 2, 0, 0}, dd{GL_RGBA, 2, 2, 0, 0};
    std::vector<unsigned char> src(4, 255), dst(16, 3);
    TEX_composite(sd, dd, src.data(), dst.data(), 0, 0, 2, 2);
    EXPECT_EQ(dst, std::vector<unsigned char>(16, 3));
}

} // namespace
