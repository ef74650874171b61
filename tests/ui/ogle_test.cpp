// Text-edit engine against a fake text field on a std::string: every character
// 10 units wide (line breaks 0), lines 10 high, the logical rectangle's top at
// 100. The fake checks every range the engine hands it.
#include "ui/ogle.h"

#include <gtest/gtest.h>

#include <cctype>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr float char_w = 10.0f;
constexpr float top = 100.0f;
using floats = std::vector<float>;
using ints = std::vector<int>;

// ---- the fake host ------------------------------------------------------------

struct fake_field {
    std::string text;
    float wrap = 1000.0f;
    float line_h = 10.0f;
    float visible[4] = {0, 0, 1000, 100}; // left, bottom, right, top
    float logical_height = -1;
    std::vector<floats> scrolls, selections;
    std::vector<std::string> strings;   // drawn lines
    std::vector<floats> string_origins; // x, y of each

    // Misbehaviour on request: WordBreak answers with these instead.
    enum class word_answer { sane, begin, null, past_end, before_begin } words = word_answer::sane;
    int fit_bias = 0; // added to every FitStringFwd answer

    bool in_text(const char* b, const char* e) const
    {
        return text.data() <= b && b <= e && e <= text.data() + text.size();
    }
    void check(const char* b, const char* e) const
    {
        EXPECT_TRUE(in_text(b, e)) << "range " << (b - text.data()) << ".." << (e - text.data()) << " of "
                                   << text.size();
    }
    static bool breaks(char c) { return c == '\n' || c == '\r'; }

    void get_visible(float* r) { std::copy(visible, visible + 4, r); }
    void get_logical(float* r)
    {
        r[0] = 0;
        r[1] = top - logical_height;
        r[2] = wrap;
        r[3] = top;
    }
    void scroll_to(const float* off)
    {
        scrolls.push_back({off[0], off[1]});
        float L[4];
        get_logical(L);
        const float w = visible[2] - visible[0], h = visible[3] - visible[1];
        visible[0] = L[0] + off[0];
        visible[1] = L[1] + off[1];
        visible[2] = visible[0] + w;
        visible[3] = visible[1] + h;
    }
    void replace(int start, int end, const char* nb, const char* ne)
    {
        EXPECT_TRUE(0 <= start && start <= end && end <= static_cast<int>(text.size())) << start << ".." << end;
        text.replace(start, end - start, nb ? std::string(nb, ne) : std::string());
    }
    float measure(const char* b, const char* e) const
    {
        check(b, e);
        float w = 0;
        for (const char* p = b; p < e; ++p) w += breaks(*p) ? 0 : char_w;
        return w;
    }
    // Characters whose middle lies within the width; a line break never fits.
    int fit(const char* b, const char* e, float width) const
    {
        check(b, e);
        int n = 0;
        for (const char* p = b; p < e && !breaks(*p) && n * char_w + char_w / 2 <= width; ++p) ++n;
        return n + fit_bias;
    }
    void draw_string(const char* b, const char* e, float x, float y)
    {
        check(b, e);
        strings.emplace_back(b, e);
        string_origins.push_back({x, y});
    }
    const char* word_break(const char* b, const char* e) const
    {
        check(b, e);
        switch (words) {
        case word_answer::begin: return b;
        case word_answer::null: return nullptr;
        case word_answer::past_end: return e + 5;
        case word_answer::before_begin: return b - 3;
        case word_answer::sane: break;
        }
        const char* p = b;
        while (p < e && !std::isspace(static_cast<unsigned char>(*p))) ++p;
        return p;
    }
};

fake_field& host(OGLE_Rec* r) { return *static_cast<fake_field*>(OGLE_GetRef(r)); }

