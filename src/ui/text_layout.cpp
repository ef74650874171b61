// text_layout.cpp - glyph placement of the bitmap-font text.
//
// Sections: fonts | the glyph sheet and the width table | lines and wrapping |
// numbers.
#include "ui/text_layout.h"

#include "foundation/hl_types.h"

#include <algorithm>
#include <array>
#include <cmath>

float oglp = 1.0f;

// ---- fonts ----------------------------------------------------------------------

bool OGL_font_desc(int font, font_desc* out)
{
    switch (font) {
    case font_interface: *out = {font, 388, 0, 0, 14, 15, 0}; return true;
    case font_fixed: *out = {font, 388, 0, 0, 14, 15, 10}; return true;
    case font_grid_13: *out = {font, 392, 0, 0, 13, 13, 15}; return true;
    default: return false;
    }
}

// ---- the glyph sheet and the width table -------------------------------------------

namespace {

constexpr int sheet_columns = 21;

struct char_info {
    signed char col = 0, row = 0; // cell in the sheet; (0, 0) is the blank
    signed char width = 0;        // font 100 advance
};

// The sheet as drawn, row 0 at the bottom; Latin-1 bytes where the sheet has them.
const char* const sheet_rows[5] = {
    " 0123456789AaBbCcDdEe",
    "FfGgHhIiJjKkLlMmNnOoP",
    "pQqRrSsTtUuVvWwXxYyZz",
    "!@#$%^&*()-_+=[]|\\':;",
    "<.>,?/`\xFB\xC1\xE1\xC9\xE9\xCD\xED\xD3\xF3\xDA\xFA\xD1\xF1\xBF",
};

struct width_group {
    int width;
    const char* chars;
};
const width_group width_groups[] = {
    {2, ",."},
    {3, " '/:;I\\`ijl|\xFB"},
    {4, "!()-J[]frst"},
    {5, "c"},
    {6, "#$*0123456789?^_EFLPSTZaekvxyz\xBF\xC1\xC9\xCD\xD1\xD3\xDA\xE1\xE9\xED\xF1\xF3\xFA"},
    {7, "+<=>BCKRVXYbdghnopqu"},
    {8, "&ADGHNU"},
    {9, "@OQw"},
    {10, "Mm"},
    {11, "%W"},
};

std::array<char_info, 256> build_char_table()
{
    std::array<char_info, 256> table{};
    for (int row = 0; row < 5; ++row)
        for (int col = 0; col < sheet_columns; ++col) {
            char_info& c = table[static_cast<unsigned char>(sheet_rows[row][col])];
            c.col = static_cast<signed char>(col);
            c.row = static_cast<signed char>(row);
        }
    for (const width_group& g : width_groups)
        for (const char* p = g.chars; *p; ++p) table[static_cast<unsigned char>(*p)].width = static_cast<signed char>(g.width);
    return table;
}

const std::array<char_info, 256> char_table = build_char_table();

// A signed byte; any other int has no glyph.
const char_info& info_of(int ch)
{
    static const char_info none;
    if (ch < -128 || ch > 127) return none;
    return char_table[static_cast<unsigned char>(static_cast<signed char>(ch))];
}

bool is_skipped(int ch) { return ch == 13 || ch == 10 || ch == 9; }
bool is_break(char c) { return c == ' ' || c == '-' || c == '/'; }

// Halves away from zero.
float round_away(float v) { return v >= 0 ? std::trunc(v + 0.5f) : std::trunc(v - 0.5f); }

} // namespace

int OGL_char_width(int ch) { return info_of(ch).width; }

void OGL_glyph_cell(int font, int ch, int* col, int* row)
{
    if (font == font_grid_13) {
        *col = ch % 40;
        *row = ch / 40;
        return;
    }
    const char_info& c = info_of(ch);
    *col = c.col;
    *row = c.row;
}

float OGL_char_advance(float adv, int ch) { return adv > 0 ? adv : static_cast<float>(OGL_char_width(ch)); }

