// show_init.h - the start-up status screen: one whole frame with the window
// background, a panel with the maker's address and a status message, and a
// progress bar across the bottom of the design area, shown at once. Used
// while no frame loop runs. Main thread only, with the GL context current.
#pragma once

#include <string>

// Draws and swaps one status frame. progress: a fraction 0..1, or null for an
// automatic advance of one hundredth per call. Nothing (and no advance) before
// the first sub-window has been opened (plot_init_lights 0).
void MACIBM_show_init(const std::string& message, float* progress);

// ---- the frame's geometry, apart from GL for tests ----------------------------------
// Interface units of the current window, y upwards, window offsets taken off.
struct init_screen_layout {
    float panel_x, panel_y, panel_w, panel_h; // style-15 panel
    float address_x, address_y;               // the maker's address
    float message_x, message_y;               // the status message
    float wrap;                               // wrap width of both texts
    float bar_y;                              // centre line of the bar
    float track_cx, track_w;                  // style-4 track: centre x, width
    float fill_cx, fill_w;                    // style-5 fill: centre x, width
};
// The layout for a fill fraction (held to 0.02..1; anything else, NaN
// included, counts as 0.02), from mnw.pix_x_off, mnw.wind_x and mnw.wind_y.
init_screen_layout MACIBM_init_screen_layout(float fraction);
extern const char* const init_screen_address; // the panel's first line
