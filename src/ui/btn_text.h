// btn_text.h - the single-line text field. While it has the keyboard focus it
// edits the caller's string through the text-edit engine (ui/ogle.h); all
// fields share one edit record, which serves the field that last had focus.
// Conventions of btn_frames.h. Main thread only.
#pragma once

#include "ui/ogle.h"

#include <string>

// (x, y): left end of the text's base line; width: the text area. max_len:
// longest text kept (negative: no limit). label: "left|right" drawn around the
// field. take_focus: the field takes focus by itself while nothing has it.
// 1 when the text changed in this call; the text is changed in place. Keys
// are applied only while the field is focused in the call that drains them;
// navigation keys move the caret (Home, End) or are ignored (Page Up, Page
// Down); Delete removes the character after the caret; control bytes and the
// character 0 (Control or Alt held) are never inserted.
int BTN_enterstring(float x, float y, std::string* text, int max_len, std::string label, float width,
                    int take_focus);
// The same over a NUL-terminated buffer, which must hold max_len characters
// and the NUL; a text of 500 characters or more is the fatal "String too long!".
int BTN_enterstring(float x, float y, char* text, int max_len, std::string label, float width, int take_focus);

// Forgets the edit record's field, so the next focused field starts afresh; for tests.
void BTN_reset_text_fields();

// ---- the engine's callbacks over the field (font 100 advances) ----------------------
void OGLE_GetVisibleBounds(OGLE_Rec*, float* rect);
void OGLE_GetLogicalBounds(OGLE_Rec*, float* rect);
void OGLE_SetLogicalHeight(OGLE_Rec*, float height);
void OGLE_ScrollTo(OGLE_Rec*, float* point);
void OGLE_GetText(OGLE_Rec*, const char** begin, const char** end);
void OGLE_ReplaceTextFunc(OGLE_Rec*, int start, int end, const char* new_begin, const char* new_end);
float OGLE_GetLineHeight(OGLE_Rec*);
float OGLE_MeasureString(OGLE_Rec*, const char* begin, const char* end);
int OGLE_FitStringFwd(OGLE_Rec*, const char* begin, const char* end, float width);
int OGLE_FitStringRev(OGLE_Rec*, const char* begin, const char* end, float width);
void OGLE_DrawString(OGLE_Rec*, const char* begin, const char* end, float x, float y);
void OGLE_DrawSelection(OGLE_Rec*, float* rect);
const char* OGLE_WordBreak(OGLE_Rec*, const char* begin, const char* end);
