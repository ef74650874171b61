// glx_window.h - a GL context for graphics tests and benchmarks that must not
// reach into the window shell: a plain X window on the tests' own Xvfb with a
// double-buffered RGB visual, mapped, its context current on the calling thread.
#pragma once

#include <string>

class glx_window {
public:
    glx_window(int width, int height); // starts Xvfb when needed
    ~glx_window();                     // releases the context, then the window and the connection
    glx_window(const glx_window&) = delete;
    glx_window& operator=(const glx_window&) = delete;

    bool ok() const { return ready; }
    const std::string& why() const { return reason; } // what failed when not ok()

private:
    void* display = nullptr;  // Display*
    unsigned long window = 0; // Window
    void* context = nullptr;  // GLXContext
    bool ready = false;
    std::string reason;
};
