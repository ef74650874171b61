// prefs_window.h - the preferences window: window 2 ("Prefs", 600 x 380). Every
// control writes into stg or the download client's proxy settings on the
// frame of the change; nothing is saved when it closes. Main thread only.
#pragma once

#include <string>

// Runs the window's own frame loop until it closes (close box or Return).
void handle_prefs();
// One frame of the window's controls (without the frame pump).
void INS_prefs_frame();
// The proxy port of a typed text: 1..65535, or 0 (no port) for anything else,
// the empty text included. The window sets it only while the text is not empty.
int INS_proxy_port_of(const std::string& text);
