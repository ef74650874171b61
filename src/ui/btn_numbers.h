// btn_numbers.h - numeric fields: a row of digit cells with an arrow above and
// below each. An arrow steps the value by its digit's place value; a press on
// a digit selects it and takes the focus; then Left/Right move the selected
// digit, Up/Down step it, a typed digit overwrites it, '+'/'-' set the sign.
// The value is clamped to the range and rounded to the decimals on every
// call. All fields share one selected digit and one key queue. Values are
// worked in double, so no step or rounding overflows; results are saturated
// into the caller's type. Conventions of btn_frames.h.
#pragma once

#include <string>

int BTN_flt_range(float x, float y, float* value, int digits, int decimals, float min, float max,
                  std::string label);
// Placed in a grid of 75 x 50 cells; the digits end at the cell's right edge.
int BTN_flt_rangeij(float column, float row, float* value, int digits, int decimals, float min, float max,
                    std::string label);
int BTN_int_range(float x, float y, int* value, int digits, float min, float max, std::string label);
// All nines of 1..9 digits (an int holds no more), from -max when allow_negative.
int BTN_int(float x, float y, int* value, int digits, int allow_negative, std::string label);
// Written back only on a frame of change, so an untouched value keeps its precision.
int BTN_dob_range(float x, float y, double* value, int digits, int decimals, float min, float max,
                  std::string label);
// All nines of 1..10 digits with the decimals, from -max when allow_negative.
int BTN_flt(float x, float y, float* value, int digits, int decimals, int allow_negative, std::string label);
int BTN_fltij(float column, float row, float* value, int digits, int decimals, int allow_negative,
              std::string label);
void BTN_display_number(float x, float y, float value, int digits, int decimals, const std::string& label);

int BTN_hot_digit();        // the selected digit of the focused field
void BTN_reset_numbers();   // selected digit 0, queue empty; for tests
