// colr.h - the colour table: every 2D drawing names its colour by a small
// index, and the table turns it into red, green and blue. It also shows the
// display-gamma data of the image loaders (kept below, in graphics/gamma.h,
// and reached here by reference), the interface lighting triple, the caret's
// pulse level and a false-colour spectrum. One global object, colr, built
// before main; main thread only.
#pragma once

#include "graphics/gamma.h"

constexpr int colr_count = 104; // indices 0..103

// Indices with a role in the shell and the drawing layer.
constexpr int col_spectrum_label = 0;
constexpr int col_status_red = 1;
constexpr int col_select_fill = 8;
constexpr int col_list_mark = 12;
constexpr int col_status_green = 13;
constexpr int col_back = 34;         // start-up: atlas pixel (319, 155)
constexpr int col_menu_line = 35;
constexpr int col_menu_fill = 36;
constexpr int col_menu_line_2 = 37;
constexpr int col_menu_text = 38;
constexpr int col_menu_mid = 39;     // mean of 35 and 38
constexpr int col_frame_title = 40;
constexpr int col_iface_41 = 41;
constexpr int col_tab_text = 42;
constexpr int col_alert_text = 43;
constexpr int col_iface_44 = 44;
constexpr int col_widget_text = 45;  // the last index scaled by the lighting triple
constexpr int col_body_text = 46;
constexpr int col_window_text = 47;
constexpr int col_lit = 48;          // set_lit_col
constexpr int col_white = 49;
constexpr int col_about_58 = 58;
constexpr int col_progress_text = 61;
constexpr int col_profile_0 = 78;    // 78..83: the clock's pulse, every frame
constexpr int col_picture_tint = 102;

class colr_class {
public:
    colr_class(); // the initial colours, lite (1, 1, 1), everything else 0

    // rgb[index] = (r, g, b). An index outside 0..103 raises the bound alert
    // and writes nothing.
    void assign(int index, float r, float g, float b);
    // The colour of an index as drawn: scaled by lite for indices 0..45. An
    // index outside 0..103 raises the bound alert and gives black.
    void lit_rgb(int index, float out[3]) const;
    // Writes col_lit: type 0 the larger of lite and ren.lit_level_1 per
    // component, 1 lit_level_1 grey, 2 lit_level_2 grey; another type is fatal.
    void set_lit_col(int type);
    void set_lites_for_interface(); // each lite component at most 0.75 becomes 0.75
    // Fills spec_rgb: 0 rainbow red..violet, 1 red ramp, 2 green, 3 blue; other modes change nothing.
    void spectrum_init(int mode);
    // Sets spec_min, spec_max and spec_span from lo and hi and draws the scale: hi
    // and lo as numbers (colour 0, decimals given) at its top and bottom, and 250
    // points 4 units apart from (x, y) up, each in the spectrum colour of its
    // value. With hi equal to lo every point takes entry 0. GL context current.
    void spectrum_plotscale(float x, float y, float lo, float hi, int decimals);

    // ---- gamma data of the image loaders (the one copy is colr_gamma) ----
    double& design_gamma;               // 1.8: gamma the pictures were authored for
    double& display_gamma;              // 2.2: gamma of the display
    int& gamma_off;                     // 1: loaded pictures are not corrected
    unsigned char (&gamma_table)[256];  // corrected value of each 8-bit channel value

    float rgb[colr_count][3];   // colour of each index, components 0..1
    float lite[3];              // interface lighting: scales indices 0..45 when drawn
    float pulse_level;          // brightness of blinking elements, 0.4..1.0; the clock
    float spec_min, spec_max;   // values at the ends of the spectrum scale
    float spec_span;            // spec_max - spec_min
    float spec_rgb[1000][3];    // false-colour spectrum, entry k for the k-th thousandth
};

extern colr_class colr;
