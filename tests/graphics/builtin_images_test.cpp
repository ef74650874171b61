// builtin_images_test.cpp - the built-in pictures as the drawing code addresses
// them: every cell of art/cells.txt painted, frames that stretch without seams,
// the glyph sheet against the advance table, the interface colours at their
// sampling texels, opaque backgrounds the right way up, and the staging into
// scratch_array. Also writes contact sheets of the pictures for review
// (build folder, art_sheets/).
#include "graphics/builtin_images.h"

#include "foundation/hl_types.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct cell {
    std::string picture, name;
    int s0, t0, s1, t1; // texels, end exclusive, t upwards from the first stored row
};

std::vector<cell> read_cells()
{
    std::vector<cell> cells;
    std::ifstream in(std::string(SKY_ART_DIR) + "/cells.txt");
    std::string line;
    while (std::getline(in, line)) {
        line = line.substr(0, line.find('#'));
        std::istringstream fields(line);
        cell c;
        if (fields >> c.picture >> c.name >> c.s0 >> c.t0 >> c.s1 >> c.t1) cells.push_back(c);
    }
    return cells;
}

struct picture {
    const unsigned char* px;
    int dx, dy;
    const unsigned char* at(int s, int t) const { return px + 4 * (std::size_t(dx) * t + s); }
};

const picture atlas{t_interface_dat, t_interface_dx, t_interface_dy};
const picture installer{t_installer_dat, t_installer_dx, t_installer_dy};

const picture& picture_of(const cell& c) { return c.picture == "atlas" ? atlas : installer; }

int visible_texels(const picture& p, int s0, int t0, int s1, int t1)
{
    int n = 0;
    for (int t = t0; t < t1; ++t)
        for (int s = s0; s < s1; ++s) n += p.at(s, t)[3] != 0;
    return n;
}

bool same_texel(const unsigned char* a, const unsigned char* b) { return std::memcmp(a, b, 4) == 0; }

// Equal as drawn: two fully transparent texels look alike whatever their colour.
bool looks_alike(const unsigned char* a, const unsigned char* b)
{
    return (a[3] == 0 && b[3] == 0) || same_texel(a, b);
}

} // namespace

// ---- the cell table ---------------------------------------------------------

TEST(BuiltinImages, TableListsThePicturesInLoadOrderWithTheirSizes)
{
    const struct { int ref, dx, dy; const unsigned char* px; } want[] = {
        {389, 1010, 764, t_installer_dat},
        {390, 1024, 768, t_ins_back_1_dat},
        {391, 1024, 768, t_ins_back_2_dat},
        {388, 512, 512, t_interface_dat}, // last: start-up reads colours from it
    };
    for (int i = 0; i < builtin_image_count; ++i) {
        SCOPED_TRACE(builtin_images[i].name);
        EXPECT_EQ(builtin_images[i].ref, want[i].ref);
        EXPECT_EQ(builtin_images[i].dx, want[i].dx);
        EXPECT_EQ(builtin_images[i].dy, want[i].dy);
        EXPECT_EQ(builtin_images[i].pixels, want[i].px);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(builtin_images[i].pixels) % 16, 0u);
    }
    EXPECT_EQ(sizeof t_installer_dat, 3086560u);
    EXPECT_EQ(sizeof t_interface_dat, 1048576u);
}

TEST(BuiltinImages, CellTableLiesInsideItsPicturesWithoutOverlaps)
{
    const std::vector<cell> cells = read_cells();
    ASSERT_GT(cells.size(), 80u);
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const cell& a = cells[i];
        SCOPED_TRACE(a.name);
        const picture& p = picture_of(a);
        EXPECT_TRUE(a.picture == "atlas" || a.picture == "installer");
        EXPECT_TRUE(0 <= a.s0 && a.s0 < a.s1 && a.s1 <= p.dx);
        EXPECT_TRUE(0 <= a.t0 && a.t0 < a.t1 && a.t1 <= p.dy);
        for (std::size_t j = i + 1; j < cells.size(); ++j) {
            const cell& b = cells[j];
            const bool apart = a.picture != b.picture || a.s1 <= b.s0 || b.s1 <= a.s0 || a.t1 <= b.t0 ||
                               b.t1 <= a.t0;
            EXPECT_TRUE(apart) << "overlaps " << b.name;
        }
    }
}

