// text_layout_test.cpp - where the bitmap-font text puts its glyphs, without
// GL: wrapping and alignment, the two number forms, the glyph sheet and the
// width table. One table per question.
#include "ui/text_layout.h"

#include "foundation/hl_types.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

struct WindowOrigin : ::testing::Test {
    void SetUp() override { mnw.wind_x = mnw.wind_y = 0; }
    void TearDown() override { mnw.wind_x = mnw.wind_y = 0; }
};

struct line_want {
    std::string text;
    float y;
};

std::vector<line_want> lines_of(const std::string& text, const text_layout& l)
{
    std::vector<line_want> out;
    for (const text_line& line : l.lines) out.push_back({text.substr(line.begin, line.end - line.begin), line.y});
    return out;
}

bool operator==(const line_want& a, const line_want& b) { return a.text == b.text && a.y == b.y; }
void PrintTo(const line_want& l, std::ostream* os) { *os << "'" << l.text << "' at " << l.y; }

} // namespace

TEST_F(WindowOrigin, WrappingTable)
{
    struct {
        const char* what;
        std::string text;
        float x, y, wrap;
        int advance;
        float wind_x, wind_y;
        std::vector<line_want> want;
        float result;
    } const cases[] = {
        {"empty, one line", "", 100, 200, 0, 0, 0, 0, {{"", 198}}, 200},
        {"empty, wrapped: no line", "", 100, 200, 50, 0, 0, 0, {}, 200},
        {"Hello world wrapped at 50", "Hello world", 100, 200, 50, 0, 0, 0, {{"Hello ", 198}, {"world", 188}}, 180},
        {"Hello world in one line", "Hello world", 100, 200, 0, 0, 0, 0, {{"Hello world", 198}}, 200},
        {"9999 means one line", "Hello world", 100, 200, 9999, 0, 0, 0, {{"Hello world", 198}}, 200},
        {"two spaces", "a  b", 0, 0, 5, 0, 0, 0, {{"a ", -2}, {" ", -12}, {"b", -22}}, -30},
        {"hyphen and slash break", "x-y/z w", 0, 0, 10, 0, 0, 0, {{"x-", -2}, {"y/", -12}, {"z ", -22}, {"w", -32}},
         -40},
        {"line feed breaks a wrapped text", "ab\ncd", 0, 0, 100, 0, 0, 0, {{"ab\n", -2}, {"cd", -12}}, -20},
        {"line feed does not break one line", "ab\ncd", 0, 0, 9999, 0, 0, 0, {{"ab\ncd", -2}}, 0},
        {"a long word stays whole", "tremendously", 0, 0, 20, 0, 0, 0, {{"tremendously", -2}}, -10},
        {"window origin added and taken off", "Hello world", 10, 20, 50, 0, 100, 50,
         {{"Hello ", 68}, {"world", 58}}, 0},
        {"halves round away from zero", "a", 0.5f, 2.5f, 0, 0, 0, 0, {{"a", 1}}, 3},
        {"fixed advance counts 10 a character", "ab cd", 0, 0, 35, 10, 0, 0, {{"ab ", -2}, {"cd", -12}}, -20},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        mnw.wind_x = c.wind_x;
        mnw.wind_y = c.wind_y;
        text_layout l;
        const float result = OGL_layout_string(c.x, c.y, c.text, c.wrap, c.advance, 0, l);
        EXPECT_EQ(lines_of(c.text, l), c.want);
        EXPECT_EQ(result, c.result);
    }
}

