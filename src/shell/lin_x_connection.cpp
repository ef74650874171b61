// lin_x_connection.cpp - Xlib's error handlers, the lost display and the close request.
//   errors   the protocol error handler: logged, never fatal
//   loss     the I/O error handler and the ordered end without X or GL
//   close    WM_DELETE_WINDOW for one of the program's windows
#include "shell/x_connection.h"

#include "foundation/hl_types.h"
#include "foundation/hooks.h"
#include "foundation/log_budget.h"
#include "shell/close_request.h"

#include <X11/Xlib.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>

namespace {

Display* dpy() { return static_cast<Display*>(mnw.display); }

// ---- errors ------------------------------------------------------------------------------

constexpr int protocol_errors_logged = 5;

int on_protocol_error(Display* display, XErrorEvent* error)
{
    const log_budget_answer budget = UTL_log_budget("X protocol error", protocol_errors_logged);
    if (budget == log_none) return 0;
    if (budget == log_last) {
        xer << "X protocol error: further errors are not logged\n";
        return 0;
    }
    char text[256] = "";
    XGetErrorText(display, error->error_code, text, sizeof text);
    xer << "X protocol error: " << text << " (request " << static_cast<int>(error->request_code) << "."
        << static_cast<int>(error->minor_code) << ", resource " << error->resourceid << "); going on\n";
    return 0;
}

// ---- loss ---------------------------------------------------------------------------------

int on_io_error(Display*)
{
    LIN_display_lost("the connection to the X display was lost");
}

// ---- close -------------------------------------------------------------------------------

Atom atom_named(const char* name) { return XInternAtom(dpy(), name, False); }

} // namespace

void LIN_install_x_error_handlers()
{
    XSetErrorHandler(on_protocol_error);
    XSetIOErrorHandler(on_io_error);
}

void LIN_display_lost(const char* what)
{
    static std::atomic<int> ending{0};
    if (ending.exchange(1)) _exit(1); // the exit itself met the dead connection
    char line[256];
    const int n = std::snprintf(line, sizeof line, "Skysuite: %s; the installer ends.\n", what);
    if (n > 0) (void)!write(STDERR_FILENO, line, static_cast<size_t>(n) < sizeof line ? n : sizeof line - 1);
    if (xer.is_open()) xer << "Skysuite: " << what << "; the installer ends.\n";
    // Nothing may touch the connection any more: the exit's X and GL steps are
    // skipped, and an alert from here on takes the console.
    mnw.display = nullptr;
    for (int i = 0; i < 2; ++i) mnw.xwin[i] = 0, mnw.glx_ctx[i] = nullptr;
    ogl_inited = 0;
    MACIBM_finishup(0);
    _exit(1);
}

void LIN_accept_close_requests(unsigned long win)
{
    Atom del = atom_named("WM_DELETE_WINDOW");
    XSetWMProtocols(dpy(), win, &del, 1);
}

int LIN_handle_client_message(const void* xclient_event)
{
    const XClientMessageEvent& ev = *static_cast<const XClientMessageEvent*>(xclient_event);
    if (!dpy() || ev.format != 32 || ev.message_type != atom_named("WM_PROTOCOLS")) return 0;
    if (static_cast<Atom>(ev.data.l[0]) != atom_named("WM_DELETE_WINDOW")) return 0;
    if (ev.window != mnw.xwin[0] && ev.window != mnw.xwin[1]) return 0;
    MACIBM_request_close();
    return 1;
}
