// hooks.h - the calls this layer makes upward, into subsystems built on it.
//
// The alert window, the ordered exit, the keyboard focus, the colour table and
// the GL loader contexts for threads live in higher layers. The upper layer
// installs its handler at start-up, tests install recorders. The default alert
// is the one shown before a window exists (console, memory report, log); a
// fatal alert ends the process.
#pragma once

#include <string>

// Alert types.
constexpr int t_language = 0; // asks for the language; never raised here
constexpr int t_alert = 1;    // a notice; the program goes on
constexpr int t_exit = 2;     // fatal; the alert never returns to its caller

struct alert_lines {
    std::string l1, l2, l3, l4;
};

using alert_fn = void (*)(int wind, const alert_lines& lines, int type, const char* file, int line);
// The alert window of the shell: shows the alert on the main thread once
// OpenGL is ready and runs its modal loop until the user dismisses it; for a
// t_exit alert it returns after the button and the caller ends the program.
// location is the text "(file line n)".
using alert_window_fn = void (*)(int wind, const alert_lines& lines, int type, const std::string& location);
using finishup_fn = void (*)(int save);
using unfocus_fn = void (*)();
using pulse_fn = void (*)(float v); // gets the pulse value 0.4..1.0 each frame

// GL loader contexts for threads: whether threads may have one (the capability
// record's threaded_avail), making one on the creating thread (a GLXContext,
// null on failure; the handle is handed through), and making it current on the
// new thread. The default: no loader contexts, as after start-up in this product.
struct loader_hooks {
    int (*threaded_avail)();
    void* (*make)(void*& handle);
    bool (*set)(void* ctx, void* handle);
};

// Installs a handler and returns the one it replaces; nullptr restores the default.
alert_fn MACIBM_set_alert_hook(alert_fn fn);
finishup_fn MACIBM_set_finishup_hook(finishup_fn fn);
alert_window_fn MACIBM_set_alert_window_hook(alert_window_fn fn); // nullptr: no window, the console block
unfocus_fn BTN_set_unfocus_hook(unfocus_fn fn);
pulse_fn COLR_set_pulse_hook(pulse_fn fn);
loader_hooks MACIBM_set_loader_hooks(const loader_hooks& hooks); // null members: defaults

// The one alert entry of the system. On a thread other than the main thread,
// while the thread layer is up, the alert travels to the main thread as an
// error record: t_alert returns at once, t_exit ends the calling thread,
// t_language is dropped. Otherwise the installed handler shows it. A t_exit
// alert never returns. The default handler: with "--fps_test" it only logs
// (t_exit then ends with status 1). Else, once OpenGL is ready and an alert
// window is installed, the window shows it (four empty lines show nothing,
// but a language question always shows); before that, or for an alert raised
// while another is handled, it prints the console block. A t_alert or t_exit
// then gets the memory report and the log lines with their location (a
// language question is never logged); a t_exit, or an alert raised while
// another is handled, runs the ordered exit without saving and aborts. A
// test's handler throws for t_exit.
void __MACIBM_alert(int wind, std::string l1, std::string l2, std::string l3, std::string l4,
                    int type, const char* file, int line);
#define MACIBM_alert(wind, l1, l2, l3, l4, type) \
    __MACIBM_alert((wind), (l1), (l2), (l3), (l4), (type), __FILE__, __LINE__)

// The location text of an alert: "(" file " line " n ")"; a null file is "".
std::string MACIBM_alert_location(const char* file, int line);

// The ordered exit (save non-zero: also write preferences and stop workers;
// the default handler stops the workers and closes the log). Returns to the
// caller, which ends the process itself.
void MACIBM_finishup(int save);

// Clears the keyboard focus; the frame clock calls it on each mouse press.
void BTN_unfocus_any();

// Hands the frame's pulse value to the colour table.
void COLR_set_pulse(float v);

// The loader-context calls of the thread layer, through the installed hooks.
int OGL_threaded_avail();                             // 0 by default
void* MACIBM_make_context_loader(void*& handle);      // null by default
bool MACIBM_set_context_loader(void* ctx, void* handle); // false by default
