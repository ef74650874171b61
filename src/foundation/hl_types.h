// hl_types.h - the framework's global objects and records.
//
// Every object here has static storage duration, is built before main, and is
// reached by name from every subsystem. Owner thread: the main thread, unless a
// field says otherwise. X11 and GLX handles are held as opaque values so that
// this layer never includes Xlib; the shell casts them back.
#pragma once

#include <fstream>
#include <string>

// ---- window, screen-mode, mouse and keyboard record ----------------------
// Zero-filled at start; start-up and the frame loop write it, widgets read it.
struct mnw_class {
    int alias_req;            // requested anti-aliasing level 0..4; start-up
    int alias_now;            // level obtained; context creation
    int draw_wind;            // window whose buffers are swapped (0 main)
    void* visual;             // XVisualInfo* chosen for the GLX context
    unsigned long xwin[2];    // X Window ids: 0 main, 1 second monitor
    void* glx_ctx[2];         // GLXContext matching xwin
    void* display;            // Display*, opened by the first window call
    int sec_mon_inuse;        // flag: second-monitor window in use
    int sec_mon_made;         // flag: second-monitor window exists
    int open_wind;            // id of the sub-window last opened
    int cur_wind;             // current sub-window; -1 until the first frame
    int modal;                // flag: a dialog sub-window is open
    float wind_x, wind_y;     // current sub-window origin, interface units
    float wind_dx, wind_dy;   // current sub-window size, interface units
    int cursor_type;          // cursor kind this frame, reset each frame
    int menu_open;            // open menu index (-1 none, 1519 popup)
    int x_res_now, y_res_now; // main window size, pixels
    int col_res_now;          // colour depth in use, bits per pixel
    int set_res;              // flag: change the screen mode on request
    int tex_res;              // texture resolution level 0..5
    int x_res_req, y_res_req, col_res_req; // requested size (px) and depth (bits)
    float pix_x_off;          // horizontal centring offset, interface units
    float pix_y_off;          // vertical excess over 768 pixels
    float half_dx, half_dy;   // half the window width (px); half the 768-unit design height
    float ortho_x1, ortho_y1, ortho_x2, ortho_y2; // 2D projection edges: left, bottom, right, top
    int fit_to_screen;        // flag: size the window to the screen less 40 x 60
    float view_x, view_y, view_dx, view_dy; // whole-window viewport, pixels
    float ui_scale;           // pixels per interface unit; 0 until set
    float mouse_x, mouse_y;   // mouse in interface units, y upwards
    int mouse_down;           // flag: a button went down this frame
    int mouse_click;          // flag: released < 0.25 s after the press
    int mouse_dbl;            // flag: pressed < 0.25 s after the previous press
    int mouse_up;             // flag: a button was released this frame
    int mouse_held;           // flag: a button is held
    int mouse_held_long;      // flag: held for more than 0.25 s
    int wheel;                // wheel steps not yet used
    int key_hit;              // flag: a non-modifier key was pressed
    int key_down;             // level: a non-modifier key is down (its press sets it, any key release clears it)
    int mouse_wind;           // sub-window under the pointer (open_wind; 0 over the second-monitor window)
    float mouse_time;         // elapsed time of the last press or move, s
    float press_time;         // elapsed time of the last press, s
    int lang;                 // language index 0 English .. 6 Korean
    int profile_on;           // flag: frame-stage profiler on
    int keys_to_text;         // flag: keys pass through as text
    int key_char;             // character of the last key press that had one; keyboard layer
    int time_rate_mode;       // time-rate selector of the frame clock
    int keylist_up;           // key list shown; start-up sets 1; display preferences
    int prefs_found;          // flag: display preferences were saved by this program
};

// ---- render record -------------------------------------------------------
// Zero at start but for draw_alpha; GL detection fills the limits.
struct ren_class {
    float max_aniso;          // maximum anisotropy
    int tex_units;            // fixed-function texture units
    int tex_image_units;      // texture image units
    int tex_coords;           // texture coordinate sets
    const char* gl_vendor;    // owned by the GL library
    const char* gl_renderer;
    const char* gl_version;
    const char* gl_extensions;
    int draw_green;           // flag: 2D primitives in shades of green
    float draw_alpha;         // alpha multiplier of every 2D primitive
    float lit_level_2;        // brightness for light type 2
    float lit_level_1;        // brightness for light type 1
};

// ---- interface text store ------------------------------------------------
struct stls_class {
    static constexpr int text_count = 1800;
    std::string title;                  // current sub-window title
    std::string text[text_count + 1];   // texts numbered 1..1800; [0] unused
    std::string help;                   // tool-tip text of this frame
};

// ---- the maker ------------------------------------------------------------
// The one web address the program shows or opens for its maker, and the one
// support address its messages ask the user to write to. Every text that names
// the maker's site or support takes it from here.
constexpr const char* maker_web_address = "www.skylume.example";
constexpr const char* maker_support_address = "support@skylume.example";
std::string maker_web_link(const char* path); // "http://" + maker_web_address + path ("/store/")

// ---- streams and strings -------------------------------------------------
extern std::string stl_global; // scratch for assembling alert texts
extern std::string app_path;   // program folder prefix; empty: paths used as given
extern std::string dvd_path;   // product disc mount folder with '/', or empty
extern std::ofstream ouf;      // the one output file (preferences and the like)
extern std::ofstream xer;      // the log, "Log.txt"

extern stls_class stls;
extern mnw_class mnw;
extern ren_class ren;

// ---- flags and codes (0 at start) ----------------------------------------
extern int app_done;          // the frame loop should end
extern int ogl_inited;        // OpenGL is ready
extern int ot_inited;         // networking has been started
extern int return_hit, escape_hit, delete_hit; // keys pressed this frame
extern int plot_init_lights;  // a sub-window has been opened
extern int active_popup_code; // popup list that is open
extern int select_popup_code; // popup list whose item was just chosen
extern int popup_menu_select; // item chosen in the popup menu

// ---- tables and buffers --------------------------------------------------
constexpr int scratch_dim = 2048;
extern float lookup_sin[361];        // sin of i degrees, i = 0..360
extern float lookup_cos[361];        // cos of i degrees
extern float randrat[10000];         // the same pseudo-random table every run
extern unsigned char* scratch_array; // 16-byte aligned 2048 x 2048 RGBA buffer
extern int scratch_dx, scratch_dy;   // size in pixels of the image in it
extern float wx, wy;                 // inner origin of the alert/about panel
extern float wx1, wy1, wx2, wy2, wx3, wy3, wx4, wy4, wx5, wy5;

// The interface text every unit compares the install name with.
static const char* const no_install_name = "Not Yet Scanned";

// Fills scratch_array, randrat, lookup_sin and lookup_cos the way start-up
// does; randrat comes out the same in every run.
void HL_fill_tables();

// Puts the records back to their start values; for tests.
void HL_reset_globals();