const OGLE_Callbacks fake_callbacks = {
    [](OGLE_Rec* r, float* rect) { host(r).get_visible(rect); },
    [](OGLE_Rec* r, float* rect) { host(r).get_logical(rect); },
    [](OGLE_Rec* r, float h) { host(r).logical_height = h; },
    [](OGLE_Rec* r, float* off) { host(r).scroll_to(off); },
    [](OGLE_Rec* r, const char** b, const char** e) {
        *b = host(r).text.data();
        *e = *b + host(r).text.size();
    },
    [](OGLE_Rec* r, int s, int e, const char* nb, const char* ne) { host(r).replace(s, e, nb, ne); },
    [](OGLE_Rec* r) { return host(r).line_h; },
    [](OGLE_Rec* r, const char* b, const char* e) { return host(r).measure(b, e); },
    [](OGLE_Rec* r, const char* b, const char* e, float w) { return host(r).fit(b, e, w); },
    [](OGLE_Rec*, const char*, const char*, float) {
        ADD_FAILURE() << "the engine never fits backwards";
        return 0;
    },
    [](OGLE_Rec* r, const char* b, const char* e, float x, float y) { host(r).draw_string(b, e, x, y); },
    [](OGLE_Rec* r, float* rect) { host(r).selections.push_back({rect[0], rect[1], rect[2], rect[3]}); },
    [](OGLE_Rec* r, const char* b, const char* e) { return host(r).word_break(b, e); },
};

// A field with its engine record, laid out once as the text field does on creation.
struct field {
    fake_field host;
    std::unique_ptr<OGLE_Rec, void (*)(OGLE_Rec*)> rec{nullptr, OGLE_Destroy};

    explicit field(std::string text, float wrap = 1000.0f, int a = 0, int b = 0)
    {
        host.text = std::move(text);
        host.wrap = wrap;
        rec.reset(OGLE_Create(fake_callbacks, &host));
        OGLE_Repaginate(rec.get());
        OGLE_SetSelection(rec.get(), a, b);
    }
    OGLE_Rec* operator->() { return rec.get(); }
    OGLE_Rec* get() { return rec.get(); }
};

// ---- scenarios ------------------------------------------------------------------

enum class op { key, shift_key, click, shift_click, drag };
struct step {
    op what;
    int c;
    float x, y;
};
step key(int c) { return {op::key, c, 0, 0}; }
step shift(int c) { return {op::shift_key, c, 0, 0}; }
step click(float x, float y) { return {op::click, 0, x, y}; }
step shift_click(float x, float y) { return {op::shift_click, 0, x, y}; }
step drag(float x, float y) { return {op::drag, 0, x, y}; }
// y of the middle of line i
constexpr float row(int i) { return top - 10.0f * i - 5.0f; }

constexpr int bs = 8, left = 28, right = 29, up = 30, down = 31;

void run(OGLE_Rec* r, const step& s)
{
    switch (s.what) {
    case op::key: OGLE_Key(r, static_cast<char>(s.c), 0); break;
    case op::shift_key: OGLE_Key(r, static_cast<char>(s.c), 1); break;
    case op::click: OGLE_Click(r, s.x, s.y, 0); break;
    case op::shift_click: OGLE_Click(r, s.x, s.y, 1); break;
    case op::drag: OGLE_Drag(r, s.x, s.y); break;
    }
}

struct scenario {
    const char* what;
    const char* text;
    float wrap;
    int sel_a, sel_b;
    std::vector<step> steps;
    const char* text_after;
    int sel_start, sel_end, caret_at_end;
    ints lines; // line starts afterwards
};

