// ogle.cpp - the text-edit engine.
//
//   text and lines   the host's text, line ranges, safe float-to-line steps
//   line breaking    OGLE_Repaginate
//   selection        edits, clicks, drags, keys, reveal
//   drawing          OGLE_Draw
//   class OGLE       trampolines from the record to the virtual callbacks
//
// The host's answers are not trusted to be sane: word ends and fit counts are
// clamped into their range and every offset into the text, so line breaking
// always advances and no range handed back starts past its end.
#include "ui/ogle.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

namespace {

// ---- text and lines ----------------------------------------------------------

enum : int { ch_backspace = 8, ch_left = 28, ch_right = 29, ch_up = 30, ch_down = 31 };

struct text_view {
    const char* begin;
    int length;
    const char* at(int pos) const { return begin + pos; }
};

struct rect4 {
    float left, bottom, right, top;
};

text_view host_text(OGLE_Rec* r)
{
    const char* b = nullptr;
    const char* e = nullptr;
    r->cb.GetText(r, &b, &e);
    if (b == nullptr || e == nullptr || e < b) return {"", 0};
    // Offsets are ints: a text past their range is edited in its first part.
    const std::ptrdiff_t most = std::numeric_limits<int>::max() - 1;
    return {b, static_cast<int>(std::min<std::ptrdiff_t>(e - b, most))};
}

int clamp_pos(int pos, int length) { return std::clamp(pos, 0, length); }

// The invariants every operation leaves: ordered (the caret end flips with a
// swap) and within the text.
void order_selection(OGLE_Rec* r)
{
    if (r->sel_end >= r->sel_start) return;
    std::swap(r->sel_start, r->sel_end);
    r->caret_at_end = 1 - r->caret_at_end;
}

void clamp_selection(OGLE_Rec* r, int length)
{
    r->sel_start = clamp_pos(r->sel_start, length);
    r->sel_end = clamp_pos(r->sel_end, length);
}

// The text, with a selection that a host-side edit left beyond it pulled back in.
text_view text_in_sync(OGLE_Rec* r)
{
    const text_view t = host_text(r);
    clamp_selection(r, t.length);
    return t;
}

rect4 logical_bounds(OGLE_Rec* r)
{
    rect4 b{0, 0, 0, 0};
    r->cb.GetLogicalBounds(r, &b.left);
    return b;
}

rect4 visible_bounds(OGLE_Rec* r)
{
    rect4 b{0, 0, 0, 0};
    r->cb.GetVisibleBounds(r, &b.left);
    return b;
}

int line_count(const OGLE_Rec* r) { return static_cast<int>(r->line_starts.size()); }

int line_start(const OGLE_Rec* r, int line, int length)
{
    if (line < 0) return 0;
    if (line >= line_count(r)) return length;
    return clamp_pos(r->line_starts[line], length);
}

int line_end(const OGLE_Rec* r, int line, int length)
{
    return std::max(line_start(r, line + 1, length), line_start(r, line, length));
}

float measure(OGLE_Rec* r, const text_view& t, int from, int to)
{
    return r->cb.MeasureString(r, t.at(from), t.at(std::max(from, to)));
}

int fit_forward(OGLE_Rec* r, const text_view& t, int from, int to, float width)
{
    return std::clamp(r->cb.FitStringFwd(r, t.at(from), t.at(to), width), 0, to - from);
}

// The end of the word at pos, strictly after pos and not past the text, so that
// line breaking advances whatever the host answers.
int word_end(OGLE_Rec* r, const text_view& t, int pos)
{
    const char* w = r->cb.WordBreak(r, t.at(pos), t.at(t.length));
    const std::intptr_t off = reinterpret_cast<std::intptr_t>(w) - reinterpret_cast<std::intptr_t>(t.begin);
    if (w == nullptr || off <= pos) return pos + 1;
    return off > t.length ? t.length : static_cast<int>(off);
}

// floor/ceil of a float line count as an int within 0..limit; NaN gives 0.
int floor_lines(double v, int limit)
{
    if (!(v > 0)) return 0;
    return v >= limit ? limit : static_cast<int>(std::floor(v));
}

int ceil_lines(double v, int limit)
{
    if (!(v > 0)) return 0;
    return v >= limit ? limit : static_cast<int>(std::ceil(v));
}

bool is_line_break(char c) { return c == '\n' || c == '\r'; }

bool is_space(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// ---- line breaking ---------------------------------------------------------------

// Characters of the line that begins at start: at least 1 unless the text ends
// there. White space stays with the line before a wrapped word; a line break
// character belongs to its line; trailing white space never wraps.
int layout_line(OGLE_Rec* r, const text_view& t, int start, float width)
{
    int n = 0;
    float x = 0.0f;
    int p = start;
    while (p < t.length) {
        int q = p;
        while (q < t.length && is_space(t.begin[q]) && !is_line_break(t.begin[q])) ++q;
        if (q == t.length) return n + (t.length - p);
        n += q - p;
        const float w_space = measure(r, t, p, q);
        if (is_line_break(t.begin[q])) return n + 1;
        const int q2 = word_end(r, t, q);
        x += w_space + measure(r, t, q, q2);
        if (x > width) return std::max(n, 1);
        n += q2 - q;
        p = q2;
    }
    return n;
}

// ---- selection helpers -----------------------------------------------------------

int& active_end(OGLE_Rec* r) { return r->caret_at_end ? r->sel_end : r->sel_start; }

void replace_with_host(OGLE_Rec* r, int start, int end, const char* b, const char* e)
{
    r->cb.ReplaceText(r, start, end, b, e);
}

void key_backspace(OGLE_Rec* r)
{
    r->caret_at_end = 1;
    if (r->sel_start < r->sel_end) {
        replace_with_host(r, r->sel_start, r->sel_end, nullptr, nullptr);
        r->sel_end = r->sel_start;
    } else if (r->sel_start > 0) {
        replace_with_host(r, r->sel_start - 1, r->sel_start, nullptr, nullptr);
        r->sel_end = r->sel_start = r->sel_start - 1;
    } else {
        return;
    }
    OGLE_RepaginateInternal(r);
    OGLE_RevealSelection(r);
}

void key_insert(OGLE_Rec* r, char c)
{
    replace_with_host(r, r->sel_start, r->sel_end, &c, &c + 1);
    r->sel_end = r->sel_start = r->sel_start + 1;
    r->caret_at_end = 1;
    OGLE_RepaginateInternal(r);
    OGLE_RevealSelection(r);
}

// Left/Right step one character, Up/Down one line; without extend a selection
// collapses to the side the key points to.
void key_arrow(OGLE_Rec* r, int c, int extend, int length)
{
    const bool backwards = c == ch_left || c == ch_up;
    const bool vertical = c == ch_up || c == ch_down;
    const int step = backwards ? -1 : 1;
    auto moved = [&](int pos) {
        return vertical ? OGLE_CharPosVerticalAdjust(r, pos, step, &r->pref_x) : pos + step;
    };
    if (extend) {
        int& end = active_end(r);
        end = moved(end);
    } else if (r->sel_start == r->sel_end) {
        r->sel_start = r->sel_end = moved(r->sel_start);
    } else if (backwards) {
        r->sel_end = r->sel_start;
    } else {
        r->sel_start = r->sel_end;
    }
    order_selection(r);
    clamp_selection(r, length);
    OGLE_RevealSelection(r);
}

// ---- drawing ---------------------------------------------------------------------

void draw_selection_rect(OGLE_Rec* r, float x1, float bottom, float x2, float top)
{
    float rect[4] = {x1, bottom, x2, top};
    r->cb.DrawSelection(r, rect);
}

void draw_selection(OGLE_Rec* r, const text_view& t, const rect4& L, float h, int first, int last)
{
    for (int i = first; i < last; ++i) {
        const int ls = line_start(r, i, t.length);
        const int le = line_end(r, i, t.length);
        if (le <= r->sel_start) continue;
        if (ls >= r->sel_end) break;
        float x1 = L.left;
        float x2 = L.right;
        if (ls < r->sel_start) {
            x1 = L.left + measure(r, t, ls, r->sel_start);
            if (r->sel_end < le) x2 = L.left + measure(r, t, ls, r->sel_end);
        } else if (le >= r->sel_end) {
            x2 = L.left + measure(r, t, ls, r->sel_end);
        }
        draw_selection_rect(r, x1, L.top - (i + 1) * h, x2, L.top - i * h);
    }
}

void draw_caret(OGLE_Rec* r, const text_view& t, const rect4& L, float h, int first, int last)
{
    const int pos = r->sel_start;
    for (int i = first; i < last; ++i) {
        const int ls = line_start(r, i, t.length);
        const int le = line_end(r, i, t.length);
        if (ls > pos) break;
        if (pos < le || (pos == le && i == line_count(r) - 1)) {
            const float x = L.left + measure(r, t, ls, pos);
            draw_selection_rect(r, x, L.top - (i + 1) * h, x, L.top - i * h);
            return;
        }
    }
}

} // namespace

// ---- records -----------------------------------------------------------------------

OGLE_Rec* OGLE_Create(const OGLE_Callbacks& callbacks, void* refcon)
{
    OGLE_Rec* r = new OGLE_Rec;
    r->cb = callbacks;
    r->refcon = refcon;
    return r;
}

void OGLE_Destroy(OGLE_Rec* rec) { delete rec; }

void* OGLE_GetRef(OGLE_Rec* rec) { return rec->refcon; }

void OGLE_GetSelection(OGLE_Rec* rec, int* start, int* end)
{
    if (start) *start = rec->sel_start;
    if (end) *end = rec->sel_end;
}

void OGLE_SetSelection(OGLE_Rec* rec, int a, int b)
{
    rec->sel_start = a;
    rec->sel_end = b;
    order_selection(rec);
    clamp_selection(rec, host_text(rec).length);
}

// ---- lines ---------------------------------------------------------------------------

int OGLE_CharPosToLine(OGLE_Rec* rec, int pos)
{
    const std::vector<int>& starts = rec->line_starts;
    if (starts.empty()) return -1;
    return static_cast<int>(std::upper_bound(starts.begin(), starts.end(), pos) - starts.begin()) - 1;
}

void OGLE_Repaginate(OGLE_Rec* rec)
{
    text_in_sync(rec);
    OGLE_RepaginateInternal(rec);
}

// Lines are stored over the old list and the rest is cut, so no start from an
// earlier, longer text survives.
void OGLE_RepaginateInternal(OGLE_Rec* rec)
{
    const rect4 L = logical_bounds(rec);
    const float width = L.right - L.left;
    const text_view t = host_text(rec);
    const float h = rec->cb.GetLineHeight(rec);

    std::vector<int>& starts = rec->line_starts;
    if (starts.empty()) starts.push_back(0);
    starts[0] = 0;
    size_t k = 0;
    int start = 0;
    for (;;) {
        start += layout_line(rec, t, start, width);
        ++k;
        if (start >= t.length) break;
        if (k < starts.size()) starts[k] = start;
        else starts.push_back(start);
    }
    starts.resize(k);
    rec->cb.SetLogicalHeight(rec, static_cast<float>(starts.size()) * h);
}

int OGLE_CharPosVerticalAdjust(OGLE_Rec* rec, int pos, int delta, float* pref_x)
{
    const text_view t = host_text(rec);
    pos = clamp_pos(pos, t.length);
    const int line = OGLE_CharPosToLine(rec, pos);
    if (*pref_x == -1.0f) *pref_x = measure(rec, t, line_start(rec, line, t.length), pos);
    const int target = line + delta;
    if (target < 0) return 0;
    if (target >= line_count(rec)) return t.length;
    const int ls = line_start(rec, target, t.length);
    return ls + fit_forward(rec, t, ls, line_end(rec, target, t.length), *pref_x);
}

int OGLE_CoordToCharPos(OGLE_Rec* rec, float x, float y)
{
    const rect4 L = logical_bounds(rec);
    const text_view t = host_text(rec);
    const float h = rec->cb.GetLineHeight(rec);
    if (!(h > 0)) return 0; // lines without height: every point lies before the text
    x = std::max(L.left, std::min(x, L.right));
    const double line = std::floor((static_cast<double>(L.top) - y) / h);
    if (std::isnan(line) || line < 0) return 0;
    if (line >= line_count(rec)) return t.length;
    const int i = static_cast<int>(line);
    const int ls = line_start(rec, i, t.length);
    return ls + fit_forward(rec, t, ls, line_end(rec, i, t.length), x - L.left);
}

// ---- edits and input -------------------------------------------------------------------

// The selection follows the edit: text replaced before it shifts it, an edit over
// its start pulls its end along. The range is clamped to the text and the
// selection kept within the new text.
void OGLE_ReplaceText(OGLE_Rec* rec, int start, int end, const char* new_begin, const char* new_end)
{
    const text_view t = text_in_sync(rec);
    start = clamp_pos(start, t.length);
    end = clamp_pos(end, t.length);
    if (end < start) std::swap(start, end);
    if (new_begin == nullptr || new_end == nullptr || new_end < new_begin) new_begin = new_end = nullptr;

    const int delta = static_cast<int>(new_end - new_begin) - (end - start);
    const int s = rec->sel_start;
    if (end <= s) {
        rec->sel_start += delta;
        rec->sel_end += delta;
    } else if (start <= s) {
        rec->sel_end += delta;
        if (rec->sel_end < s) rec->sel_end = rec->sel_start = std::max(s + delta, start);
    }
    rec->cb.ReplaceText(rec, start, end, new_begin, new_end);
    text_in_sync(rec);
    OGLE_RepaginateInternal(rec);
}

void OGLE_Click(OGLE_Rec* rec, float x, float y, int extend)
{
    const text_view t = text_in_sync(rec);
    rec->pref_x = -1.0f;
    const int pos = OGLE_CoordToCharPos(rec, x, y);
    if (!extend) {
        rec->sel_start = rec->sel_end = pos;
        rec->caret_at_end = 1;
    } else if (pos >= rec->sel_start) {
        rec->sel_end = pos;
        rec->caret_at_end = 1;
    } else {
        rec->sel_start = pos;
        rec->caret_at_end = 0;
    }
    order_selection(rec);
    clamp_selection(rec, t.length);
    OGLE_RevealSelection(rec);
}

void OGLE_Drag(OGLE_Rec* rec, float x, float y)
{
    const text_view t = text_in_sync(rec);
    rec->pref_x = -1.0f;
    active_end(rec) = OGLE_CoordToCharPos(rec, x, y);
    order_selection(rec);
    clamp_selection(rec, t.length);
    OGLE_RevealSelection(rec);
}

// Characters are bytes 0..255: one of 0x80 and above is text like any other.
void OGLE_Key(OGLE_Rec* rec, char c, int extend)
{
    const text_view t = text_in_sync(rec);
    const int code = static_cast<unsigned char>(c);
    if (code != ch_up && code != ch_down) rec->pref_x = -1.0f;
    switch (code) {
    case ch_backspace: key_backspace(rec); break;
    case ch_left: case ch_right: case ch_up: case ch_down: key_arrow(rec, code, extend, t.length); break;
    default: key_insert(rec, c); break;
    }
}

// Scrolls by the least that brings the caret's edge to the nearest border, and
// only when the caret is out of view.
void OGLE_RevealSelection(OGLE_Rec* rec)
{
    const text_view t = text_in_sync(rec);
    const rect4 L = logical_bounds(rec);
    const rect4 V = visible_bounds(rec);
    const float h = rec->cb.GetLineHeight(rec);
    const int caret = rec->caret_at_end ? rec->sel_end : rec->sel_start;
    const int line = std::max(OGLE_CharPosToLine(rec, caret), 0);
    const float caret_x = L.left + measure(rec, t, line_start(rec, line, t.length), caret);
    const float caret_y = L.top - static_cast<float>(line + 1 - rec->caret_at_end) * h;

    float offset[2] = {V.left - L.left, V.bottom - L.bottom};
    bool moved = false;
    if (caret_x < V.left) {
        offset[0] = caret_x - L.left;
        moved = true;
    } else if (caret_x > V.right) {
        offset[0] = caret_x - L.left - (V.right - V.left);
        moved = true;
    }
    if (caret_y < V.bottom) {
        offset[1] = caret_y - L.bottom;
        moved = true;
    } else if (caret_y > V.top) {
        offset[1] = caret_y - L.bottom - (V.top - V.bottom);
        moved = true;
    }
    if (moved) rec->cb.ScrollTo(rec, offset);
}

void OGLE_Draw(OGLE_Rec* rec, int draw_caret_too)
{
    const text_view t = text_in_sync(rec);
    const rect4 L = logical_bounds(rec);
    const rect4 V = visible_bounds(rec);
    const float h = rec->cb.GetLineHeight(rec);
    if (!(h > 0)) return; // no line has a place on screen
    const int count = line_count(rec);
    const int first = floor_lines((static_cast<double>(L.top) - V.top) / h, count);
    const int last = ceil_lines((static_cast<double>(L.top) - V.bottom) / h, count);

    if (rec->sel_start < rec->sel_end) draw_selection(rec, t, L, h, first, last);
    for (int i = first; i < last; ++i)
        rec->cb.DrawString(rec, t.at(line_start(rec, i, t.length)), t.at(line_end(rec, i, t.length)), L.left,
                           L.top - (i + 1) * h);
    if (draw_caret_too && rec->sel_start == rec->sel_end) draw_caret(rec, t, L, h, first, last);
}

// ---- class OGLE ------------------------------------------------------------------------

OGLE::OGLE()
    : rec(OGLE_Create({GetVisibleBoundsCB, GetLogicalBoundsCB, SetLogicalHeightCB, ScrollToCB, GetTextCB,
                       ReplaceTextCB, GetLineHeightCB, MeasureStringCB, FitStringFwdCB, FitStringRevCB,
                       DrawStringCB, DrawSelectionCB, WordBreakCB},
                      this))
{
}

OGLE::~OGLE() { OGLE_Destroy(rec); }

OGLE* OGLE::self(OGLE_Rec* r) { return static_cast<OGLE*>(OGLE_GetRef(r)); }

void OGLE::GetVisibleBoundsCB(OGLE_Rec* r, float* rect) { self(r)->GetVisibleBounds(rect); }
void OGLE::GetLogicalBoundsCB(OGLE_Rec* r, float* rect) { self(r)->GetLogicalBounds(rect); }
void OGLE::SetLogicalHeightCB(OGLE_Rec* r, float height) { self(r)->SetLogicalHeight(height); }
void OGLE::ScrollToCB(OGLE_Rec* r, float* offset) { self(r)->ScrollTo(offset); }
void OGLE::GetTextCB(OGLE_Rec* r, const char** b, const char** e) { self(r)->GetText(b, e); }
void OGLE::ReplaceTextCB(OGLE_Rec* r, int start, int end, const char* b, const char* e)
{
    self(r)->ReplaceText(start, end, b, e);
}
float OGLE::GetLineHeightCB(OGLE_Rec* r) { return self(r)->GetLineHeight(); }
float OGLE::MeasureStringCB(OGLE_Rec* r, const char* b, const char* e) { return self(r)->MeasureString(b, e); }
int OGLE::FitStringFwdCB(OGLE_Rec* r, const char* b, const char* e, float w) { return self(r)->FitStringFwd(b, e, w); }
int OGLE::FitStringRevCB(OGLE_Rec* r, const char* b, const char* e, float w) { return self(r)->FitStringRev(b, e, w); }
void OGLE::DrawStringCB(OGLE_Rec* r, const char* b, const char* e, float x, float y)
{
    self(r)->DrawString(b, e, x, y);
}
void OGLE::DrawSelectionCB(OGLE_Rec* r, float* rect) { self(r)->DrawSelection(rect); }
const char* OGLE::WordBreakCB(OGLE_Rec* r, const char* b, const char* e) { return self(r)->WordBreak(b, e); }

void OGLE::GetSelection(int* start, int* end) { OGLE_GetSelection(rec, start, end); }
void OGLE::Repaginate() { OGLE_Repaginate(rec); }
void OGLE::DoReplaceText(int start, int end, const char* b, const char* e) { OGLE_ReplaceText(rec, start, end, b, e); }
void OGLE::RevealSelection() { OGLE_RevealSelection(rec); }
void OGLE::Click(float x, float y, int extend) { OGLE_Click(rec, x, y, extend); }
void OGLE::Draw(int draw_caret) { OGLE_Draw(rec, draw_caret); }
void OGLE::Key(char c, int extend) { OGLE_Key(rec, c, extend); }
void OGLE::SetSelection(int a, int b) { OGLE_SetSelection(rec, a, b); }
void OGLE::Drag(float x, float y) { OGLE_Drag(rec, x, y); }