glyph_quad OGL_glyph_quad(float x, float y, const font_desc& font, int ch)
{
    int col = 0, row = 0;
    OGL_glyph_cell(font.id, ch, &col, &row);
    glyph_quad q;
    q.x0 = std::trunc(x);
    q.y0 = std::trunc(y) - glyph_drop;
    q.s0 = (font.s_off + static_cast<float>(col) * font.cell_w) / glyph_tex_size;
    q.t0 = (font.t_off + static_cast<float>(row) * font.cell_h) / glyph_tex_size;
    q.s1 = q.s0 + font.cell_w / glyph_tex_size;
    q.t1 = q.t0 + font.cell_h / glyph_tex_size;
    const float scale = oglp > 1.0f ? oglp : 1.0f;
    q.x1 = q.x0 + font.cell_w * scale;
    q.y1 = q.y0 + font.cell_h * scale;
    return q;
}

// ---- lines and wrapping ----------------------------------------------------------

float OGL_line_width(const std::string& text, std::size_t begin, std::size_t end, float adv)
{
    float w = 0;
    for (std::size_t i = begin; i < end; ++i) {
        const int ch = static_cast<signed char>(text[i]);
        if (!is_skipped(ch)) w += OGL_char_advance(adv, ch);
    }
    return w;
}

void OGL_place_line(const std::string& text, std::size_t begin, std::size_t end, float x, float y, float adv,
                    int align, std::vector<placed_glyph>& out)
{
    float pen = x;
    if (align == 1) pen = x - OGL_line_width(text, begin, end, adv) / 2;
    if (align == 2) pen = x - OGL_line_width(text, begin, end, adv);
    for (std::size_t i = begin; i < end; ++i) {
        const int ch = static_cast<signed char>(text[i]);
        if (is_skipped(ch)) continue;
        out.push_back({pen, y, ch});
        pen += OGL_char_advance(adv, ch);
    }
}

namespace {

// Where the word after a break character would end: every character of it
// counted as 6 units, which is wide enough for most of the font.
float next_word_end(const std::string& text, std::size_t after, float pen)
{
    for (std::size_t j = after; j < text.size() && text[j] != '\0' && !is_break(text[j]); ++j) pen += 6.0f;
    return pen;
}

struct line_sink {
    const std::string& text;
    float x, adv;
    int align;
    text_layout& out;
    void add(std::size_t begin, std::size_t end, float y)
    {
        out.lines.push_back({begin, end, y});
        OGL_place_line(text, begin, end, x, y, adv, align, out.glyphs);
    }
};

} // namespace

float OGL_layout_string(float x, float y, const std::string& text, float wrap_width, int advance, int align,
                        text_layout& out)
{
    out.clear();
    const float adv = static_cast<float>(advance);
    const float X = round_away(x + mnw.wind_x);
    float Y = round_away(y + mnw.wind_y - 2.0f);
    line_sink sink{text, X, adv, align, out};

    if (wrap_width <= 0 || wrap_width >= 9999) {
        sink.add(0, text.size(), Y);
        return Y - mnw.wind_y + 2.0f;
    }

    const float limit = X + wrap_width;
    float pen = X;
    std::size_t begin = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool last = i + 1 == text.size();
        bool ends_line = false;
        if (c == '\n') {
            ends_line = true;
        } else {
            pen += OGL_char_advance(adv, static_cast<signed char>(c));
            if (last) {
                ends_line = true;
            } else if (is_break(c)) {
                const char next = text[i + 1];
                const float est = next == '\0' || is_break(next) ? pen : next_word_end(text, i + 1, pen);
                ends_line = est > limit;
            }
        }
        if (ends_line) {
            sink.add(begin, i + 1, Y);
            Y -= text_line_step;
            begin = i + 1;
            pen = X;
        }
    }
    return Y - mnw.wind_y + 2.0f;
}

// ---- numbers ----------------------------------------------------------------------