TEST(BuiltinImages, EveryAddressedCellIsPainted)
{
    for (const cell& c : read_cells()) {
        if (c.name == "glyph_sheet") continue; // checked glyph by glyph below
        SCOPED_TRACE(c.name);
        const int area = (c.s1 - c.s0) * (c.t1 - c.t0);
        // A tenth of the cell at least: a stray pixel is not a widget.
        EXPECT_GE(visible_texels(picture_of(c), c.s0, c.t0, c.s1, c.t1) * 10, area);
    }
}

TEST(BuiltinImages, ThreeLookButtonsDifferBetweenLooks)
{
    const struct { int s, t, w, h; const char* name; } buttons[] = {
        {513, 166, 126, 22, "DESTINATION"}, {640, 166, 83, 22, "INSTALL"}, {780, 166, 51, 22, "EXIT"},
        {822, 235, 116, 22, "BUY ONLINE"},  {832, 166, 85, 22, "DISAGREE"}, {918, 166, 59, 22, "AGREE"},
    };
    for (const auto& b : buttons) {
        SCOPED_TRACE(b.name);
        int differ_hover = 0, differ_pressed = 0;
        for (int t = 0; t < b.h; ++t)
            for (int s = b.s; s < b.s + b.w; ++s) {
                const unsigned char* normal = installer.at(s, b.t + t);
                differ_hover += !same_texel(normal, installer.at(s, b.t - (b.h + 1) + t));
                differ_pressed += !same_texel(normal, installer.at(s, b.t - 2 * (b.h + 1) + t));
            }
        EXPECT_GT(differ_hover, b.w * b.h / 4);
        EXPECT_GT(differ_pressed, b.w * b.h / 4);
    }
}

// ---- frames stretch without seams ---------------------------------------------
// The middle piece of a frame is repeated along its stretch axis, so along that
// axis it must not change, or every repeat shows a seam.

namespace {

// Texels [from, to) along s of rows [t0, t1) all equal their first column.
bool uniform_along_s(const picture& p, int from, int to, int t0, int t1)
{
    for (int t = t0; t < t1; ++t)
        for (int s = from + 1; s < to; ++s)
            if (!looks_alike(p.at(s, t), p.at(from, t))) return false;
    return true;
}

bool uniform_along_t(const picture& p, int from, int to, int s0, int s1)
{
    for (int s = s0; s < s1; ++s)
        for (int t = from + 1; t < to; ++t)
            if (!looks_alike(p.at(s, t), p.at(s, from))) return false;
    return true;
}

} // namespace

TEST(BuiltinImages, OneRowFramesRepeatTheirMiddleWithoutSeams)
{
    const struct { int style, s0, t0, h, c, e; } frames[] = {
        {0, 1, 487, 25, 10, 90},   {1, 102, 487, 25, 20, 80}, {2, 304, 486, 26, 10, 42},
        {3, 304, 459, 26, 10, 42}, {4, 112, 161, 16, 10, 18}, {5, 83, 161, 16, 10, 18},
        {7, 240, 242, 24, 10, 55}, {8, 289, 219, 16, 7, 9},   {9, 262, 133, 26, 10, 41},
        {10, 357, 488, 24, 26, 42},
    };
    for (const auto& f : frames) {
        SCOPED_TRACE(f.style);
        EXPECT_TRUE(uniform_along_s(atlas, f.s0 + f.c, f.s0 + f.e, f.t0, f.t0 + f.h));
    }
    // The vertical slider track repeats t 258..278.
    EXPECT_TRUE(uniform_along_t(atlas, 258, 278, 102, 122));
}

TEST(BuiltinImages, PanelsRepeatTheirMiddleWithoutSeams)
{
    // style, picture, s0, t0, k, cap across, cap below, cap above
    const struct { int style; const picture* p; int s0, t0, k; double cx, cb, ct; } panels[] = {
        {11, &atlas, 1, 358, 100, 35, 30, 30},   {12, &atlas, 102, 358, 100, 35, 30, 30},
        {13, &atlas, 203, 358, 100, 35, 30, 30}, {14, &atlas, 304, 358, 100, 35, 30, 30},
        {15, &atlas, 405, 358, 100, 35, 30, 30}, {16, &atlas, 1, 289, 68, 23.8, 20.4, 20.4},
        {17, &atlas, 70, 315, 42, 20, 26, 14},   {18, &atlas, 113, 315, 42, 14.7, 12.6, 12.6},
        {19, &atlas, 440, 12, 44, 15.4, 13.2, 13.2}, {20, &installer, 774, 78, 41, 14.35, 12.3, 12.3},
    };
    for (const auto& p : panels) {
        SCOPED_TRACE(p.style);
        // whole texels of the middle only: a cap of 14.7 ends inside texel 14
        const int s_from = p.s0 + int(std::ceil(p.cx)), s_to = p.s0 + p.k - int(std::ceil(p.cx));
        const int t_from = p.t0 + int(std::ceil(p.cb)), t_to = p.t0 + p.k - int(std::ceil(p.ct));
        EXPECT_TRUE(uniform_along_s(*p.p, s_from, s_to, p.t0, p.t0 + p.k));
        EXPECT_TRUE(uniform_along_t(*p.p, t_from, t_to, p.s0, p.s0 + p.k));
    }
}