TEST(TextEdit, Scenarios)
{
    const scenario cases[] = {
        {"empty text: one line, nothing to delete or move over", "", 1000, 0, 0,
         {key(bs), key(left), key(down), key(up), key(right)}, "", 0, 0, 1, {0}},
        {"typing inserts at the caret", "abc", 1000, 1, 1, {key('X'), key('Y')}, "aXYbc", 3, 3, 1, {0}},
        {"typing replaces the selection", "abcdef", 1000, 1, 4, {key('Z')}, "aZef", 2, 2, 1, {0}},
        {"Tab, Return and Escape are text", "ab", 1000, 2, 2, {key(9), key(27), key(13)}, "ab\t\x1b\r", 5, 5, 1,
         {0}},
        {"a byte above 0x7F is text", "ab", 1000, 1, 1, {key(0xE9)}, "a\xE9" "b", 2, 2, 1, {0}},
        {"Backspace deletes the selection", "abcdef", 1000, 1, 4, {key(bs)}, "aef", 1, 1, 1, {0}},
        {"Backspace deletes before the caret", "abcdef", 1000, 3, 3, {key(bs), key(bs)}, "adef", 1, 1, 1, {0}},
        {"Backspace at the start does nothing", "abc", 1000, 0, 0, {key(bs)}, "abc", 0, 0, 1, {0}},
        {"Backspace with Shift is the same", "abcdef", 1000, 3, 3, {shift(bs)}, "abdef", 2, 2, 1, {0}},
        {"Left and Right step and stop at the ends", "abc", 1000, 1, 1,
         {key(left), key(left), key(left), key(right)}, "abc", 1, 1, 1, {0}},
        {"Right stops at the end", "abc", 1000, 3, 3, {key(right)}, "abc", 3, 3, 1, {0}},
        {"Left collapses a selection to its start", "abcdef", 1000, 1, 4, {key(left)}, "abcdef", 1, 1, 1, {0}},
        {"Right collapses a selection to its end", "abcdef", 1000, 1, 4, {key(right)}, "abcdef", 4, 4, 1, {0}},
        {"Shift+Right grows the caret end", "abcdef", 1000, 3, 3, {shift(right)}, "abcdef", 3, 4, 1, {0}},
        {"then Shift+Left twice flips the caret to the start", "abcdef", 1000, 3, 3,
         {shift(right), shift(left), shift(left)}, "abcdef", 2, 3, 0, {0}},
        {"Up and Down collapse a selection", "abcdef", 1000, 1, 4, {key(up)}, "abcdef", 1, 1, 1, {0}},
        {"Down from the last line goes to the end", "abc\ndef", 1000, 5, 5, {key(down)}, "abc\ndef", 7, 7, 1,
         {0, 4}},
        {"Up from the first line goes to the start", "abc\ndef", 1000, 2, 2, {key(up)}, "abc\ndef", 0, 0, 1, {0, 4}},
        {"Up and Down keep the column over a shorter line", "abcdefgh\nab\nabcdefgh", 1000, 6, 6,
         {key(down), key(down), key(up), key(up)}, "abcdefgh\nab\nabcdefgh", 6, 6, 1, {0, 9, 12}},
        {"Down on the short line takes its end", "abcdefgh\nab\nabcdefgh", 1000, 6, 6, {key(down)},
         "abcdefgh\nab\nabcdefgh", 11, 11, 1, {0, 9, 12}},
        {"a click forgets the column", "abcdefgh\nab\nabcdefgh", 1000, 6, 6,
         {key(down), click(20, row(1)), key(down)}, "abcdefgh\nab\nabcdefgh", 14, 14, 1, {0, 9, 12}},
        {"Shift+Down extends by a line", "abcdefgh\nabcdefgh", 1000, 2, 2, {shift(down)}, "abcdefgh\nabcdefgh", 2,
         11, 1, {0, 9}},
        {"a click places the caret", "abcdef", 1000, 0, 0, {click(32, row(0))}, "abcdef", 3, 3, 1, {0}},
        {"a click left of the text: start of that line", "abc\ndef", 1000, 0, 0, {click(-50, row(1))}, "abc\ndef",
         4, 4, 1, {0, 4}},
        {"a click right of the text: end of that line", "abc\ndef", 1000, 0, 0, {click(5000, row(0))}, "abc\ndef",
         3, 3, 1, {0, 4}},
        {"a click below the last line: end of the text", "abc\ndef", 1000, 0, 0, {click(10, row(5))}, "abc\ndef",
         7, 7, 1, {0, 4}},
        {"a click above the text: its start", "abc\ndef", 1000, 6, 6, {click(10, top + 30)}, "abc\ndef", 0, 0, 1,
         {0, 4}},
        {"Shift+click after the start extends the end", "abcdef", 1000, 2, 4, {shift_click(50, row(0))}, "abcdef",
         2, 5, 1, {0}},
        {"Shift+click before the start moves the start", "abcdef", 1000, 2, 4, {shift_click(10, row(0))},
         "abcdef", 1, 4, 0, {0}},
        {"a drag moves the caret end", "abcdef", 1000, 0, 0, {click(20, row(0)), drag(50, row(0))}, "abcdef", 2,
         5, 1, {0}},
        {"a drag back past the anchor flips the caret end", "abcdef", 1000, 0, 0,
         {click(40, row(0)), drag(10, row(0))}, "abcdef", 1, 4, 0, {0}},
        {"typing past the wrap width breaks the line", "ab c", 40, 4, 4, {key('d')}, "ab cd", 5, 5, 1, {0, 3}},
        {"deleting joins the lines again", "ab cd", 40, 5, 5, {key(bs)}, "ab c", 4, 4, 1, {0}},
    };
    for (const scenario& c : cases) {
        SCOPED_TRACE(c.what);
        field f(c.text, c.wrap, c.sel_a, c.sel_b);
        for (const step& s : c.steps) run(f.get(), s);
        EXPECT_EQ(f.host.text, c.text_after);
        EXPECT_EQ(f->sel_start, c.sel_start);
        EXPECT_EQ(f->sel_end, c.sel_end);
        EXPECT_EQ(f->caret_at_end, c.caret_at_end);
        EXPECT_EQ(f->line_starts, c.lines);
        EXPECT_FLOAT_EQ(f.host.logical_height, 10.0f * c.lines.size());
    }
}

