// btn_sliders.h - sliders. Unlike other widgets they follow a held button
// (mnw.mouse_held), not only a press, and make no menu test.
#pragma once

#include <string>

// Vertical scroll bar on centre line x (a whole number), track bottom..top,
// lo with the thumb at the top, hi at the bottom. Arrows step 1, the track 10,
// repeating every 0.2 s tick once the button has been held 0.25 s; the thumb
// drags. id 0..3 selects the grab record (drawn twice with one id, both move).
// 1 while this slider's thumb is held. hi <= lo: the bare track, value untouched.
int BTN_vert_slider(int id, float x, float bottom, float top, int lo, int hi, int* value);
// Horizontal slider over x..x + width centred on y, lo at the left end.
// fill_colour 12: no fill bar. editable: a knob that the held mouse drags.
// 1 on a frame on which the mouse set the value.
int BTN_horz_slider(float x, float y, float width, int fill_colour, float lo, float hi, float* value, int editable,
                    std::string label, std::string caption);

void BTN_reset_sliders(); // no thumb held; for tests
