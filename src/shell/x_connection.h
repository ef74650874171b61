// x_connection.h - the X connection's life beyond the frame loop: protocol
// errors, the loss of the server, and the window manager's close request.
// Main thread only.
#pragma once

// ---- errors and loss ----------------------------------------------------------------
// Installs Xlib's two error handlers; called once the display is open.
// A protocol error (a request about a window another client destroyed, say) is
// logged, a few lines a run, and the program goes on. The loss of the server
// ends the program through LIN_display_lost.
void LIN_install_x_error_handlers();

// Ends the program when its display or its window is gone: one console line
// naming what, then the ordered exit without saving, with no X or GL call (the
// ids of the display, windows and contexts are dropped first, so nothing is
// drawn or destroyed on a dead connection, and later alerts take the console),
// then _exit(1): no static destructor runs against the dead connection. The
// product folder's lock goes with the process.
[[noreturn]] void LIN_display_lost(const char* what);

// ---- the window manager's close ---------------------------------------------------------
// Only the request's arrival is X's; what the program then does is in close_request.h.
// Asks the window manager to send WM_DELETE_WINDOW for win instead of cutting
// the connection when the user closes it.
void LIN_accept_close_requests(unsigned long win);

// 1 when the client message is the window manager's close request for one of
// the program's windows (a message naming another window is not); it has then
// been handed to MACIBM_request_close.
int LIN_handle_client_message(const void* xclient_event);
