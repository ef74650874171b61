// btn_frames.h - the base of the immediate-mode widget set: the stretchable
// frames every widget and panel is drawn from, widget labels, whole-window and
// sub-window panels and the close boxes of dialogs.
//
// Conventions of every BTN_ widget: drawn at once, every frame it is to be
// seen; values through pointers, changed in place; result 1 on the frame the
// user acts, else 0. Coordinates are interface units of the current sub-window,
// y upwards. A click is the frame on which mnw.mouse_down is set, with no menu
// open (mnw.menu_open -1) and the mouse in the widget's rectangle, edges
// included. Colours are colour-table indices. Arguments the widget set cannot
// draw raise the fatal alert. Main thread only.
#pragma once

#include "foundation/hooks.h"

#include <string>

// ---- frames -------------------------------------------------------------------
void BTN_frame0(int style, float x, float y, float height); // vertical bar; style 6, whole x and y
void BTN_frame1(int style, float x, float y, float width, int colour); // one row; styles 0-5, 7-10
// Panel whose inner rectangle is (x, y, w, h), drawn a little larger, with a title; styles 11-20.
void BTN_frame2(int style, float x, float y, float w, float h, std::string title);
// One atlas quad centred at (x, y), the cell centred at atlas pixel (s, t), same half sizes.
void BTN_util_element(float x, float y, float s, float t, float half_w, float half_h, int colour);

// ---- labels -------------------------------------------------------------------
// "left|right{?help": the last '{' ends the right text and skips one character;
// the last '|' before it ends the left text. Missing parts come out empty.
void BTN_expand_label(const std::string& label, std::string* left, std::string* right, std::string* help);
// One widget text: mode 0 ends at x, 1 centred on x, 2 starts at x; a text of
// more than 12 characters (a leading '-': no limit, '-' not drawn) breaks into
// two lines 10 units apart, except centred. highlight: the pulsing red.
void BTN_util_draw_label(float x, float y, int mode, const std::string& text, int highlight);

// ---- windows ------------------------------------------------------------------
// A panel with defaults for negative values; *next_x, *next_y: where the next panel may start.
void BTN_subwin(float top_reserve, int style, float x, float y, float w, float h, std::string title,
                float* next_x, float* next_y);
void BTN_fillwin(int titled, int style);   // covers the current sub-window
int BTN_zap_boxes(int alternate);          // the close boxes; 1 on a press on either

// ---- shared by the widgets ----------------------------------------------------
// A quad from atlas pixels: screen x0..x1, y0..y1 from cell s0..s1, t0..t1 of a
// texture addressed as tex_size square, blended, one texture unit.
void BTN_util_atlas_quad(int ref, int colour, float x0, float y0, float x1, float y1, float s0, float t0,
                         float s1, float t1, float tex_size = 512.0f);
// The position key of a focusable widget: int(y) + int(x) * 8192.
int BTN_focus_id_of(float x, float y);
// Mouse in [x0, x1] x [y0, y1], edges included.
bool BTN_mouse_in(float x0, float y0, float x1, float y1);
// The fatal alert of the widget set: the message, three empty lines, t_exit.
#define BTN_fatal(message) MACIBM_alert(0, (message), "", "", "", t_exit)
