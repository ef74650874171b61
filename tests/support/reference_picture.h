// reference_picture.h - a window test's picture held against a kept
// reference: a rectangle of the frame read back, then compared pixel by
// pixel, with a small tolerance, with a PNG kept in tests/fixtures/. On a
// difference the picture drawn and a picture of the differences are left in
// the test program's build folder, and the message says where. Main thread,
// with the GL context current; no Xlib names.
#pragma once

#include <string>
#include <vector>

struct picture {
    int w = 0, h = 0;
    std::vector<unsigned char> rgb; // top row first, 3 bytes a pixel
};

// The rectangle of the current read buffer with its lower-left corner at
// (x, y), GL's coordinates (y upwards), w x h pixels.
picture read_back(int x, int y, int w, int h);
// The current sub-window and `margin` pixels around it, so that what strays
// outside the window shows too.
picture read_back_window(int margin = 16);

// Pixels whose channels all lie within this of the reference's count as alike:
// a different GL's rounding of blends and edges, not a misplaced stroke.
constexpr int reference_channel_tolerance = 48;

// "" when `actual` is the picture tests/fixtures/<name>.png shows, but for at
// most `allowed` pixels; else the reason, with <saved_as>.actual.png (what was
// drawn) and <saved_as>.diff.png (the differing pixels red over a pale copy)
// left in the test program's folder; saved_as is name when empty. A missing
// reference fails the same way, so a new picture is kept only once someone
// has looked at it.
std::string compare_with_reference(const picture& actual, const std::string& name, int allowed,
                                   const std::string& saved_as = "");