// ---- the glyph sheet --------------------------------------------------------------

namespace {

// Sheet rows from the bottom; Latin-1 bytes; 0xFB draws the degree sign.
const char* const sheet_rows[5] = {
    " 0123456789AaBbCcDdEe",
    "FfGgHhIiJjKkLlMmNnOoP",
    "pQqRrSsTtUuVvWwXxYyZz",
    "!@#$%^&*()-_+=[]|\\':;",
    "<.>,?/`\xfb\xc1\xe1\xc9\xe9\xcd\xed\xd3\xf3\xda\xfa\xd1\xf1\xbf",
};

int advance_of(unsigned char ch)
{
    static const struct { int w; const char* chars; } table[] = {
        {2, ",."},
        {3, " '/:;I\\`ijl|\xfb"},
        {4, "!()-J[]frst"},
        {5, "c"},
        {6, "#$*0123456789?^_EFLPSTZaekvxyz\xbf\xc1\xc9\xcd\xd1\xd3\xda\xe1\xe9\xed\xf1\xf3\xfa"},
        {7, "+<=>BCKRVXYbdghnopqu"},
        {8, "&ADGHNU"},
        {9, "@OQw"},
        {10, "Mm"},
        {11, "%W"},
    };
    for (const auto& row : table)
        if (std::strchr(row.chars, ch)) return row.w;
    return 0;
}

struct ink_box {
    int s_min = 99, s_max = -1, t_min = 99, t_max = -1;
    bool empty() const { return s_max < 0; }
};

ink_box glyph_ink(int row, int col)
{
    ink_box b;
    for (int t = 0; t < 15; ++t)
        for (int s = 0; s < 14; ++s)
            if (atlas.at(col * 14 + s, row * 15 + t)[3] != 0) {
                b.s_min = std::min(b.s_min, s);
                b.s_max = std::max(b.s_max, s);
                b.t_min = std::min(b.t_min, t);
                b.t_max = std::max(b.t_max, t);
            }
    return b;
}

int ink_in_row(int row, int col, int t)
{
    int n = 0;
    for (int s = 0; s < 14; ++s) n += atlas.at(col * 14 + s, row * 15 + t)[3] > 96;
    return n;
}

} // namespace

TEST(BuiltinImages, GlyphsFitTheAdvanceTableAndTakeAnyTint)
{
    for (int row = 0; row < 5; ++row)
        for (int col = 0; col < 21; ++col) {
            const unsigned char ch = static_cast<unsigned char>(sheet_rows[row][col]);
            SCOPED_TRACE(testing::Message() << "row " << row << " column " << col << " byte " << int(ch));
            const int adv = advance_of(ch);
            ASSERT_GT(adv, 0); // every cell of the sheet holds a measured character
            const ink_box ink = glyph_ink(row, col);
            if (ch == ' ') {
                EXPECT_TRUE(ink.empty()); // the blank cell stands in for every unknown byte
                continue;
            }
            ASSERT_FALSE(ink.empty());
            // Ink inside the advance, leaving the last column free so that
            // neighbours never touch.
            EXPECT_GE(ink.s_min, 0);
            EXPECT_LE(ink.s_max, adv - 2 < 0 ? 0 : adv - 2);
            for (int t = 0; t < 15; ++t)
                for (int s = 0; s < 14; ++s) {
                    const unsigned char* px = atlas.at(col * 14 + s, row * 15 + t);
                    if (px[3] == 0) continue;
                    ASSERT_TRUE(px[0] == 255 && px[1] == 255 && px[2] == 255);
                }
        }
}

