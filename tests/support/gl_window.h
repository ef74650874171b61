// gl_window.h - a bare window with a current GL context on the tests' Xvfb,
// for the tests of layers below the shell (drawing, widgets) that need real
// GL without the shell's start-up. Header-only, like xvfb.h. Include it after
// gtest: Xlib's macros (None, Bool) clash with gtest's names.
#pragma once

#include "support/xvfb.h"

#include <GL/gl.h>
#include <GL/glx.h>
#include <X11/Xlib.h>

#include <string>

class test_gl_window {
public:
    // A width x height double-buffered RGBA window, mapped, its context
    // current. ok() is false, with the reason in why(), when any step failed.
    explicit test_gl_window(int width = 1024, int height = 768)
    {
        const std::string name = xvfb_display(&reason);
        if (name.empty()) return;
        display = XOpenDisplay(name.c_str());
        if (!display) {
            reason = "cannot open " + name;
            return;
        }
        int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 1, GLX_GREEN_SIZE, 1, GLX_BLUE_SIZE, 1,
                            GLX_DEPTH_SIZE, 2, None};
        visual = glXChooseVisual(display, DefaultScreen(display), attributes);
        if (!visual) {
            reason = "no GLX visual";
            return;
        }
        context = glXCreateContext(display, visual, nullptr, True);
        if (!context) {
            reason = "no GLX context";
            return;
        }
        const Window root = RootWindow(display, visual->screen);
        XSetWindowAttributes attrs{};
        attrs.colormap = XCreateColormap(display, root, visual->visual, AllocNone);
        attrs.event_mask = StructureNotifyMask;
        window = XCreateWindow(display, root, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
                               visual->depth, InputOutput, visual->visual, CWColormap | CWEventMask, &attrs);
        XMapWindow(display, window);
        XEvent ev;
        do XNextEvent(display, &ev);
        while (ev.type != MapNotify);
        if (!glXMakeCurrent(display, window, context)) {
            reason = "glXMakeCurrent failed";
            return;
        }
        good = true;
    }
    ~test_gl_window()
    {
        if (!display) return;
        glXMakeCurrent(display, None, nullptr);
        if (context) glXDestroyContext(display, context);
        if (window) XDestroyWindow(display, window);
        if (visual) XFree(visual);
        XCloseDisplay(display);
    }
    test_gl_window(const test_gl_window&) = delete;
    test_gl_window& operator=(const test_gl_window&) = delete;

    bool ok() const { return good; }
    const std::string& why() const { return reason; }
    void swap() { glXSwapBuffers(display, window); }

private:
    Display* display = nullptr;
    XVisualInfo* visual = nullptr;
    GLXContext context = nullptr;
    Window window = 0;
    bool good = false;
    std::string reason;
};
