// btn_shell.cpp - the widget set's calls into the shell and their defaults.
#include "ui/btn_shell.h"

#include "foundation/hl_types.h"

namespace {

void no_popup(const btn_popup_layout&) {}
void plain_startwind(int id, int) { mnw.cur_wind = id; }
// Without a frame loop a dialog could never end; its next turn finds the main screen.
void leave_dialog() { mnw.cur_wind = 0; }
int always_cancel(int, const char*, const char*, int, const char*, char*, std::size_t) { return 0; }

const btn_shell_calls defaults{no_popup, plain_startwind, leave_dialog, always_cancel};
btn_shell_calls installed = defaults;

} // namespace

btn_shell_calls BTN_set_shell_calls(const btn_shell_calls& calls)
{
    const btn_shell_calls previous = installed;
    installed.show_popup = calls.show_popup ? calls.show_popup : defaults.show_popup;
    installed.startwind = calls.startwind ? calls.startwind : defaults.startwind;
    installed.event_proc = calls.event_proc ? calls.event_proc : defaults.event_proc;
    installed.get_folder = calls.get_folder ? calls.get_folder : defaults.get_folder;
    return previous;
}

const btn_shell_calls& BTN_shell() { return installed; }
