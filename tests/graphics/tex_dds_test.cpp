// DDS files: crafted headers read (and refused), and the writer's files read
// back, including the failures that must leave no file behind.
#include "graphics/tex_dds.h"

#include "image_fixture.h"
#include "support/image_builder.h"

#include <gtest/gtest.h>
#include <squish.h>

#include <filesystem>
#include <random>

namespace {

using bytes = std::vector<unsigned char>;
constexpr int DXT1 = GL_COMPRESSED_RGB_S3TC_DXT1_EXT, DXT3 = GL_COMPRESSED_RGBA_S3TC_DXT3_EXT,
              DXT5 = GL_COMPRESSED_RGBA_S3TC_DXT5_EXT;
constexpr std::uint32_t mip_flag = 0x21007, mip_caps = 0x401008;

dds_spec dds(std::string fourcc, int w, int h, std::size_t data_bytes, std::uint32_t pf = 0x4)
{
    dds_spec s;
    s.fourcc = std::move(fourcc);
    s.width = w;
    s.height = h;
    s.pf_flags = pf;
    s.data = std::string(data_bytes, '\x5A');
    return s;
}

dds_spec with_mips(dds_spec s, std::uint32_t flags, std::uint32_t caps)
{
    s.flags = flags;
    s.caps1 = caps;
    return s;
}

TEST(LoadDds, CraftedHeaders)
{
    const struct {
        const char* what;
        std::string file;
        int result, format, width, height, has_mips;
    } cases[] = {
        {"DXT1 4x4", make_dds(dds("DXT1", 4, 4, 8)), 1, DXT1, 4, 4, 0},
        {"DXT3 8x4", make_dds(dds("DXT3", 8, 4, 32)), 1, DXT3, 8, 4, 0},
        {"DXT5 2x2 is one block", make_dds(dds("DXT5", 2, 2, 16)), 1, DXT5, 2, 2, 0},
        {"RGB bit: BGR pixels", make_dds(dds("", 2, 2, 12, 0x40)), 1, GL_BGR, 2, 2, 0},
        {"RGB and alpha bits: BGRA", make_dds(dds("", 2, 2, 16, 0x41)), 1, GL_BGRA, 2, 2, 0},
        {"DXT5 with the RGB bits reads as BGRA", make_dds(dds("DXT5", 2, 2, 16, 0x45)), 1, GL_BGRA, 2, 2, 0},
        {"full chain", make_dds(with_mips(dds("DXT1", 8, 8, 32 + 8 + 8 + 8), mip_flag, mip_caps)), 1, DXT1, 8, 8, 1},
        {"mip caps without the count flag", make_dds(with_mips(dds("DXT1", 8, 8, 32), 0x1007, mip_caps)), 1, DXT1, 8, 8, 0},
        {"count flag without the mip caps", make_dds(with_mips(dds("DXT1", 8, 8, 32), mip_flag, 0x1000)), 1, DXT1, 8, 8, 0},
        // refused
        {"DDS followed by no blank", "DDSX" + make_dds(dds("DXT1", 4, 4, 8)).substr(4), 0, -1, 0, 0, 0},
        {"DXT2 even with the RGB bit", make_dds(dds("DXT2", 4, 4, 64, 0x44)), 0, 0, 0, 0, 0},
        {"neither FourCC nor RGB bit", make_dds(dds("DXT1", 4, 4, 8, 0)), 0, 0, 0, 0, 0},
        {"header cut short", make_dds(dds("DXT1", 4, 4, 8)).substr(0, 100), 0, -1, 0, 0, 0},
        {"base level cut short", make_dds(dds("DXT1", 8, 8, 31)), 0, -1, 0, 0, 0},
        {"chain missing its last level", make_dds(with_mips(dds("DXT1", 8, 8, 32 + 8 + 8), mip_flag, mip_caps)), 0, -1, 0, 0, 0},
        {"BGRA cut short", make_dds(dds("", 4, 4, 63, 0x41)), 0, -1, 0, 0, 0},
        {"width 0", make_dds(dds("DXT1", 0, 4, 8)), 0, -1, 0, 0, 0},
        {"negative height", make_dds(dds("DXT1", 4, -4, 8)), 0, -1, 0, 0, 0},
        {"width 4096", make_dds(dds("DXT1", 4096, 4, 8192)), 0, -1, 0, 0, 0},
        {"empty file", "", 0, -1, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        mapped_file f(c.file);
        TEX_image_desc d{-1, 0, 0, 0, 0};
        const unsigned char* px = nullptr;
        ASSERT_EQ(TEX_load_dds("t.dds", f.get(), px, d), c.result);
        if (c.format != -1) {
            EXPECT_EQ(d.format, c.format);
        }
        if (!c.result) {
            EXPECT_EQ(px, nullptr);
            continue;
        }
        EXPECT_EQ(px, reinterpret_cast<const unsigned char*>(f.get()->begin) + 128);
        EXPECT_EQ(d.width, c.width);
        EXPECT_EQ(d.height, c.height);
        EXPECT_EQ(d.has_mips, c.has_mips);
        EXPECT_EQ(d.pad, 0);
    }
}

std::uint32_t le32_at(const std::string& s, std::size_t at)
{
    const auto* b = reinterpret_cast<const unsigned char*>(s.data() + at);
    return b[0] | (b[1] << 8) | (b[2] << 16) | (std::uint32_t(b[3]) << 24);
}

TEST(SaveDds, RgbFourByFourIsThreeDxt1Levels)
{
    temp_dir dir;
    bytes rgb(4 * 4 * 3);
    for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<unsigned char>(i * 5);
    ASSERT_EQ(TEX_save_dds(dir / "a.dds", rgb.data(), {GL_RGB, 4, 4, 0, 0}), 1);
    const std::string f = read_file(dir / "a.dds");
    ASSERT_EQ(f.size(), 128u + 8 + 8 + 8);
    EXPECT_EQ(f.substr(0, 4), "DDS ");
    EXPECT_EQ(le32_at(f, 4), 124u);
    EXPECT_EQ(le32_at(f, 8), 0xA1007u);
    EXPECT_EQ(le32_at(f, 20), 8u);  // linear size
    EXPECT_EQ(le32_at(f, 28), 3u);  // mip-map count
    EXPECT_EQ(le32_at(f, 80), 4u);
    EXPECT_EQ(f.substr(84, 4), "DXT1");
    EXPECT_EQ(le32_at(f, 108), 0x401008u);
    EXPECT_FALSE(std::filesystem::exists(dir / "a.dds.tmp"));
    // The reader takes what the writer wrote; the file's top row is the picture's top.
    mapped_file m(f);
    TEX_image_desc d{};
    const unsigned char* px = nullptr;
    ASSERT_EQ(TEX_load_dds("a.dds", m.get(), px, d), 1);
    EXPECT_EQ(d.format, DXT1);
    EXPECT_EQ(d.has_mips, 1);
}

TEST(SaveDds, NarrowLevelsComeFromVerticalPairs)
{
    temp_dir dir;
    // 2x8 RGBA, black, alpha by row from the bottom: 0 0 0 0 200 200 100 100.
    const unsigned char alpha[8] = {0, 0, 0, 0, 200, 200, 100, 100};
    bytes px(2 * 8 * 4, 0);
    for (int r = 0; r < 8; ++r) px[r * 8 + 3] = px[r * 8 + 7] = alpha[r];
    ASSERT_EQ(TEX_save_dds(dir / "n.dds", px.data(), {GL_RGBA, 2, 8, 0, 0}), 1);
    const std::string f = read_file(dir / "n.dds");
    ASSERT_EQ(f.size(), 128u + 32 + 3 * 16); // 2x8 is two blocks high, then one block a level
    EXPECT_EQ(le32_at(f, 28), 4u);
    EXPECT_EQ(f.substr(84, 4), "DXT5");
    // Top first: level 1x4 is 100 200 0 0, level 1x2 is 150 0, level 1x1 is 75.
    const auto level_alpha = [&](int index, int h) {
        bytes rgba(std::size_t(h) * 4);
        squish::DecompressImage(rgba.data(), 1, h, f.data() + 128 + 32 + 16 * (index - 1), squish::kDxt5);
        bytes a;
        for (int y = 0; y < h; ++y) a.push_back(rgba[y * 4 + 3]);
        return a;
    };
    EXPECT_EQ(level_alpha(2, 2), (bytes{150, 0}));
    EXPECT_EQ(level_alpha(3, 1), (bytes{75}));
}

TEST(SaveDds, RgbIsStoredOpaque)
{
    temp_dir dir;
    std::mt19937 rng(3);
    bytes rgb(16 * 16 * 3);
    for (auto& v : rgb) v = static_cast<unsigned char>(rng());
    ASSERT_EQ(TEX_save_dds(dir / "o.dds", rgb.data(), {GL_RGB, 16, 16, 0, 0}), 1);
    const std::string f = read_file(dir / "o.dds");
    bytes rgba(16 * 16 * 4);
    squish::DecompressImage(rgba.data(), 16, 16, f.data() + 128, squish::kDxt1);
    for (std::size_t i = 3; i < rgba.size(); i += 4) ASSERT_EQ(rgba[i], 255) << i;
}

TEST(SaveDds, FailuresLeaveNoPartialFile)
{
    temp_dir dir;
    bytes rgba(16 * 16 * 4, 99);
    const TEX_image_desc d{GL_RGBA, 16, 16, 0, 0};
    EXPECT_EQ(TEX_save_dds(dir / "missing/x.dds", rgba.data(), d), 0);
    EXPECT_EQ(TEX_save_dds(dir / "z.dds", rgba.data(), {GL_RGBA, 0, 16, 0, 0}), 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "z.dds.tmp"));
    {
        // A full disc: the earlier file of that name stays as it was.
        write_file(dir / "full.dds", "earlier");
        file_size_limit limit(200);
        EXPECT_EQ(TEX_save_dds(dir / "full.dds", rgba.data(), d), 0);
    }
    EXPECT_EQ(read_file(dir / "full.dds"), "earlier");
    EXPECT_FALSE(std::filesystem::exists(dir / "full.dds.tmp"));
    // A folder in the file's place: the rename fails.
    std::filesystem::create_directory(dir / "taken.dds");
    std::filesystem::create_directory(dir / "taken.dds/inside");
    EXPECT_EQ(TEX_save_dds(dir / "taken.dds", rgba.data(), d), 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "taken.dds.tmp"));
}

TEST(SaveDds, AnotherFormatIsAProgramFault)
{
    temp_dir dir;
    alert_recorder rec;
    bytes px(16, 0);
    EXPECT_THROW(TEX_save_dds(dir / "bad.dds", px.data(), {GL_ALPHA, 4, 4, 0, 0}), fatal_alert);
    ASSERT_EQ(rec.alerts().size(), 1u);
    EXPECT_EQ(rec.alerts()[0].lines.l2, "in_desc.format == GL_RGBA || in_desc.format == GL_RGB");
}

} // namespace