TEST_F(WindowOrigin, GlyphPositionsAndAlignment)
{
    struct {
        const char* what;
        std::string text;
        int advance, align;
        std::vector<float> pens; // x of each placed glyph, pen y 198
    } const cases[] = {
        {"Hello, left: 8 6 3 3 7", "Hello", 0, 0, {100, 108, 114, 117, 120}},
        {"centred i starts at 98.5", "i", 0, 1, {98.5f}},
        {"right-aligned ends at x", "ab", 0, 2, {87, 93}},
        {"fixed advance", "ab", 10, 0, {100, 110}},
        {"control bytes take no glyph and no room", "a\r\tb", 0, 0, {100, 106}},
        {"a byte without a glyph is drawn but takes no room", "a\"b", 0, 0, {100, 106, 106}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        text_layout l;
        OGL_layout_string(100, 200, c.text, 0, c.advance, c.align, l);
        std::vector<float> pens;
        for (const placed_glyph& g : l.glyphs) {
            pens.push_back(g.x);
            EXPECT_EQ(g.y, 198);
        }
        EXPECT_EQ(pens, c.pens);
    }
    EXPECT_EQ(OGL_line_width("Hello", 0, 5, 0), 27);
}

TEST(TextLayout, WrappedLinesKeepTheirBreakCharacterInTheirWidth)
{
    text_layout l;
    OGL_layout_string(100, 200, "Hello world", 50, 0, 1, l);
    ASSERT_EQ(l.lines.size(), 2u);
    // 'Hello ' is 30 wide with its space: centred on 100 it starts at 85.
    EXPECT_EQ(l.glyphs.front().x, 85);
}

TEST(TextLayout, NumberTextForms)
{
    const double inf = std::numeric_limits<double>::infinity();
    struct {
        double value;
        int digits, decimals;
        const char* want;
    } const cases[] = {
        {5.0, 7, 2, "00,005.00"},
        {12345.678f, 7, 2, "12,345.68"},
        {1234567, 7, 0, "1,234,567"},
        {-3.25, 4, 1, "-003.3"},
        {-0.04f, 3, 2, "-0.04"},
        {-0.0004f, 3, 2, "0.00"},
        {999.4f, 3, 0, "1.00x3"},
        {123456, 4, 0, "1.23x5"},
        {9.6f, 1, 0, "0.10x2"},
        {12.5, 2, 0, "13"},
        {5, 0, 0, "0.05x2"},
        {1e8, 8, 0, "1.00x8"},      // nine places: too wide for eight digits
        {1e15, 12, 0, "#.##x#"},    // the power of ten would need two digits
        {1e15, 16, 0, "1000000,000,000,000"}, // separators for three groups only
        {inf, 5, 0, "#.##x#"},
        {-inf, 5, 0, "#.##x#"},
        {std::nan(""), 5, 0, "#.##x#"},
        {1.0, 5, 400, "#.##x#"},    // 10^400 is no number
        {1.0, 1000, 0, "#.##x#"},   // wider than any field
    };
    std::string out;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " in " << c.digits << " with " << c.decimals);
        OGL_number_text(c.value, c.digits, c.decimals, out);
        EXPECT_EQ(out, c.want);
    }
}

TEST_F(WindowOrigin, NumberCellsOfTheFixedFont)
{
    struct {
        double value;
        int digits, decimals;
        std::vector<placed_glyph> want; // all at pen y 48
    } const cases[] = {
        {12345.678f, 7, 2,
         {{145, 48, '.'}, {115, 48, ','}, {100, 48, '1'}, {110, 48, '2'}, {120, 48, '3'}, {130, 48, '4'},
          {140, 48, '5'}, {150, 48, '6'}, {160, 48, '8'}}},
        {-7, 2, 0, {{91, 48, '-'}, {100, 48, '0'}, {110, 48, '7'}}},
        {7, 0, 0, {}},
        // Too wide for the field, not finite: a '#' in every cell, nothing else.
        {123456, 4, 0, {{100, 48, '#'}, {110, 48, '#'}, {120, 48, '#'}, {130, 48, '#'}}},
        {4294967296.0, 3, 0, {{100, 48, '#'}, {110, 48, '#'}, {120, 48, '#'}}},
        {std::nan(""), 2, 0, {{100, 48, '#'}, {110, 48, '#'}}},
        // Beyond 2^31 the digits are still right.
        {4294967296.0, 10, 0,
         {{165, 48, ','}, {135, 48, ','}, {105, 48, ','}, {100, 48, '4'}, {110, 48, '2'}, {120, 48, '9'},
          {130, 48, '4'}, {140, 48, '9'}, {150, 48, '6'}, {160, 48, '7'}, {170, 48, '2'}, {180, 48, '9'},
          {190, 48, '6'}}},
    };
    std::vector<placed_glyph> out;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " in " << c.digits << " with " << c.decimals);
        OGL_number_cells(100, 50, c.value, c.digits, c.decimals, 10, out);
        ASSERT_EQ(out.size(), c.want.size());
        for (size_t i = 0; i < out.size(); ++i) {
            EXPECT_EQ(out[i].x, c.want[i].x) << i;
            EXPECT_EQ(out[i].y, c.want[i].y) << i;
            EXPECT_EQ(out[i].ch, c.want[i].ch) << i;
        }
    }
}

