// btn_text.cpp - the text field.
//
//   the edited field   which field the shared edit record serves
//   callbacks          geometry, text and drawing for the engine
//   keys               from the focus ring's queue to the engine
//   the field          one call per frame
#include "ui/btn_text.h"

#include "foundation/frame_pace.h"
#include "foundation/hl_types.h"
#include "foundation/hooks.h"
#include "ui/btn_draw.h"
#include "ui/btn_focus.h"
#include "ui/btn_frames.h"
#include "ui/colr.h"
#include "ui/keys.h"

#include <cstring>

namespace {

// ---- the edited field ---------------------------------------------------------------
OGLE_Rec* ogle = nullptr;          // created on the first call, kept for the run
int focused_field_id = 0;          // the field whose selection and scroll ogle holds
std::string* OGLE_input = nullptr; // its text, only during a focused call
int OGLE_x = 0, OGLE_y = 0;        // its placement, units, truncated
int OGLE_entry_dx = 0;             // its width, units, truncated
float OGLE_dx = 0, OGLE_dy = 0;    // scroll offsets from the engine
int OGLE_edit = 0;                 // the text was replaced in this call
btn_key_queue text_keys;

constexpr int text_accept = focus_delete | focus_page_arrows | focus_letters | focus_digits | focus_plus_minus |
                            focus_printable;
constexpr int long_string = 500; // the char form's limit
constexpr double caret_pulse_step = 1.0 / 30; // s between drawn steps of the caret's pulse
constexpr double caret_pulse_time = 10;       // s after the last input that the caret goes on pulsing

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

const OGLE_Callbacks OGLE_cbs = {
    OGLE_GetVisibleBounds, OGLE_GetLogicalBounds, OGLE_SetLogicalHeight, OGLE_ScrollTo,
    OGLE_GetText,          OGLE_ReplaceTextFunc,  OGLE_GetLineHeight,    OGLE_MeasureString,
    OGLE_FitStringFwd,     OGLE_FitStringRev,     OGLE_DrawString,       OGLE_DrawSelection,
    OGLE_WordBreak,
};

} // namespace

void BTN_reset_text_fields()
{
    focused_field_id = 0;
    OGLE_input = nullptr;
    OGLE_dx = OGLE_dy = 0;
    text_keys = btn_key_queue{};
}

// ---- callbacks -------------------------------------------------------------------------

void OGLE_GetVisibleBounds(OGLE_Rec*, float* rect)
{
    rect[0] = static_cast<float>(OGLE_x);
    rect[1] = OGLE_y - 2.0f;
    rect[2] = static_cast<float>(OGLE_x + OGLE_entry_dx);
    rect[3] = OGLE_y + 9.0f;
}

// 1024 units wider than the field, so the text stays on one line.
void OGLE_GetLogicalBounds(OGLE_Rec*, float* rect)
{
    rect[0] = OGLE_x - OGLE_dx;
    rect[1] = OGLE_y - 2.0f - OGLE_dy;
    rect[2] = OGLE_x + OGLE_entry_dx - OGLE_dx + 1024.0f;
    rect[3] = OGLE_y + 9.0f - OGLE_dy;
}

void OGLE_SetLogicalHeight(OGLE_Rec*, float) {}

void OGLE_ScrollTo(OGLE_Rec*, float* point)
{
    OGLE_dx = point[0];
    OGLE_dy = point[1];
}

void OGLE_GetText(OGLE_Rec*, const char** begin, const char** end)
{
    static const char empty = 0;
    const char* b = OGLE_input ? OGLE_input->data() : &empty;
    *begin = b;
    *end = b + (OGLE_input ? OGLE_input->size() : 0);
}

void OGLE_ReplaceTextFunc(OGLE_Rec*, int start, int end, const char* new_begin, const char* new_end)
{
    if (!OGLE_input) return;
    const size_t len = OGLE_input->size();
    const size_t s = start < 0 ? 0 : static_cast<size_t>(start) > len ? len : static_cast<size_t>(start);
    const size_t e = end < static_cast<int>(s) ? s : static_cast<size_t>(end) > len ? len : static_cast<size_t>(end);
    const size_t n = new_begin && new_end > new_begin ? static_cast<size_t>(new_end - new_begin) : 0;
    OGLE_input->replace(s, e - s, new_begin ? new_begin : "", n);
    OGLE_edit = 1;
}

