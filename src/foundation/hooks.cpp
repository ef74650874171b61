// hooks.cpp - default handlers of the upward calls, and their switches.
#include "hooks.h"

#include "hl_types.h"

#include <cstdio>
#include <cstdlib>

namespace {

void console_alert(int, const alert_lines& lines, int type, const char* file, int line)
{
    std::fprintf(stderr, "%s\n%s\n%s\n%s\n", lines.l1.c_str(), lines.l2.c_str(),
                 lines.l3.c_str(), lines.l4.c_str());
    if (xer.is_open())
        xer << lines.l1 << "\n" << lines.l2 << "\n" << lines.l3 << "\n" << lines.l4 << "\n";
    if (type == t_exit) {
        std::fprintf(stderr, "(%s line %d)\n", file ? file : "?", line);
        if (xer.is_open()) xer << "(" << (file ? file : "?") << " line " << line << ")\n";
        MACIBM_finishup(0);
        app_done = 1;
        std::abort();
    }
}

void close_log(int)
{
    if (xer.is_open()) xer.close();
}

void no_unfocus() {}
void no_pulse(float) {}

alert_fn alert_hook = console_alert;
finishup_fn finishup_hook = close_log;
unfocus_fn unfocus_hook = no_unfocus;
pulse_fn pulse_hook = no_pulse;

template <typename Fn>
Fn swap_hook(Fn& slot, Fn fn, Fn fallback)
{
    Fn old = slot;
    slot = fn ? fn : fallback;
    return old;
}

} // namespace

alert_fn MACIBM_set_alert_hook(alert_fn fn) { return swap_hook(alert_hook, fn, &console_alert); }
finishup_fn MACIBM_set_finishup_hook(finishup_fn fn) { return swap_hook(finishup_hook, fn, &close_log); }
unfocus_fn BTN_set_unfocus_hook(unfocus_fn fn) { return swap_hook(unfocus_hook, fn, &no_unfocus); }
pulse_fn COLR_set_pulse_hook(pulse_fn fn) { return swap_hook(pulse_hook, fn, &no_pulse); }

void __MACIBM_alert(int wind, std::string l1, std::string l2, std::string l3, std::string l4,
                    int type, const char* file, int line)
{
    const alert_lines lines{std::move(l1), std::move(l2), std::move(l3), std::move(l4)};
    alert_hook(wind, lines, type, file, line);
    if (type == t_exit) std::abort(); // a fatal alert never comes back, whatever the handler did
}

void MACIBM_finishup(int save) { finishup_hook(save); }
void BTN_unfocus_any() { unfocus_hook(); }
void COLR_set_pulse(float v) { pulse_hook(v); }
