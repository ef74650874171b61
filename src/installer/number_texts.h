// number_texts.h - the numbers the installer screens show and read: a float
// with fixed decimals in a right-aligned field, a size in kilobytes as
// megabytes or gigabytes, and a typed whole number. The digits are made one
// by one from 32-bit integers. Main thread only (flt_to_str keeps its two
// halves in function-local statics).
#pragma once

#include <string>

// *out = value with `decimals` digits after the point (0: no point, truncated),
// the integer part at least total_digits - decimals wide (at most ten digits),
// leading zeros but the last shown as blanks; a non-zero sign_column puts a
// blank before a value that is not negative. Negative decimals: *out unchanged.
void flt_to_str(float value, std::string* out, int total_digits, int decimals, int sign_column);

// *out = the size as "<mb> Meg" below 1000 decimal megabytes, else "<gb> Gig", one decimal.
void set_size_str(float kilobytes, std::string* out);

// The value of a signed decimal text of 1 to 9 digits ('+' or '-' only as its
// first character), or -1 for any other text.
int str_to_int(const std::string& text);
