// btn_buttons.h - the clickable widgets: push buttons, check boxes, radio
// buttons, page tabs and the compass dial. Conventions of btn_frames.h.
#pragma once

#include <string>

// Push button centred at (x, y); width 0 or less: the label's width + 21. lit
// draws the lit look; press_feedback non-zero shows the lit look at once on the
// click frame (buffers swapped inside the call), 2 also pulses a lit label.
// note: a remark right of the button, "-" for none.
int BTN_action(float x, float y, float width, int lit, int press_feedback, std::string label, std::string note);
// Check box (radio 0) or radio button at (x, y + 3); a click toggles *value between 0 and 1.
int BTN_bool(float x, float y, int* value, std::string label, int radio);
int BTN_is_int(float x, float y, int* value, int match, std::string label); // radio: *value = match
int BTN_xbyt(float x, float y, unsigned char* value, std::string label);    // check boxes over other types
int BTN_xchr(float x, float y, char* value, std::string label);
int BTN_xbol(float x, float y, bool* value, std::string label);
// Page tab in a grid from the sub-window's top left; a click sets *value = match.
int BTN_tab(int column, int row, int* value, int match, std::string label);
// Compass dial: shows *heading (degrees) and sets it while the mouse is held over it.
void plot_dir(float x, float y, float* heading, int alternate);