TEST(TextLayout, GlyphSheetAndWidths)
{
    struct {
        int font, ch, col, row, width;
    } const cases[] = {
        {100, ' ', 0, 0, 3},         {100, '0', 1, 0, 6},      {100, 'A', 11, 0, 8},
        {100, 'e', 20, 0, 6},        {100, 'F', 0, 1, 6},      {100, 'P', 20, 1, 6},
        {100, 'p', 0, 2, 7},         {100, 'z', 20, 2, 6},     {100, '!', 0, 3, 4},
        {100, ';', 20, 3, 3},        {100, '<', 0, 4, 7},      {100, '\'', 18, 3, 3},
        {100, -23, 11, 4, 6},        // 0xE9 é
        {100, -24, 0, 0, 0},         // 0xE8 è: no glyph
        {100, -5, 7, 4, 3},          // 0xFB: the degree sign
        {100, -65, 20, 4, 6},        // 0xBF ¿
        {100, '"', 0, 0, 0},         {100, '~', 0, 0, 0},      {100, 200, 0, 0, 0},
        {102, 'W', 13, 2, 11},       {103, 85, 5, 2, 0},       {103, -41, -1, -1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "font " << c.font << " char " << c.ch);
        int col = -9, row = -9;
        OGL_glyph_cell(c.font, c.ch, &col, &row);
        EXPECT_EQ(col, c.col);
        EXPECT_EQ(row, c.row);
        if (c.font != 103) {
            EXPECT_EQ(OGL_char_width(c.ch), c.width);
        }
    }
}

TEST(TextLayout, GlyphQuads)
{
    font_desc f{};
    ASSERT_TRUE(OGL_font_desc(100, &f));
    EXPECT_FALSE(OGL_font_desc(101, &f));
    ASSERT_TRUE(OGL_font_desc(100, &f));
    // 'A' at row 0, column 11: s from 154/512, t from 0; the cell's bottom 4 below y.
    glyph_quad q = OGL_glyph_quad(98.5f, 200.7f, f, 'A');
    EXPECT_EQ(q.x0, 98);
    EXPECT_EQ(q.y0, 196);
    EXPECT_EQ(q.x1, 112);
    EXPECT_EQ(q.y1, 211);
    EXPECT_FLOAT_EQ(q.s0, 154.0f / 512);
    EXPECT_FLOAT_EQ(q.s1, 168.0f / 512);
    EXPECT_FLOAT_EQ(q.t0, 0);
    EXPECT_FLOAT_EQ(q.t1, 15.0f / 512);
    // The glyph scale grows the quad, never the cell.
    oglp = 2.0f;
    q = OGL_glyph_quad(0, 4, f, 'A');
    oglp = 1.0f;
    EXPECT_EQ(q.x1 - q.x0, 28);
    EXPECT_EQ(q.y1 - q.y0, 30);
    EXPECT_FLOAT_EQ(q.s1 - q.s0, 14.0f / 512);
}

// Laying text out again into the same object reuses its storage.
TEST(TextLayout, ReusedLayoutDoesNotGrow)
{
    std::string paragraph;
    for (int i = 0; i < 200; ++i) paragraph += "words wrap/at breaks- ";
    text_layout l;
    OGL_layout_string(0, 700, paragraph, 600, 0, 0, l);
    const placed_glyph* glyphs = l.glyphs.data();
    const text_line* lines = l.lines.data();
    OGL_layout_string(0, 700, paragraph, 600, 0, 0, l);
    EXPECT_EQ(l.glyphs.data(), glyphs);
    EXPECT_EQ(l.lines.data(), lines);
    EXPECT_GT(l.lines.size(), 30u);
}
