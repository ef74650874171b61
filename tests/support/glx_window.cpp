// glx_window.cpp - the test window's X11 and GLX side.
#include "support/glx_window.h"

#include "support/xvfb.h"

#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

glx_window::glx_window(int width, int height)
{
    const std::string name = xvfb_display(&reason);
    if (name.empty()) return;
    Display* dpy = XOpenDisplay(name.c_str());
    display = dpy;
    if (!dpy) {
        reason = "cannot open display " + name;
        return;
    }
    int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE, 8,
                        GLX_DEPTH_SIZE, 16, None};
    XVisualInfo* vi = glXChooseVisual(dpy, DefaultScreen(dpy), attributes);
    if (!vi) {
        reason = "no double-buffered RGB visual";
        return;
    }
    XSetWindowAttributes wa{};
    wa.colormap = XCreateColormap(dpy, RootWindow(dpy, vi->screen), vi->visual, AllocNone);
    wa.event_mask = StructureNotifyMask;
    window = XCreateWindow(dpy, RootWindow(dpy, vi->screen), 0, 0, unsigned(width), unsigned(height), 0, vi->depth,
                           InputOutput, vi->visual, CWColormap | CWEventMask, &wa);
    GLXContext ctx = glXCreateContext(dpy, vi, nullptr, True);
    XFree(vi);
    context = ctx;
    if (!ctx) {
        reason = "glXCreateContext failed";
        return;
    }
    XMapWindow(dpy, window);
    XEvent ev;
    do XNextEvent(dpy, &ev);
    while (ev.type != MapNotify);
    if (!glXMakeCurrent(dpy, window, ctx)) {
        reason = "glXMakeCurrent failed";
        return;
    }
    ready = true;
}

glx_window::~glx_window()
{
    Display* dpy = static_cast<Display*>(display);
    if (!dpy) return;
    if (context) {
        glXMakeCurrent(dpy, None, nullptr);
        glXDestroyContext(dpy, static_cast<GLXContext>(context));
    }
    if (window) XDestroyWindow(dpy, window);
    XCloseDisplay(dpy);
}
