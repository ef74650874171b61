// ogle.h - the text-edit engine: keeps the line breaks and the selection of a
// text it does not own, and turns clicks, drags and typed characters into edits,
// selection changes, scroll requests and drawing calls. It knows nothing of GL
// or fonts: everything that touches the text, the font, the screen or the scroll
// position goes through 13 host callbacks. One record is used by one thread at
// a time; the engine has no globals.
//
// Positions are character offsets 0..length into the host's text. Geometry is
// in the host's units, y upwards; rectangles are {left, bottom, right, top}.
// Line 0 is the top line: line i spans top - (i + 1) * h .. top - i * h.
//
// Typed characters: 8 Backspace, 28 Left, 29 Right, 30 Up, 31 Down; every
// other byte (Tab, Return and Escape included) is inserted as text.
#pragma once

#include <vector>

struct OGLE_Rec;

// The host callbacks, in this order; each takes the record first.
struct OGLE_Callbacks {
    void (*GetVisibleBounds)(OGLE_Rec*, float* rect);  // the visible rectangle
    void (*GetLogicalBounds)(OGLE_Rec*, float* rect);  // the whole text; right - left is the wrap width
    void (*SetLogicalHeight)(OGLE_Rec*, float height); // line count * line height, after each line breaking
    void (*ScrollTo)(OGLE_Rec*, float* offset);        // visible left/bottom = logical left/bottom + offset
    void (*GetText)(OGLE_Rec*, const char** begin, const char** end);
    // Replace [start, end) by [new_begin, new_end); both null: delete.
    void (*ReplaceText)(OGLE_Rec*, int start, int end, const char* new_begin, const char* new_end);
    float (*GetLineHeight)(OGLE_Rec*);
    float (*MeasureString)(OGLE_Rec*, const char* begin, const char* end); // drawn width
    int (*FitStringFwd)(OGLE_Rec*, const char* begin, const char* end, float width); // chars from begin that fit
    int (*FitStringRev)(OGLE_Rec*, const char* begin, const char* end, float width); // the same from end; unused
    void (*DrawString)(OGLE_Rec*, const char* begin, const char* end, float x, float y); // y: the line's bottom
    void (*DrawSelection)(OGLE_Rec*, float* rect);    // zero width: the caret, one line high
    const char* (*WordBreak)(OGLE_Rec*, const char* begin, const char* end); // end of the word at begin
};

struct OGLE_Rec {
    OGLE_Callbacks cb;
    void* refcon;                 // the host's reference value
    std::vector<int> line_starts; // offset of each laid-out line; element 0 is 0
    int sel_start = 0;            // sel_start <= sel_end after every operation
    int sel_end = 0;
    int caret_at_end = 1;         // 1: the caret (the end that moves and is revealed) is sel_end
    float pref_x = -1.0f;         // column kept over Up/Down moves; -1: none
};

// ---- the engine ------------------------------------------------------------------
OGLE_Rec* OGLE_Create(const OGLE_Callbacks& callbacks, void* refcon); // calls no callback
void OGLE_Destroy(OGLE_Rec* rec);                         // null is ignored
void* OGLE_GetRef(OGLE_Rec* rec);
void OGLE_GetSelection(OGLE_Rec* rec, int* start, int* end); // either may be null
void OGLE_SetSelection(OGLE_Rec* rec, int a, int b);         // ordered and clamped; no scrolling
// Line breaking of the whole text; the host calls it after creating the record and
// after changing the text or the wrap width itself.
void OGLE_Repaginate(OGLE_Rec* rec);
// An edit through the engine: the selection follows it, then line breaking.
void OGLE_ReplaceText(OGLE_Rec* rec, int start, int end, const char* new_begin, const char* new_end);
void OGLE_Click(OGLE_Rec* rec, float x, float y, int extend); // logical coordinates
void OGLE_Drag(OGLE_Rec* rec, float x, float y);
void OGLE_Key(OGLE_Rec* rec, char c, int extend); // extend: move the caret end only (Shift)
void OGLE_RevealSelection(OGLE_Rec* rec);        // scroll the caret into view
void OGLE_Draw(OGLE_Rec* rec, int draw_caret);   // the visible lines, selection below the text

// ---- steps of the above ----------------------------------------------------------
int OGLE_CharPosToLine(OGLE_Rec* rec, int pos);  // last line starting at or before pos; -1: no lines
void OGLE_RepaginateInternal(OGLE_Rec* rec);
int OGLE_CharPosVerticalAdjust(OGLE_Rec* rec, int pos, int delta, float* pref_x);
int OGLE_CoordToCharPos(OGLE_Rec* rec, float x, float y);

// ---- the engine as a class ---------------------------------------------------------
// A host derives from it and implements the callbacks; the record forwards to them.
class OGLE {
public:
    OGLE();
    virtual ~OGLE();
    OGLE(const OGLE&) = delete;
    OGLE& operator=(const OGLE&) = delete;

    virtual void GetVisibleBounds(float* rect) = 0;
    virtual void GetLogicalBounds(float* rect) = 0;
    virtual void SetLogicalHeight(float height) = 0;
    virtual void ScrollTo(float* offset) = 0;
    virtual void GetText(const char** begin, const char** end) = 0;
    virtual void ReplaceText(int start, int end, const char* new_begin, const char* new_end) = 0;
    virtual float GetLineHeight() = 0;
    virtual float MeasureString(const char* begin, const char* end) = 0;
    virtual int FitStringFwd(const char* begin, const char* end, float width) = 0;
    virtual int FitStringRev(const char* begin, const char* end, float width) = 0;
    virtual void DrawString(const char* begin, const char* end, float x, float y) = 0;
    virtual void DrawSelection(float* rect) = 0;
    virtual const char* WordBreak(const char* begin, const char* end) = 0;

    void GetSelection(int* start, int* end);
    void Repaginate();
    void DoReplaceText(int start, int end, const char* new_begin, const char* new_end);
    void RevealSelection();
    void Click(float x, float y, int extend);
    void Draw(int draw_caret);
    void Key(char c, int extend);
    void SetSelection(int a, int b);
    void Drag(float x, float y);

private:
    static OGLE* self(OGLE_Rec* rec);
    static void GetVisibleBoundsCB(OGLE_Rec* rec, float* rect);
    static void GetLogicalBoundsCB(OGLE_Rec* rec, float* rect);
    static void SetLogicalHeightCB(OGLE_Rec* rec, float height);
    static void ScrollToCB(OGLE_Rec* rec, float* offset);
    static void GetTextCB(OGLE_Rec* rec, const char** begin, const char** end);
    static void ReplaceTextCB(OGLE_Rec* rec, int start, int end, const char* new_begin, const char* new_end);
    static float GetLineHeightCB(OGLE_Rec* rec);
    static float MeasureStringCB(OGLE_Rec* rec, const char* begin, const char* end);
    static int FitStringFwdCB(OGLE_Rec* rec, const char* begin, const char* end, float width);
    static int FitStringRevCB(OGLE_Rec* rec, const char* begin, const char* end, float width);
    static void DrawStringCB(OGLE_Rec* rec, const char* begin, const char* end, float x, float y);
    static void DrawSelectionCB(OGLE_Rec* rec, float* rect);
    static const char* WordBreakCB(OGLE_Rec* rec, const char* begin, const char* end);

    OGLE_Rec* rec;
};