float OGLE_GetLineHeight(OGLE_Rec*) { return 11.0f; }

float OGLE_MeasureString(OGLE_Rec*, const char* begin, const char* end)
{
    float w = 0;
    for (const char* p = begin; p < end; ++p) w += btn_draw.char_width(static_cast<signed char>(*p));
    return w;
}

int OGLE_FitStringFwd(OGLE_Rec*, const char* begin, const char* end, float width)
{
    if (begin >= end || width <= 0) return 0;
    int n = 0;
    for (const char* p = begin; p < end; ++p) {
        ++n;
        width -= btn_draw.char_width(static_cast<signed char>(*p));
        if (width <= 0) break;
    }
    return n;
}

int OGLE_FitStringRev(OGLE_Rec*, const char* begin, const char* end, float width)
{
    int n = 0;
    for (const char* p = end; p > begin; --p) {
        ++n;
        width -= btn_draw.char_width(static_cast<signed char>(p[-1]));
        if (width <= 0) break;
    }
    return n;
}

// One line, always from the start of the scrolled text: the engine's point is not needed.
void OGLE_DrawString(OGLE_Rec*, const char* begin, const char* end, float, float)
{
    btn_draw.string(45, OGLE_x - OGLE_dx, OGLE_y - OGLE_dy, std::string(begin, end), 9999, font_interface, 0);
}

void OGLE_DrawSelection(OGLE_Rec*, float* rect)
{
    if (rect[0] == rect[2]) {
        // The caret pulses while the user works, then stays lit, so that a
        // window left alone rests like any other.
        const bool pulsing = fpace.now() - fpace.last_input < caret_pulse_time;
        btn_draw.line(45, pulsing ? colr.pulse_level : 1.0f, rect[0], rect[1], rect[0], rect[3]);
        if (pulsing) fpace.wake_in(caret_pulse_step);
    }
    else
        btn_draw.fillrect(8, 1.0f, rect[0], rect[1], rect[2] - rect[0], rect[3] - rect[1]);
}

const char* OGLE_WordBreak(OGLE_Rec*, const char* begin, const char* end)
{
    const char* p = begin;
    while (p < end && is_space(*p)) ++p;
    while (p < end && !is_space(*p)) ++p;
    return p;
}

// ---- keys ----------------------------------------------------------------------------------
namespace {

enum : char { ch_backspace = 8, ch_left = 28, ch_right = 29, ch_up = 30, ch_down = 31 };

void caret_to(int pos)
{
    OGLE_SetSelection(ogle, pos, pos);
    OGLE_RevealSelection(ogle);
}

void forward_delete()
{
    int s = 0, e = 0;
    OGLE_GetSelection(ogle, &s, &e);
    if (s == e) {
        if (static_cast<size_t>(e) >= OGLE_input->size()) return;
        OGLE_SetSelection(ogle, s, s + 1);
    }
    OGLE_Key(ogle, ch_backspace, 0);
}

// Edit keys by their virtual key; every other key inserts its character when
// that is text. Home, End and Page Up/Down carry a keysym byte ('P', 'W', 'U',
// 'V'), Delete 255 and a Control or Alt chord 0: none of them is text.
void apply_key(int character, int vkey, int flags)
{
    const int shift = flags & skyd_ShiftFlag;
    switch (vkey) {
    case SKYD_VK_BACK: OGLE_Key(ogle, ch_backspace, 0); return;
    case SKYD_VK_DELETE: forward_delete(); return;
    case SKYD_VK_LEFT: OGLE_Key(ogle, ch_left, shift); return;
    case SKYD_VK_RIGHT: OGLE_Key(ogle, ch_right, shift); return;
    case SKYD_VK_UP: OGLE_Key(ogle, ch_up, shift); return;
    case SKYD_VK_DOWN: OGLE_Key(ogle, ch_down, shift); return;
    case SKYD_VK_HOME: caret_to(0); return;
    case SKYD_VK_END: caret_to(static_cast<int>(OGLE_input->size())); return;
    case SKYD_VK_PRIOR:
    case SKYD_VK_NEXT: return;
    default: break;
    }
    const int byte = character & 0xFF;
    if (byte < 32 || byte == 127) return;
    OGLE_Key(ogle, static_cast<char>(byte), shift);
}

// A shortened text must not leave the selection past its end.
void clamp_selection(const std::string& text)
{
    int s = 0, e = 0;
    OGLE_GetSelection(ogle, &s, &e);
    const int len = static_cast<int>(text.size());
    e = e < 0 ? 0 : e > len ? len : e;
    s = s < 0 ? 0 : s > e ? e : s;
    OGLE_SetSelection(ogle, s, e);
}

} // namespace

