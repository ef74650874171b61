// x_peer.cpp - XTest input from a second connection to the tests' Xvfb.
#include "support/x_peer.h"

#include "support/xvfb.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

std::string x_peer::open()
{
    std::string why;
    const std::string name = xvfb_display(&why);
    if (name.empty()) return "no X server for the window tests: " + why;
    close();
    peer = XOpenDisplay(name.c_str());
    if (!peer) return "cannot open " + name + " for a second client";
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(peer, &event, &error, &major, &minor)) return "Xvfb without XTest";
    return "";
}

void x_peer::close()
{
    if (peer) XCloseDisplay(peer);
    peer = nullptr;
}

void x_peer::move(int x, int y)
{
    XTestFakeMotionEvent(peer, DefaultScreen(peer), x, y, 0);
    XSync(peer, False);
}

void x_peer::click(unsigned button)
{
    XTestFakeButtonEvent(peer, button, True, 0);
    XTestFakeButtonEvent(peer, button, False, 0);
    XSync(peer, False);
}

void x_peer::key(unsigned long keysym, bool down)
{
    XTestFakeKeyEvent(peer, XKeysymToKeycode(peer, keysym), down ? True : False, 0);
    XSync(peer, False);
}

void x_peer::tap(unsigned long keysym)
{
    const KeyCode code = XKeysymToKeycode(peer, keysym);
    XTestFakeKeyEvent(peer, code, True, 0);
    XTestFakeKeyEvent(peer, code, False, 0);
    XSync(peer, False);
}