// ---- line breaking ------------------------------------------------------------------

TEST(TextEdit, LineBreaking)
{
    struct break_case {
        const char* what;
        const char* text;
        float wrap;
        ints lines;
    };
    const break_case cases[] = {
        {"empty text", "", 100, {0}},
        {"one line", "ab cd", 100, {0}},
        {"the second word wraps, the space stays", "ab cd", 40, {0, 3}},
        {"a width just holding both words", "ab cd", 50, {0}},
        {"a first word wider than the line: a character per line", "abcdef", 5, {0, 1, 2, 3, 4, 5}},
        {"the rest of a long word fits once short enough", "abcdef", 25, {0, 1, 2, 3, 4}},
        {"spaces and the line feed stay on their line", "ab  \ncd", 100, {0, 5}},
        {"a carriage return ends a line too", "ab\rcd", 100, {0, 3}},
        {"a closing line feed adds no empty line", "ab\n", 100, {0}},
        {"two closing line feeds: one empty line between", "ab\n\n", 100, {0, 3}},
        {"trailing spaces never wrap", "ab        ", 30, {0}},
        {"leading spaces before a too-wide word", "   abcdef", 40, {0, 3, 4, 5}},
        {"bytes above 0x7F are not white space", "\xA0\xA0 \xE9\xE9", 30, {0, 3}},
    };
    for (const break_case& c : cases) {
        SCOPED_TRACE(c.what);
        field f(c.text, c.wrap);
        EXPECT_EQ(f->line_starts, c.lines);
    }
}

TEST(TextEdit, LineBreakingCutsLinesOfAnEarlierLongerText)
{
    field f("ab cd ef gh", 40);
    ASSERT_EQ(f->line_starts, (ints{0, 3, 6, 9}));
    f.host.text = "ab cd";
    OGLE_Repaginate(f.get());
    EXPECT_EQ(f->line_starts, (ints{0, 3}));
    f.host.text = "";
    OGLE_Repaginate(f.get());
    EXPECT_EQ(f->line_starts, (ints{0}));
    EXPECT_FLOAT_EQ(f.host.logical_height, 10.0f);
}

// Whatever the measuring callbacks answer, breaking ends and every line lies
// within the text in ascending order.
TEST(TextEdit, LineBreakingSurvivesAHostileHost)
{
    using wa = fake_field::word_answer;
    struct hostile_case {
        const char* what;
        wa words;
        float wrap;
    };
    const hostile_case cases[] = {
        {"word break answers its begin", wa::begin, 1000},
        {"word break answers null", wa::null, 1000},
        {"word break answers past the end", wa::past_end, 1000},
        {"word break answers before the begin", wa::before_begin, 1000},
        {"a negative wrap width", wa::sane, -50},
        {"a NaN wrap width", wa::sane, std::numeric_limits<float>::quiet_NaN()},
    };
    for (const hostile_case& c : cases) {
        SCOPED_TRACE(c.what);
        field f("ab cd\nef  gh ij", 1000);
        f.host.words = c.words;
        f.host.wrap = c.wrap;
        OGLE_Repaginate(f.get());
        const ints& starts = f->line_starts;
        ASSERT_FALSE(starts.empty());
        EXPECT_EQ(starts[0], 0);
        for (size_t i = 1; i < starts.size(); ++i) {
            EXPECT_LT(starts[i - 1], starts[i]);
            EXPECT_LT(starts[i], static_cast<int>(f.host.text.size()));
        }
        OGLE_Draw(f.get(), 1); // ranges are checked by the fake
    }
}

