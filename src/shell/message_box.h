// message_box.h - a modal question with two or three buttons (sub-window 996).
// Its texts come from the string store: 611 + message + " " + 612 is the
// paragraph, 608..610 the button labels. Never fatal, silent on the console
// and in the log; only a click answers it (not Return). Main thread only.
#pragma once

#include <string>

// Returns 1, 2 or 3 for the button pressed (3 only with third_button non-zero),
// or 3 when something else closed the window. After a button the main screen
// is current.
int MACIBM_nuke_alert(std::string message, int third_button);