namespace {

// The parts of a number common to both forms.
struct number_parts {
    bool ok;       // finite and within number_max_digits
    bool negative; // a sign is shown
    double a;      // |value|
    double rounded; // |value| x 10^decimals + 0.5
    int need;      // integer places of the scaled value
};

number_parts number_parts_of(double value, int digits, int decimals)
{
    number_parts n{};
    n.a = std::fabs(value);
    const double scaled = n.a * std::pow(10.0, decimals);
    n.rounded = scaled + 0.5;
    n.ok = std::isfinite(scaled) && std::isfinite(n.rounded) && digits <= number_max_digits;
    if (!n.ok) return n;
    n.negative = value < 0 && scaled > 0.1;
    // One place up to 9, two above 9, three above 99, and so on.
    n.need = 1;
    for (double limit = 9; scaled > limit; limit = limit * 10 + 9) ++n.need;
    return n;
}

// The digit at place k of a rounded magnitude, without integer conversions.
char digit_at(double rounded, int k)
{
    const double d = std::fmod(std::floor(rounded / std::pow(10.0, k)), 10.0);
    return d >= 0 && d <= 9 ? static_cast<char>('0' + static_cast<int>(d)) : '0';
}

char digit_char(long long v) { return v >= 0 && v <= 9 ? static_cast<char>('0' + v) : '0'; }

// d.ddxE: a mantissa and a single-digit power of ten; false when E would need two digits.
bool overflow_form(double a, std::string& out)
{
    double m = a;
    int e = 2;
    while (m >= 999.0) { // a is finite, so this ends within some 300 steps
        m *= 0.1;
        ++e;
    }
    if (e > 9) return false;
    const long long i = static_cast<long long>(m + 0.5);
    out += digit_char((i / 100) % 10);
    out += '.';
    out += digit_char((i / 10) % 10);
    out += digit_char(i % 10);
    out += 'x';
    out += digit_char(e);
    return true;
}

} // namespace

void OGL_number_text(double value, int digits, int decimals, std::string& out)
{
    out.clear();
    const number_parts n = number_parts_of(value, digits, decimals);
    if (!n.ok) {
        out = number_placeholder;
        return;
    }
    if (n.negative) out += '-';
    const int need = std::max(n.need, decimals + 1);
    if (digits < need) {
        if (!overflow_form(n.a, out)) out = number_placeholder;
        return;
    }
    const int whole = digits - decimals;
    int counter = whole;
    for (int k = digits; k >= 1; --k) {
        if (k == decimals && whole > 0)
            out += '.';
        else if ((counter == 3 || counter == 6 || counter == 9) && whole > counter)
            out += ',';
        out += digit_at(n.rounded, k - 1);
        --counter;
    }
}

void OGL_number_cells(float x, float y, double value, int digits, int decimals, float adv,
                      std::vector<placed_glyph>& out)
{
    out.clear();
    float X = round_away(x + mnw.wind_x) - adv;
    const float Y = round_away(y + mnw.wind_y) - 2.0f;
    const number_parts n = number_parts_of(value, digits, decimals);
    const int cells = std::max(0, std::min(digits, number_max_digits));
    // The lowest `digits` places must hold the whole number.
    if (!n.ok || (cells > 0 && std::floor(n.rounded) >= std::pow(10.0, cells)) || (cells == 0 && n.rounded >= 1.0)) {
        for (int k = 0; k < cells; ++k) out.push_back({X += adv, Y, number_placeholder_char});
        return;
    }
    if (n.negative) out.push_back({X + 1, Y, '-'});
    const int whole = digits - decimals;
    if (decimals >= 1) out.push_back({X + (static_cast<float>(whole) + 0.5f) * adv, Y, '.'});
    for (int group = 3; group <= 9 && whole > group; group += 3)
        out.push_back({X + (static_cast<float>(whole - group) + 0.5f) * adv, Y, ','});
    for (int k = cells - 1; k >= 0; --k) {
        X += adv;
        out.push_back({X, Y, digit_at(n.rounded, k)});
    }
}