TEST(TextEdit, FitAnswersOutOfRangeAreClamped)
{
    for (int bias : {-100, 100}) {
        SCOPED_TRACE(bias);
        field f("abc\ndef\nghi", 1000, 1, 1);
        f.host.fit_bias = bias;
        OGLE_Click(f.get(), 20, row(1), 0);
        EXPECT_EQ(f->sel_start, bias < 0 ? 4 : 8);
        OGLE_Key(f.get(), static_cast<char>(down), 0);
        EXPECT_GE(f->sel_start, 0);
        EXPECT_LE(f->sel_end, 11);
    }
}

// ---- edits from outside the keys ------------------------------------------------------

TEST(TextEdit, ReplaceTextMovesTheSelectionWithTheEdit)
{
    struct replace_case {
        const char* what;
        int sel_a, sel_b;
        int start, end;
        const char* with; // null: delete
        const char* text_after;
        int sel_start, sel_end;
    };
    const replace_case cases[] = {
        {"insert before the selection shifts it", 4, 6, 1, 1, "XY", "aXYbcdefghij", 6, 8},
        {"delete before the selection shifts it", 4, 6, 0, 2, nullptr, "cdefghij", 2, 4},
        {"replace ending at its start shifts it", 4, 6, 2, 4, "Z", "abZefghij", 3, 5},
        {"an edit over its start pulls the end", 4, 8, 3, 5, "XYZ", "abcXYZfghij", 4, 9},
        {"a deletion over all of it collapses it to the edit", 4, 6, 2, 8, nullptr, "abij", 2, 2},
        {"a deletion from its start collapses it there", 4, 6, 4, 9, nullptr, "abcdj", 4, 4},
        {"an edit after its start leaves it", 4, 6, 5, 6, "XX", "abcdeXXghij", 4, 6},
        {"an edit after it leaves it", 2, 3, 8, 10, nullptr, "abcdefgh", 2, 3},
        {"a deletion past its end keeps it within the text", 2, 10, 5, 10, nullptr, "abcde", 2, 5},
        {"a range beyond the text is clamped", 0, 0, 8, 99, nullptr, "abcdefgh", 0, 0},
        {"an inverted range is ordered", 0, 0, 6, 2, nullptr, "abghij", 0, 0},
    };
    for (const replace_case& c : cases) {
        SCOPED_TRACE(c.what);
        field f("abcdefghij", 1000, c.sel_a, c.sel_b);
        const std::string with = c.with ? c.with : "";
        OGLE_ReplaceText(f.get(), c.start, c.end, c.with ? with.data() : nullptr,
                         c.with ? with.data() + with.size() : nullptr);
        EXPECT_EQ(f.host.text, c.text_after);
        EXPECT_EQ(f->sel_start, c.sel_start);
        EXPECT_EQ(f->sel_end, c.sel_end);
    }
}

TEST(TextEdit, ReplaceTextBreaksTheLinesAgain)
{
    field f("ab", 40);
    const std::string more = " cd ef";
    OGLE_ReplaceText(f.get(), 2, 2, more.data(), more.data() + more.size());
    EXPECT_EQ(f->line_starts, (ints{0, 3, 6}));
}

TEST(TextEdit, SetSelectionOrdersAndClamps)
{
    field f("abcdef");
    OGLE_SetSelection(f.get(), 5, 2);
    EXPECT_EQ(f->sel_start, 2);
    EXPECT_EQ(f->sel_end, 5);
    EXPECT_EQ(f->caret_at_end, 0);
    OGLE_SetSelection(f.get(), -4, 99);
    int s = -1, e = -1;
    OGLE_GetSelection(f.get(), &s, &e);
    EXPECT_EQ(s, 0);
    EXPECT_EQ(e, 6);
    OGLE_GetSelection(f.get(), nullptr, nullptr);
    EXPECT_TRUE(f.host.scrolls.empty());
}

