// DXT blocks: the byte vectors of the row flips, the gamma correction of
// endpoints, the 5:6:5 steps, and whole compressed pictures turned over,
// checked against libsquish's own decompression.
#include "graphics/tex_dxt.h"
#include "graphics/tex_image.h"

#include "image_fixture.h"

#include <gtest/gtest.h>
#include <squish.h>

#include <array>
#include <random>
#include <vector>

namespace {

using bytes = std::vector<unsigned char>;

// A DXT colour block: both endpoints little-endian, then the four index rows.
// Made whole in one list: a four-byte vector grown by insert is what GCC's
// -O3 array-bounds check takes for an overrun.
bytes colour_block(unsigned short c0, unsigned short c1, const std::array<unsigned char, 4>& rows)
{
    return {static_cast<unsigned char>(c0 & 0xFF), static_cast<unsigned char>(c0 >> 8),
            static_cast<unsigned char>(c1 & 0xFF), static_cast<unsigned char>(c1 >> 8),
            rows[0], rows[1], rows[2], rows[3]};
}

TEST(DxtBlocks, ByteVectorsOfTheRowFlips)
{
    gamma_setting off(false);
    const struct {
        const char* what;
        int format;
        int rows;
        bytes in, want;
    } cases[] = {
        {"DXT1 four rows", GL_COMPRESSED_RGB_S3TC_DXT1_EXT, 4, colour_block(0xF800, 0x001F, {1, 2, 3, 4}),
         colour_block(0xF800, 0x001F, {4, 3, 2, 1})},
        {"DXT1 two rows (a level 2 pixels high)", GL_COMPRESSED_RGB_S3TC_DXT1_EXT, 2,
         colour_block(0xF800, 0x001F, {1, 2, 3, 4}), colour_block(0xF800, 0x001F, {2, 1, 3, 4})},
        {"DXT1 one row", GL_COMPRESSED_RGB_S3TC_DXT1_EXT, 1, colour_block(1, 2, {1, 2, 3, 4}),
         colour_block(1, 2, {1, 2, 3, 4})},
        {"DXT3 alpha rows are 16-bit", GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, 4,
         bytes{0x10, 0x11, 0x20, 0x21, 0x30, 0x31, 0x40, 0x41, 0, 0xF8, 0x1F, 0, 1, 2, 3, 4},
         bytes{0x40, 0x41, 0x30, 0x31, 0x20, 0x21, 0x10, 0x11, 0, 0xF8, 0x1F, 0, 4, 3, 2, 1}},
        {"DXT5 alpha rows 0x111..0x444", GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 4,
         bytes{7, 9, 0x11, 0x21, 0x22, 0x33, 0x43, 0x44, 0, 0xF8, 0x1F, 0, 1, 2, 3, 4},
         bytes{7, 9, 0x44, 0x34, 0x33, 0x22, 0x12, 0x11, 0, 0xF8, 0x1F, 0, 4, 3, 2, 1}},
        {"DXT5 two rows: only rows 0 and 1 exchange", GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 2,
         bytes{7, 9, 0x11, 0x21, 0x22, 0x33, 0x43, 0x44, 0, 0xF8, 0x1F, 0, 1, 2, 3, 4},
         bytes{7, 9, 0x22, 0x12, 0x11, 0x33, 0x43, 0x44, 0, 0xF8, 0x1F, 0, 2, 1, 3, 4}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        bytes b = c.in;
        if (c.format == GL_COMPRESSED_RGB_S3TC_DXT1_EXT) nv_flip_blocks_dxtc1(b.data(), 1, 0, c.rows);
        else if (c.format == GL_COMPRESSED_RGBA_S3TC_DXT3_EXT) nv_flip_blocks_dxtc3(b.data(), 1, 0, c.rows);
        else nv_flip_blocks_dxtc5(b.data(), 1, 0, c.rows);
        EXPECT_EQ(b, c.want);
    }
}

TEST(DxtBlocks, Dxt1TransparencyFinding)
{
    gamma_setting off(false);
    bytes three = colour_block(0x0000, 0xFFFF, {0xFF, 0xFF, 0xFF, 0xFF});
    bytes four = colour_block(0xFFFF, 0x0000, {0xFF, 0xFF, 0xFF, 0xFF});
    bytes three_no_3 = colour_block(0x0000, 0xFFFF, {0xAA, 0xAA, 0xAA, 0xAA});
    EXPECT_EQ(nv_flip_blocks_dxtc1(bytes(three).data(), 1, 0), 1);
    EXPECT_EQ(nv_flip_blocks_dxtc1(bytes(four).data(), 1, 0), 0);
    EXPECT_EQ(nv_flip_blocks_dxtc1(bytes(three_no_3).data(), 1, 0), 0);
    EXPECT_EQ(nv_flip_blocks_dxtc1(bytes(four).data(), 1, 1), 1); // once found it stays
    bytes row = four;
    row.insert(row.end(), three.begin(), three.end());
    EXPECT_EQ(nv_flip_blocks_dxtc1(row.data(), 2, 0), 1);
    EXPECT_EQ(nv_flip_blocks_dxtc1(row.data(), 0, 0), 0); // count 0 touches nothing
}

TEST(DxtBlocks, ColourSteps)
{
    const struct {
        bool up;
        unsigned short in;
        int result;
        unsigned short out;
    } cases[] = {
        {true, 0xFFFF, 0, 0xFFFF}, {true, 0x07E0, 1, 0x07E1}, {true, 0x0000, 1, 0x0020}, {true, 0x07FF, 1, 0x0FFF},
        {false, 0x0000, 0, 0x0000}, {false, 0x0800, 1, 0x0000}, {false, 0x0821, 1, 0x0801}, {false, 0x0801, 1, 0x0800},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        unsigned short v = c.in;
        EXPECT_EQ(c.up ? IncColor565(v) : DecColor565(v), c.result);
        EXPECT_EQ(v, c.out);
    }
}

TEST(DxtBlocks, GammaCorrectionKeepsTheBlockMode)
{
    gamma_setting on(true);
    const struct {
        const char* what;
        bytes in, want;
    } cases[] = {
        {"black and white keep their values", colour_block(0xFFFF, 0x0000, {0, 0x55, 0xAA, 0xFF}),
         colour_block(0xFFFF, 0x0000, {0, 0x55, 0xAA, 0xFF})},
        {"dark endpoints brighten", colour_block(0x0841, 0x0000, {0, 0, 0, 0}), colour_block(0x0861, 0x0000, {0, 0, 0, 0})},
        {"four-colour order flips: endpoints exchanged, low index bit flipped",
         colour_block(0xF800, 0xF7E0, {0x00, 0x1B, 0xE4, 0xFF}), colour_block(0xFFE0, 0xF800, {0x55, 0x4E, 0xB1, 0xAA})},
        {"three-colour order flips: endpoints exchanged, 0 and 1 exchanged",
         colour_block(0xF7E0, 0xF800, {0x00, 0x1B, 0xE4, 0xFF}), colour_block(0xF800, 0xFFE0, {0x55, 0x4B, 0xE1, 0xFF})},
        {"four-colour endpoints merging: colour 0 one step up", colour_block(0x001F, 0x001E, {0, 0, 0, 0}),
         colour_block(0x003F, 0x001F, {0x55, 0x55, 0x55, 0x55})},
        {"merging at white: colour 1 one green step down", colour_block(0xFFFF, 0xFFDF, {0, 0, 0, 0}),
         colour_block(0xFFFF, 0xFFDF, {0x55, 0x55, 0x55, 0x55})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DXTColBlock b;
        std::copy(c.in.begin(), c.in.end(), b.bytes);
        nv_gamma_correct(&b);
        EXPECT_EQ(bytes(b.bytes, b.bytes + 8), c.want);
    }
}

// ---- whole pictures --------------------------------------------------------------

int squish_flag(int format)
{
    return format == GL_COMPRESSED_RGBA_S3TC_DXT5_EXT ? squish::kDxt5
         : format == GL_COMPRESSED_RGBA_S3TC_DXT3_EXT ? squish::kDxt3 : squish::kDxt1;
}

// Decompressed RGBA of one level (w x h, top row first as squish sees it).
bytes decompress(const unsigned char* blocks, int w, int h, int format)
{
    bytes rgba(std::size_t(w) * h * 4);
    squish::DecompressImage(rgba.data(), w, h, blocks, squish_flag(format));
    return rgba;
}

bytes flipped_rows(const bytes& rgba, int w, int h)
{
    bytes out(rgba.size());
    for (int y = 0; y < h; ++y)
        std::copy_n(rgba.begin() + std::size_t(y) * w * 4, w * 4, out.begin() + std::size_t(h - 1 - y) * w * 4);
    return out;
}

TEST(FlipY, CompressedPicturesTurnOverExactlyOnEveryLevel)
{
    gamma_setting off(false);
    const int formats[] = {GL_COMPRESSED_RGB_S3TC_DXT1_EXT, GL_COMPRESSED_RGBA_S3TC_DXT3_EXT,
                           GL_COMPRESSED_RGBA_S3TC_DXT5_EXT};
    const struct {
        int w, h, mips;
    } sizes[] = {{8, 8, 1}, {16, 12, 0}, {4, 2, 0}, {8, 4, 1}, {32, 16, 1}, {4, 20, 0}};
    std::mt19937 rng(7);
    for (int format : formats)
        for (const auto& s : sizes) {
            SCOPED_TRACE(std::to_string(format) + " " + std::to_string(s.w) + "x" + std::to_string(s.h));
            const TEX_image_desc d{format, s.w, s.h, 0, s.mips};
            bytes chain(TEX_bytes_needed_for_image(d));
            // Compress a different random picture into each level.
            std::size_t at = 0;
            for (int w = s.w, h = s.h;; w = std::max(1, w / 2), h = std::max(1, h / 2)) {
                bytes rgba(std::size_t(w) * h * 4);
                for (auto& v : rgba) v = static_cast<unsigned char>(rng());
                if (format == GL_COMPRESSED_RGB_S3TC_DXT1_EXT)
                    for (std::size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 255;
                squish::CompressImage(rgba.data(), w, h, chain.data() + at, squish_flag(format));
                at += squish::GetStorageRequirements(w, h, squish_flag(format));
                if (!s.mips || (w == 1 && h == 1)) break;
            }
            ASSERT_EQ(at, chain.size());
            bytes turned = chain;
            TEX_flip_y(d, turned.data());
            at = 0;
            for (int w = s.w, h = s.h;; w = std::max(1, w / 2), h = std::max(1, h / 2)) {
                SCOPED_TRACE("level " + std::to_string(w) + "x" + std::to_string(h));
                EXPECT_EQ(decompress(turned.data() + at, w, h, format), flipped_rows(decompress(chain.data() + at, w, h, format), w, h));
                at += squish::GetStorageRequirements(w, h, squish_flag(format));
                if (!s.mips || (w == 1 && h == 1)) break;
            }
        }
}

TEST(FlipY, GammaIsAppliedToEveryBlockOnce)
{
    gamma_setting on(true);
    // Three block rows: the middle one too gets its endpoints corrected.
    const TEX_image_desc d{GL_COMPRESSED_RGB_S3TC_DXT1_EXT, 4, 12, 0, 0};
    bytes px;
    for (int i = 0; i < 3; ++i) {
        bytes b = colour_block(0x0841, 0x0000, {0, 0, 0, 0});
        px.insert(px.end(), b.begin(), b.end());
    }
    TEX_flip_y(d, px.data());
    for (int i = 0; i < 3; ++i) EXPECT_EQ(px[8 * i] | (px[8 * i + 1] << 8), 0x0861) << "block row " << i;
}

TEST(FlipY, Dxt1TransparencyFoundInAnyLevel)
{
    gamma_setting off(false);
    // 8x4 with mips: 2 blocks, then 4x2 (1 block), 2x1 (1), 1x1 (1). Only the last uses index 3 in three-colour mode.
    const TEX_image_desc d{GL_COMPRESSED_RGB_S3TC_DXT1_EXT, 8, 4, 0, 1};
    bytes px;
    for (int i = 0; i < 5; ++i) {
        bytes b = i == 4 ? colour_block(0, 0xFFFF, {3, 0, 0, 0}) : colour_block(0xFFFF, 0, {0xFF, 0xFF, 0xFF, 0xFF});
        px.insert(px.end(), b.begin(), b.end());
    }
    ASSERT_EQ(px.size(), std::size_t(TEX_bytes_needed_for_image(d)));
    EXPECT_NE(TEX_flip_y(d, px.data()), 0);
    px.resize(16);
    EXPECT_EQ(TEX_flip_y({GL_COMPRESSED_RGB_S3TC_DXT1_EXT, 8, 4, 0, 0}, px.data()), 0);
}

} // namespace

namespace {

TEST(FlipY, APartialBlockRowAboveFourPixelsIsReported)
{
    gamma_setting off(false);
    xer_capture log;
    // 4x6: two block rows, the second only half used; the pair is still exchanged.
    bytes px = colour_block(1, 2, {1, 2, 3, 4});
    const bytes second = colour_block(3, 4, {5, 6, 7, 8});
    px.insert(px.end(), second.begin(), second.end());
    TEX_flip_y({GL_COMPRESSED_RGB_S3TC_DXT1_EXT, 4, 6, 0, 0}, px.data());
    EXPECT_EQ(px[0], 3);
    EXPECT_NE(log.text().find("4 x 6 is not a whole number of block rows"), std::string::npos) << log.text();
}

} // namespace
