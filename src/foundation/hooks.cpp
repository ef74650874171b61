// hooks.cpp - default handlers of the upward calls, and their switches.
#include "foundation/hooks.h"

#include "foundation/exce.h"
#include "foundation/hl_thread.h"
#include "foundation/cmdline.h"
#include "foundation/hl_types.h"
#include "foundation/utl_memory.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void log_alert(const alert_lines& lines, const std::string& location, bool leading_newline)
{
    if (leading_newline) xer << "\n";
    xer << lines.l1 << "\n" << lines.l2 << "\n" << lines.l3 << "\n" << lines.l4 << "\n" << location << "\n";
    xer.flush();
}

int in_alert; // an alert is being handled; another one now is a recursive error
alert_window_fn window_hook = nullptr;

void print_console_block(const alert_lines& lines)
{
    std::printf("Skysuite Error:\n");
    std::printf("%s\n\n%s\n\n%s\n\n%s\n\n", lines.l1.c_str(), lines.l2.c_str(), lines.l3.c_str(), lines.l4.c_str());
    std::printf("Sorry.\n");
    std::fflush(stdout);
}

bool all_empty(const alert_lines& lines)
{
    return lines.l1.empty() && lines.l2.empty() && lines.l3.empty() && lines.l4.empty();
}

// The alert on the main thread: the window once OpenGL is ready, the console
// before that or for a recursive alert; then the log, and for a fatal or
// recursive alert the ordered exit and the abort.
void main_thread_alert(int wind, const alert_lines& lines, int type, const char* file, int line)
{
    const std::string location = MACIBM_alert_location(file, line);
    if (cmdline.has_option("--fps_test")) { // unattended: log only, never wait
        log_alert(lines, location, false);
        if (type == t_exit) std::exit(1);
        return;
    }
    const int recursive = in_alert;
    in_alert = 1;
    if (!ogl_inited || recursive || !window_hook) {
        print_console_block(lines);
    } else if (!all_empty(lines) || type == t_language) {
        // A language question has no lines of its own; it must still be asked.
        window_hook(wind, lines, type, location);
    }
    if (recursive || type == t_alert || type == t_exit) {
        dump_mem_stats("This is the dump_mem_stats call from the following code: "
                       "if(type==t_exit || type == t_alert || recursive_error)");
        log_alert(lines, location, true);
    }
    if (recursive || type == t_exit) {
        MACIBM_finishup(0);
        app_done = 1;
        std::abort();
    }
    in_alert = 0;
}

void close_log(int save)
{
    if (save && THREAD_is_inited()) THREAD_shutdown();
    if (xer.is_open()) xer.close();
}

void no_unfocus() {}
void no_pulse(float) {}
int no_threaded_gl() { return 0; }
void* no_loader(void*&) { return nullptr; }
bool no_loader_current(void*, void*) { return false; }

alert_fn alert_hook = main_thread_alert;
finishup_fn finishup_hook = close_log;
unfocus_fn unfocus_hook = no_unfocus;
pulse_fn pulse_hook = no_pulse;
loader_hooks loader_hook{no_threaded_gl, no_loader, no_loader_current};

template <typename Fn>
Fn swap_hook(Fn& slot, Fn fn, Fn fallback)
{
    Fn old = slot;
    slot = fn ? fn : fallback;
    return old;
}

} // namespace

alert_fn MACIBM_set_alert_hook(alert_fn fn) { return swap_hook(alert_hook, fn, &main_thread_alert); }

alert_window_fn MACIBM_set_alert_window_hook(alert_window_fn fn)
{
    const alert_window_fn old = window_hook;
    window_hook = fn;
    return old;
}

std::string MACIBM_alert_location(const char* file, int line)
{
    return "(" + std::string(file ? file : "") + " line " + std::to_string(line) + ")";
}
finishup_fn MACIBM_set_finishup_hook(finishup_fn fn) { return swap_hook(finishup_hook, fn, &close_log); }
unfocus_fn BTN_set_unfocus_hook(unfocus_fn fn) { return swap_hook(unfocus_hook, fn, &no_unfocus); }
pulse_fn COLR_set_pulse_hook(pulse_fn fn) { return swap_hook(pulse_hook, fn, &no_pulse); }

loader_hooks MACIBM_set_loader_hooks(const loader_hooks& hooks)
{
    const loader_hooks old = loader_hook;
    swap_hook(loader_hook.threaded_avail, hooks.threaded_avail, &no_threaded_gl);
    swap_hook(loader_hook.make, hooks.make, &no_loader);
    swap_hook(loader_hook.set, hooks.set, &no_loader_current);
    return old;
}

void __MACIBM_alert(int wind, std::string l1, std::string l2, std::string l3, std::string l4,
                    int type, const char* file, int line)
{
    if (THREAD_is_inited() && !THREAD_is_main_thread()) {
        // Only the main thread shows alerts; a t_exit record ends this thread there.
        THREAD_send_exception(
            exce_class(std::move(l1), std::move(l2), std::move(l3), std::move(l4), file ? file : "?", line, type));
        return;
    }
    const alert_lines lines{std::move(l1), std::move(l2), std::move(l3), std::move(l4)};
    alert_hook(wind, lines, type, file, line);
    if (type == t_exit) std::abort(); // a fatal alert never comes back, whatever the handler did
}

void MACIBM_finishup(int save) { finishup_hook(save); }
void BTN_unfocus_any() { unfocus_hook(); }
void COLR_set_pulse(float v) { pulse_hook(v); }

int OGL_threaded_avail() { return loader_hook.threaded_avail(); }
void* MACIBM_make_context_loader(void*& handle) { return loader_hook.make(handle); }
bool MACIBM_set_context_loader(void* ctx, void* handle) { return loader_hook.set(ctx, handle); }
