// draw_recorder.h - a recorder in place of the screens' drawing table: every
// call becomes one line of text (picture pieces by their texels), so that a
// frame's drawing compares with a golden list. Widgets report no press.
#pragma once

#include "installer/screen_draw.h"

#include <string>
#include <vector>

class draw_recorder {
public:
    draw_recorder();
    ~draw_recorder();
    draw_recorder(const draw_recorder&) = delete;
    draw_recorder& operator=(const draw_recorder&) = delete;
    static std::vector<std::string>& lines();
    static std::string text(); // the lines, one per line
private:
    screen_draw_calls previous;
};
