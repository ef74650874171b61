// screen_draw.h - the drawing calls of the installer's screens and windows.
// Every picture piece, text, frame and widget of the main screen, the licence
// window and the preferences window is drawn through the table `scr_draw`: in
// the program it holds the drawing layer's and the widget set's calls; a test
// swaps in a recorder and compares what a frame drew with a golden list.
// One table for the program; main thread only.
#pragma once

#include <string>

struct screen_draw_calls {
    // OGL_2dquad: four corners (x, y, s, t) in the order given.
    void (*quad)(int ref, int colour, float alpha, float x1, float y1, float s1, float t1, float x2, float y2,
                 float s2, float t2, float x3, float y3, float s3, float t3, float x4, float y4, float s4,
                 float t4, int tex_units, int alpha_mode);
    float (*string)(int colour, float x, float y, const std::string& text, float wrap, int font, int align);
    void (*frame1)(int style, float x, float y, float width, int colour);
    void (*frame2)(int style, float x, float y, float w, float h, std::string title);
    int (*action)(float x, float y, float width, int lit, int feedback, std::string label, std::string note);
    int (*is_int)(float x, float y, int* value, int match, std::string label);
    void (*plot_back_col)();
    void (*fillwin)(int titled, int style);
    void (*subwin)(float top_reserve, int style, float x, float y, float w, float h, std::string title,
                   float* next_x, float* next_y);
    int (*boolean)(float x, float y, int* value, std::string label, int radio);
    int (*int_range)(float x, float y, int* value, int digits, float min, float max, std::string label);
    int (*enterstring)(float x, float y, std::string* text, int max_len, std::string label, float width,
                       int take_focus);
    // A pop-up list of the "-"-separated items showing entry *selection; a pick writes its 0-based index.
    int (*textlist)(float x, float y, int* selection, std::string items, std::string label);
    void (*sbuff)(); // shows the back buffer at once
};

// The list choice until the widget set has its pop-up list: the items as a
// row of radio entries, the first at x, each 110 units right of the last.
int INS_textlist_radios(float x, float y, int* selection, std::string items, std::string label);

extern screen_draw_calls scr_draw;

// Replaces the table; returns the previous one. Tests restore it afterwards.
screen_draw_calls INS_set_draw_calls(const screen_draw_calls& calls);
// The table the program starts with.
screen_draw_calls INS_default_draw_calls();
