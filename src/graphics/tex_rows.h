// tex_rows.h - where a decoded picture's rows go: the destination layout that
// the PNG and BMP readers share (bytes per pixel, row pad, the power-of-two
// canvas or longer rows) and the checks that keep a decode inside its buffer.
// Any thread.
#pragma once

#include <cstddef>
#include <string>

struct tex_rows {
    int bpp = 0;             // bytes per pixel delivered: 1, 3 or 4
    int pad = 0;             // bytes after each row's pixels
    int rows = 0;            // rows in the buffer (the canvas may have more than the picture)
    std::size_t stride = 0;  // bytes from one row to the next
    std::size_t bytes = 0;   // stride x rows
    bool clear = false;      // the canvas is larger than the picture: zero the whole buffer first
};

// Plans the rows of a width x height picture: with make_pow2 a canvas of the
// next powers of two, else rows of row_pixels pixels when it is not 0, else
// packed rows. Checked in 64 bits before anything is written; 0 with a log line
// "<who>: <name>: ..." when a side lies outside 1..2048, row_pixels is below the
// width, the pad does not fit an int, or a caller's buffer (pixels not null)
// holds fewer than `bytes` (capacity in bytes).
int TEX_plan_rows(const char* who, const std::string& name, int width, int height, int bpp, int row_pixels,
                  int make_pow2, const unsigned char* pixels, std::size_t capacity, tex_rows& out);

// Allocates the buffer with malloc when pixels is null (the caller frees it),
// then zeroes it when the plan says so. 0 when the allocation failed (logged).
// allocated is set to the new buffer, or null when the caller's was used.
int TEX_prepare_rows(const char* who, const std::string& name, const tex_rows& plan, unsigned char*& pixels,
                     unsigned char*& allocated);

// The smallest power of two not below n, counted from 1.
int TEX_next_pow2(int n);
