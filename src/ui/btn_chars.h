// btn_chars.h - the character wheel: a fixed-length code of blanks, digits,
// capitals and '-' edited in place, a cell per character with an arrow above
// (previous symbol) and below (next symbol). With the focus, typed characters
// overwrite the selected cell and advance, Left/Right move, Up/Down step. All
// wheels share one selected cell and one key queue. Conventions of btn_frames.h.
#pragma once

#include <string>

// (x, y): left end of the first cell's base line; count chars, no NUL read or
// written; label: "left{?help", the left part before the field.
void BTN_chars(float x, float y, char* chars, int count, std::string label);

int BTN_chars_hot_cell();     // the selected cell
void BTN_reset_chars();       // selected cell 0, queue empty; for tests
