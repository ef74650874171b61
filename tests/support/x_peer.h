// x_peer.h - a second client of the tests' X server that makes real input
// through XTest: pointer moves, button clicks, key presses. The server turns
// them into events for the window under the pointer (with no window manager
// the keys follow the pointer; a press lands where the last motion left it).
// Every call waits until the server has it. No Xlib names, so it may come
// before gtest; key symbols are X's (XK_Return from <X11/keysym.h>).
#pragma once

#include <string>

struct _XDisplay; // Xlib's Display

class x_peer {
public:
    x_peer() = default;
    ~x_peer() { close(); }
    x_peer(const x_peer&) = delete;
    x_peer& operator=(const x_peer&) = delete;

    // Connects to the tests' Xvfb (started if need be). "" when connected and
    // the server has XTest, else the reason.
    std::string open();
    void close();
    _XDisplay* display() const { return peer; }

    void move(int x, int y);               // the pointer to screen pixel (x, y), y from the top
    void click(unsigned button = 1);       // press and release where the pointer is
    void key(unsigned long keysym, bool down);
    void tap(unsigned long keysym);        // press and release

private:
    _XDisplay* peer = nullptr;
};
