// xvfb.h - a real X server for window tests: Xvfb, started by the test
// program itself on a free display number (-displayfd), 1024 x 768 x 24, with
// Mesa's software GL and no window manager, stopped when the program ends.
// Header-only, so that the test program of any layer can use it.
#pragma once

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <string>
#include <sys/prctl.h>
#include <sys/select.h>
#include <sys/wait.h>
#include <unistd.h>

// Starts the server on the first call and points DISPLAY at it (and Mesa at
// its software renderer); later calls return the same display. Returns the
// display name (":3"), or "" with the reason in *why when no server could be
// started: a window test then fails, it never skips. The server lives no
// longer than the thread that started it (call it from the main thread): a
// test program that crashes, or is killed, takes its server with it.
inline std::string xvfb_display(std::string* why = nullptr);

namespace xvfb_detail {

inline pid_t server_pid = 0;
inline pid_t owner_pid = 0; // the process that started it: forked children must not stop it
inline std::string display_name;

inline void stop_server()
{
    if (server_pid <= 0 || getpid() != owner_pid) return;
    kill(server_pid, SIGTERM);
    int status = 0;
    waitpid(server_pid, &status, 0);
    server_pid = 0;
}

// Reads the display number Xvfb writes once it accepts connections.
inline std::string read_display_number(int fd, std::string* why)
{
    std::string number;
    for (;;) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(fd, &set);
        timeval wait{30, 0}; // a server that never answers is a failed start, not a hang
        const int r = select(fd + 1, &set, nullptr, nullptr, &wait);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) {
            *why = "Xvfb did not report a display within 30 s";
            return "";
        }
        char c;
        const ssize_t n = read(fd, &c, 1);
        if (n <= 0) {
            *why = "Xvfb ended before reporting a display (is the xvfb package installed?)";
            return "";
        }
        if (c == '\n') return number;
        number += c;
    }
}

// Starts one Xvfb that dies with the thread that started it, even after a
// crash or SIGKILL (the kernel ends it). Its display name (":3") with *pid set,
// or "" with the reason in *why and nothing left running.
inline std::string spawn(pid_t* pid, std::string* why)
{
    int fds[2];
    if (pipe(fds) != 0) {
        *why = std::string("pipe: ") + std::strerror(errno);
        return "";
    }
    const pid_t parent = getpid();
    *pid = fork();
    if (*pid < 0) {
        *why = std::string("fork: ") + std::strerror(errno);
        return "";
    }
    if (*pid == 0) {
        if (prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || getppid() != parent) _exit(126);
        close(fds[0]);
        const int quiet = open("/dev/null", O_WRONLY);
        if (quiet >= 0) {
            dup2(quiet, 1);
            dup2(quiet, 2);
        }
        const std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
               "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    const std::string number = read_display_number(fds[0], why);
    close(fds[0]);
    if (number.empty()) {
        kill(*pid, SIGTERM);
        waitpid(*pid, nullptr, 0);
        *pid = -1;
        return "";
    }
    return ":" + number;
}

// The tests' shared server: stopped at the program's normal end as well.
inline std::string start(std::string* why)
{
    pid_t pid = -1;
    const std::string name = spawn(&pid, why);
    if (name.empty()) return "";
    server_pid = pid;
    owner_pid = getpid();
    std::atexit(stop_server);
    return name;
}

// Mesa loads its software driver with dlopen and unloads it when the display
// closes; the few bytes the driver keeps for good then show in the sanitizer
// build's leak report under no name at all. Pinned, the driver stays mapped,
// so the report can name it and the leak suppressions can match it.
inline void pin_gl_driver()
{
    for (const char* driver : {"/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so", "/usr/lib/x86_64-linux-gnu/dri/kms_swrast_dri.so"})
        dlopen(driver, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
}

} // namespace xvfb_detail

inline std::string xvfb_display(std::string* why)
{
    using namespace xvfb_detail;
    std::string reason;
    if (display_name.empty()) {
        display_name = start(&reason);
        if (!display_name.empty()) {
            setenv("DISPLAY", display_name.c_str(), 1);
            setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
            pin_gl_driver();
        }
    }
    if (why) *why = reason;
    return display_name;
}