TEST(BuiltinImages, GlyphsStandUprightOnTheBaseline)
{
    // The pen's y lies 4 texels above the cell's bottom (t = 0): capitals and
    // digits rest on row 4, descenders reach below it.
    const struct { int row, col; const char* what; } on_baseline[] = {
        {0, 1, "0"}, {0, 11, "A"}, {1, 4, "H"}, {2, 19, "Z"}, {0, 17, "D"},
    };
    for (const auto& g : on_baseline) {
        SCOPED_TRACE(g.what);
        EXPECT_EQ(glyph_ink(g.row, g.col).t_min, 4);
    }
    EXPECT_LT(glyph_ink(1, 3).t_min, 4); // 'g' descends
    EXPECT_LT(glyph_ink(2, 0).t_min, 4); // 'p' too
    // Upright: 'T' has its bar on top, 'L' its foot at the bottom.
    const ink_box t_ink = glyph_ink(2, 7), l_ink = glyph_ink(1, 12);
    EXPECT_GT(ink_in_row(2, 7, t_ink.t_max), ink_in_row(2, 7, t_ink.t_min));
    EXPECT_GT(ink_in_row(1, 12, l_ink.t_min), ink_in_row(1, 12, l_ink.t_max));
}

// ---- interface colours, backgrounds ---------------------------------------------

TEST(BuiltinImages, AtlasHoldsTheInterfaceColoursAtTheirSamplingTexels)
{
    const struct { int index, column, row, r, g, b; } samples[] = {
        {34, 319, 155, 51, 67, 86},    {35, 319, 147, 78, 78, 73},     {36, 319, 139, 13, 27, 44},
        {37, 319, 131, 125, 126, 121}, {38, 319, 123, 255, 255, 255},  {40, 319, 115, 238, 238, 238},
        {41, 319, 107, 13, 27, 44},    {42, 319, 99, 93, 99, 110},     {43, 319, 91, 34, 41, 53},
        {45, 319, 83, 39, 44, 52},     {46, 319, 75, 36, 43, 53},      {47, 319, 67, 127, 220, 175},
        {44, 395, 115, 220, 220, 220},
    };
    for (const auto& c : samples) {
        SCOPED_TRACE(c.index);
        // Start-up reads byte 4 * (512 * row + column) of the atlas.
        const unsigned char* px = t_interface_dat + 4 * (512 * c.row + c.column);
        EXPECT_EQ(px[0], c.r);
        EXPECT_EQ(px[1], c.g);
        EXPECT_EQ(px[2], c.b);
        EXPECT_EQ(px[3], 255);
    }
}

namespace {

double row_luminance(const unsigned char* px, int row, int s0, int s1)
{
    double sum = 0;
    for (int s = s0; s < s1; ++s) {
        const unsigned char* p = px + 4 * (std::size_t(1024) * row + s);
        sum += 0.3 * p[0] + 0.59 * p[1] + 0.11 * p[2];
    }
    return sum / (s1 - s0);
}

} // namespace

TEST(BuiltinImages, BackgroundsAreOpaqueAndTheRightWayUp)
{
    for (const unsigned char* px : {t_ins_back_1_dat, t_ins_back_2_dat}) {
        std::size_t see_through = 0;
        for (std::size_t i = 3; i < sizeof t_ins_back_1_dat; i += 4) see_through += px[i] != 255;
        EXPECT_EQ(see_through, 0u);
        // The sky darkens upwards: its first stored rows lie at the bottom of the screen.
        EXPECT_GT(row_luminance(px, 120, 124, 1024), row_luminance(px, 670, 124, 1024) + 20);
    }
    // Background 1: light bands along the bottom (t 0..106) and the top
    // (t 683..767), a dark column at the left between them.
    const unsigned char* b = t_ins_back_1_dat;
    EXPECT_GT(row_luminance(b, 50, 0, 1024), 180);
    EXPECT_GT(row_luminance(b, 720, 0, 400), 180);
    EXPECT_LT(row_luminance(b, 400, 0, 123), 100);
}

// ---- staging into scratch_array ---------------------------------------------------

