// ogl_sbuff.h - frame-buffer services of the drawing layer: ending a frame
// with the buffer swap, the backdrop picture cut into sixteen 512 x 512
// textures, and reading the frame back as a screenshot.
// Main thread only, with the GL context current; the backdrop and the
// screenshot use scratch_array, which nothing else may use during the call.
#pragma once

// ---- buffer swap -------------------------------------------------------------------
// Resets the current colour (white, or green under ren.draw_green, at
// ren.draw_alpha) and swaps the back buffer of window mnw.draw_wind to the front.
void OGL_sbuff();
// glXSwapBuffers on mnw.display and mnw.xwin[mnw.draw_wind]; nothing while no
// display is open or the index is not 0 or 1.
void LIN_swap_buffers();

// ---- backdrop -----------------------------------------------------------------------
constexpr int t_tex_back = 423;      // tile row j, column i: 423 + 4 j + i, up to 438
constexpr int back_tile_side = 512;  // texels
constexpr int back_max_side = 2048;  // the picture's largest side, pixels
extern int back_dx, back_dy;         // size of the backdrop picture last loaded; 0 until then

// Before the first frame only (mnw.cur_wind -1): reads "Resources/bitmaps/intro.png"
// and loads it as the sixteen tiles. A picture that cannot be read (a side
// above 2048 among the reasons) is the fatal alert "Trying to load a texture
// that you do not have!". Out of memory for the 16 MiB copy: no tiles.
void OGL_make_back_tex();
// Draws the tiles that lie in the window, each at its own 512 pixels: before
// the first frame right-aligned and hanging from the window's top (the rest of
// the window in colour 34 when the picture does not cover it); afterwards
// from the bottom-left of the centred design area.
void OGL_plot_back_tex();

// ---- screenshot ----------------------------------------------------------------------
// Reads the centred min(window, 2048) square region of the read buffer into
// scratch_array (GL_RGB, rows bottom-up, packed). With save non-zero also
// writes it as "screenshot_<n>.png" in the program folder, n the next number
// whose file does not exist. Returns 1, or 0 when the file could not be
// written (logged; no file is left behind).
int OGL_screenshot(int save);