// The field shortened its text itself: the next operations see a selection
// within the new text and hand the host no range beyond it.
TEST(TextEdit, ASelectionLeftBeyondAShortenedTextIsPulledBack)
{
    field f("abcdefghij", 1000, 6, 9);
    f.host.text = "abc";
    OGLE_Draw(f.get(), 1);
    EXPECT_EQ(f->sel_start, 3);
    EXPECT_EQ(f->sel_end, 3);
    OGLE_Key(f.get(), 'x', 0);
    EXPECT_EQ(f.host.text, "abcx");
    EXPECT_EQ(f->line_starts, (ints{0}));
}

// ---- scrolling ---------------------------------------------------------------------

TEST(TextEdit, ScrollsOnlyWhenTheCaretLeavesTheVisibleRectangle)
{
    field f("abcdefghijklmnopqrst", 1000, 0, 0); // 200 wide, one line: logical bottom 90
    f.host.visible[1] = 90;
    f.host.visible[2] = 100;
    for (int i = 0; i < 10; ++i) OGLE_Key(f.get(), static_cast<char>(right), 0);
    EXPECT_TRUE(f.host.scrolls.empty()) << "caret at x 100 is still inside";
    OGLE_Key(f.get(), static_cast<char>(right), 0);
    ASSERT_EQ(f.host.scrolls.size(), 1u);
    EXPECT_EQ(f.host.scrolls[0], (floats{10, 0})) << "the caret edge to the right border";
    OGLE_Click(f.get(), 0, row(0), 0);
    ASSERT_EQ(f.host.scrolls.size(), 2u);
    EXPECT_EQ(f.host.scrolls[1], (floats{0, 0})) << "back to the left border";
}

TEST(TextEdit, ScrollsVerticallyByTheLeast)
{
    field f("a\nb\nc\nd\ne\nf", 1000, 0, 0); // six lines, 60 high, logical bottom 40
    f.host.visible[1] = 70;                  // lines 0..2 visible
    f.host.visible[3] = 100;
    OGLE_Key(f.get(), static_cast<char>(down), 0);
    OGLE_Key(f.get(), static_cast<char>(down), 0);
    EXPECT_TRUE(f.host.scrolls.empty());
    OGLE_Key(f.get(), static_cast<char>(down), 0); // line 3: its top edge 70 is still inside
    EXPECT_TRUE(f.host.scrolls.empty());
    OGLE_Key(f.get(), static_cast<char>(down), 0); // line 4: top edge 60
    ASSERT_EQ(f.host.scrolls.size(), 1u);
    EXPECT_EQ(f.host.scrolls[0], (floats{0, 20})) << "the caret's edge to the visible bottom";
    OGLE_Key(f.get(), static_cast<char>(up), 0); // line 3: top edge 70, inside 60..90
    EXPECT_EQ(f.host.scrolls.size(), 1u);
    OGLE_Click(f.get(), 0, row(0), 0); // line 0: top edge 100
    ASSERT_EQ(f.host.scrolls.size(), 2u);
    EXPECT_EQ(f.host.scrolls[1], (floats{0, 30})) << "the caret's edge to the visible top";
}

// ---- drawing --------------------------------------------------------------------------

TEST(TextEdit, DrawsTheVisibleLinesAboveTheirSelection)
{
    field f("ab cd ef gh", 40, 1, 7); // lines "ab ", "cd ", "ef ", "gh"
    f.host.visible[1] = 70;           // lines 0..2 visible
    OGLE_Draw(f.get(), 1);
    EXPECT_EQ(f.host.strings, (std::vector<std::string>{"ab ", "cd ", "ef "}));
    EXPECT_EQ(f.host.string_origins, (std::vector<floats>{{0, 90}, {0, 80}, {0, 70}}));
    EXPECT_EQ(f.host.selections, (std::vector<floats>{{10, 90, 40, 100}, {0, 80, 40, 90}, {0, 70, 10, 80}}));
}

TEST(TextEdit, DrawsASelectionWithinOneLine)
{
    field f("abcdef", 1000, 2, 4);
    OGLE_Draw(f.get(), 1);
    EXPECT_EQ(f.host.selections, (std::vector<floats>{{20, 90, 40, 100}})) << "and no caret";
}