// ---- the field ----------------------------------------------------------------------------

int BTN_enterstring(float x, float y, std::string* text, int max_len, std::string label, float width,
                    int take_focus)
{
    const int id = BTN_focus_id_of(x, y);
    if (!ogle) ogle = OGLE_Create(OGLE_cbs, nullptr);
    const bool pressed = mnw.menu_open == -1 && mnw.mouse_down && BTN_mouse_in(x, y, x + width, y + 8);
    const int take = pressed || (take_focus && BTN_no_focus_yet());
    const bool focused = BTN_register_queue(id, text_keys, text_accept, take);
    OGLE_edit = 0;
    if (focused) {
        OGLE_input = text;
        OGLE_entry_dx = static_cast<int>(width);
        OGLE_x = static_cast<int>(x);
        OGLE_y = static_cast<int>(y);
        if (id != focused_field_id) {
            OGLE_dx = OGLE_dy = 0;
            if (!pressed) OGLE_SetSelection(ogle, 0, static_cast<int>(text->size()));
            OGLE_Repaginate(ogle);
        }
        focused_field_id = id;
        clamp_selection(*text);
        if (mnw.mouse_down)
            OGLE_Click(ogle, mnw.mouse_x, mnw.mouse_y, 0);
        else if (mnw.mouse_held)
            OGLE_Drag(ogle, mnw.mouse_x, mnw.mouse_y);
    }
    // Keys for a field that is not focused now are dropped: the edit record
    // would apply them to the text of whichever field it served last.
    BTN_drain_keys(text_keys, id, [focused](int c, int v, int f) {
        if (focused) apply_key(c, v, f);
    });

    std::string left, right;
    BTN_expand_label(label, &left, &right, nullptr);
    BTN_frame1(9, x + width / 2 - 2, y + 3, width + 10, 0);
    BTN_util_draw_label(x - 12, y, 0, left, 0);
    BTN_util_draw_label(x + width + 6, y, 2, right, 0);
    btn_draw.scissors(x - 1, y - 3, width + 2, 11);
    if (focused)
        OGLE_Draw(ogle, 1);
    else
        btn_draw.string(45, x, y, *text, 9999, font_interface, 0);
    btn_draw.scissors_end();

    if (OGLE_edit && max_len >= 0 && text->size() > static_cast<size_t>(max_len)) {
        text->resize(static_cast<size_t>(max_len));
        if (focused) OGLE_Repaginate(ogle);
    }
    // The text belongs to the caller and may not outlive this call.
    OGLE_input = nullptr;
    return OGLE_edit;
}

int BTN_enterstring(float x, float y, char* text, int max_len, std::string label, float width, int take_focus)
{
    std::string edited(text);
    const int result = BTN_enterstring(x, y, &edited, max_len, label, width, take_focus);
    if (edited.size() >= long_string) {
        MACIBM_alert(0, "String too long!", edited, "", "", t_exit);
        return result;
    }
    std::memcpy(text, edited.c_str(), edited.size() + 1);
    return result;
}