TEST(BuiltinImages, StagingLaysPicturesInPowerOfTwoRowsWithZeroPadding)
{
    HL_fill_tables();
    ASSERT_EQ(reinterpret_cast<std::uintptr_t>(scratch_array) % 16, 0u);
    std::memset(scratch_array, 0xab, std::size_t(scratch_dim) * scratch_dim * 4); // the whole capacity

    TEX_stage_builtin(builtin_images[0]); // the 1010 x 764 installer picture
    EXPECT_EQ(scratch_dx, 1010);
    EXPECT_EQ(scratch_dy, 764);
    const struct { int s, t; } probes[] = {{0, 0}, {1009, 0}, {513, 166}, {0, 763}, {1009, 763}, {700, 400}};
    for (const auto& p : probes) {
        SCOPED_TRACE(testing::Message() << p.s << "," << p.t);
        EXPECT_TRUE(same_texel(scratch_array + 4 * (1024 * p.t + p.s), installer.at(p.s, p.t)));
    }
    std::size_t padding_not_zero = 0;
    for (int t = 0; t < 1024; ++t)
        for (int s = (t < 764 ? 1010 : 0); s < 1024; ++s)
            for (int k = 0; k < 4; ++k) padding_not_zero += scratch_array[4 * (1024 * t + s) + k] != 0;
    EXPECT_EQ(padding_not_zero, 0u);

    for (const builtin_image_struct& img : builtin_images) TEX_stage_builtin(img);
    // The atlas goes last and stays: start-up reads its colours from there.
    EXPECT_EQ(scratch_dx, 512);
    EXPECT_EQ(scratch_dy, 512);
    EXPECT_EQ(std::memcmp(scratch_array, t_interface_dat, sizeof t_interface_dat), 0);
    EXPECT_TRUE(same_texel(scratch_array + 4 * (512 * 155 + 319), atlas.at(319, 155)));
}

// ---- contact sheets for review -----------------------------------------------------
// Not a check of its own: writes the pictures upright (as seen on screen) into
// the build folder, the atlas enlarged over a checkerboard with every cell of
// the table outlined, so a person can look at what the program will show.

namespace {

struct sheet {
    int w, h;
    std::vector<unsigned char> px; // RGBA, top row first (as PNG stores it)
    sheet(int w_, int h_) : w(w_), h(h_), px(std::size_t(w_) * h_ * 4) {}
    unsigned char* at(int x, int y) { return px.data() + 4 * (std::size_t(w) * y + x); }
};

// Picture p upright, enlarged by scale, over a grey checkerboard.
sheet upright(const unsigned char* pixels, int dx, int dy, int scale)
{
    sheet out(dx * scale, dy * scale);
    for (int y = 0; y < out.h; ++y)
        for (int x = 0; x < out.w; ++x) {
            const unsigned char* src = pixels + 4 * (std::size_t(dx) * (dy - 1 - y / scale) + x / scale);
            const int back = ((x / 8 + y / 8) % 2) ? 110 : 80;
            unsigned char* dst = out.at(x, y);
            for (int k = 0; k < 3; ++k) dst[k] = static_cast<unsigned char>((src[k] * src[3] + back * (255 - src[3])) / 255);
            dst[3] = 255;
        }
    return out;
}

void outline(sheet& sh, const cell& c, int dy, int scale)
{
    const int x0 = c.s0 * scale, x1 = c.s1 * scale - 1;
    const int y0 = (dy - c.t1) * scale, y1 = std::min(sh.h - 1, (dy - c.t0) * scale - 1);
    const unsigned char red[4] = {255, 40, 40, 255};
    for (int x = x0; x <= x1; ++x) {
        std::memcpy(sh.at(x, std::max(0, y0)), red, 4);
        std::memcpy(sh.at(x, y1), red, 4);
    }
    for (int y = std::max(0, y0); y <= y1; ++y) {
        std::memcpy(sh.at(x0, y), red, 4);
        std::memcpy(sh.at(x1, y), red, 4);
    }
}

bool write_png(const std::string& path, const sheet& sh)
{
    png_image img;
    std::memset(&img, 0, sizeof img);
    img.version = PNG_IMAGE_VERSION;
    img.width = static_cast<png_uint_32>(sh.w);
    img.height = static_cast<png_uint_32>(sh.h);
    img.format = PNG_FORMAT_RGBA;
    return png_image_write_to_file(&img, path.c_str(), 0, sh.px.data(), 0, nullptr) != 0;
}

} // namespace

TEST(BuiltinImages, ContactSheetsAreWrittenForReview)
{
    const std::string dir = SKY_SHEET_DIR;
    sheet a = upright(t_interface_dat, 512, 512, 3);
    sheet i = upright(t_installer_dat, 1010, 764, 1);
    for (const cell& c : read_cells()) {
        if (c.picture == "atlas") outline(a, c, 512, 3);
        else outline(i, c, 764, 1);
    }
    EXPECT_TRUE(write_png(dir + "/atlas_cells.png", a));
    EXPECT_TRUE(write_png(dir + "/installer_cells.png", i));
    EXPECT_TRUE(write_png(dir + "/ins_back_1.png", upright(t_ins_back_1_dat, 1024, 768, 1)));
    EXPECT_TRUE(write_png(dir + "/ins_back_2.png", upright(t_ins_back_2_dat, 1024, 768, 1)));
}