TEST(TextEdit, DrawsTheCaret)
{
    struct caret_case {
        const char* what;
        const char* text;
        int pos;
        floats rect;
    };
    const caret_case cases[] = {
        {"empty text", "", 0, {0, 90, 0, 100}},
        {"inside the first line", "abc\ndef", 2, {20, 90, 20, 100}},
        {"at a line start", "abc\ndef", 4, {0, 80, 0, 90}},
        {"at the end", "abc\ndef", 7, {30, 80, 30, 90}},
        {"after a closing line feed: end of the last line", "ab\n", 3, {20, 90, 20, 100}},
    };
    for (const caret_case& c : cases) {
        SCOPED_TRACE(c.what);
        field f(c.text, 1000, c.pos, c.pos);
        OGLE_Draw(f.get(), 1);
        EXPECT_EQ(f.host.selections, (std::vector<floats>{c.rect}));
        f.host.selections.clear();
        OGLE_Draw(f.get(), 0);
        EXPECT_TRUE(f.host.selections.empty());
    }
}

TEST(TextEdit, DrawsNothingWithoutALineHeight)
{
    for (float h : {0.0f, -10.0f, std::numeric_limits<float>::quiet_NaN()}) {
        SCOPED_TRACE(h);
        field f("abc\ndef", 1000, 1, 1);
        f.host.line_h = h;
        OGLE_Draw(f.get(), 1);
        EXPECT_TRUE(f.host.strings.empty());
        OGLE_Click(f.get(), 10, row(1), 0);
        EXPECT_EQ(f->sel_start, 0);
    }
}

// ---- the class interface ----------------------------------------------------------------

class fake_ogle : public OGLE {
public:
    fake_field f;
    void GetVisibleBounds(float* r) override { f.get_visible(r); }
    void GetLogicalBounds(float* r) override { f.get_logical(r); }
    void SetLogicalHeight(float h) override { f.logical_height = h; }
    void ScrollTo(float* off) override { f.scroll_to(off); }
    void GetText(const char** b, const char** e) override
    {
        *b = f.text.data();
        *e = *b + f.text.size();
    }
    void ReplaceText(int s, int e, const char* nb, const char* ne) override { f.replace(s, e, nb, ne); }
    float GetLineHeight() override { return f.line_h; }
    float MeasureString(const char* b, const char* e) override { return f.measure(b, e); }
    int FitStringFwd(const char* b, const char* e, float w) override { return f.fit(b, e, w); }
    int FitStringRev(const char*, const char*, float) override { return 0; }
    void DrawString(const char* b, const char* e, float x, float y) override { f.draw_string(b, e, x, y); }
    void DrawSelection(float* r) override { f.selections.push_back({r[0], r[1], r[2], r[3]}); }
    const char* WordBreak(const char* b, const char* e) override { return f.word_break(b, e); }
};

TEST(TextEdit, TheClassForwardsToItsOwnCallbacks)
{
    fake_ogle e;
    e.f.text = "ab cd";
    e.f.wrap = 40;
    e.Repaginate();
    EXPECT_FLOAT_EQ(e.f.logical_height, 20.0f);
    e.SetSelection(5, 5);
    e.Key('e', 0);
    e.Key(static_cast<char>(left), 1);
    int s = -1, end = -1;
    e.GetSelection(&s, &end);
    EXPECT_EQ(e.f.text, "ab cde");
    EXPECT_EQ(s, 5);
    EXPECT_EQ(end, 6);
    e.DoReplaceText(0, 3, nullptr, nullptr);
    e.GetSelection(&s, &end);
    EXPECT_EQ(e.f.text, "cde");
    EXPECT_EQ(s, 2);
    EXPECT_EQ(end, 3);
    e.Click(0, row(0), 0);
    e.Drag(20, row(0));
    e.RevealSelection();
    e.Draw(1);
    EXPECT_EQ(e.f.strings, (std::vector<std::string>{"cde"}));
    EXPECT_EQ(e.f.selections, (std::vector<floats>{{0, 90, 20, 100}}));
}

} // namespace
