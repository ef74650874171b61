// e2e_driver.cpp - the installer program driven as a user drives it.
#include "support/e2e_driver.h"

#include "support/image_builder.h"
#include "support/testkit.h"
#include "support/xvfb.h"

#include <gtest/gtest.h>

// After gtest: Xlib's macros (None, Bool) would clash with its names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <dirent.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

namespace {

constexpr int screen_w = 1024, screen_h = 768;

std::string shot_folder()
{
    const ::testing::TestInfo* t = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = t ? std::string(t->test_suite_name()) + "." + t->name() : "outside_a_test";
    return std::string(SKY_SHOT_DIR) + "/e2e/" + name + "/";
}

} // namespace

unsigned e2e_screen::at(int x, int y) const
{
    if (px.empty() || x < 0 || x >= screen_w || y < 1 || y > screen_h) return 0xFFFFFFFF;
    return px[static_cast<size_t>(screen_h - y) * screen_w + static_cast<size_t>(x)];
}

std::string e2e_installer_exe() { return SKY_INSTALLER_EXE; }

e2e_session::~e2e_session()
{
    if (child > 0 && !ended) kill_now();
    if (display) XCloseDisplay(display);
}

bool e2e_session::open(std::string* why)
{
    const std::string name = xvfb_display(why);
    if (name.empty()) return false;
    std::filesystem::remove_all(shot_folder()); // a test's screens start afresh
    if (!open_on(name, why)) return false;
    program_display.clear(); // the program inherits DISPLAY from the tests
    return true;
}

bool e2e_session::open_on(const std::string& name, std::string* why)
{
    program_display = name;
    display = XOpenDisplay(name.c_str());
    if (!display) {
        *why = "cannot open " + name;
        return false;
    }
    int ev, err, major, minor;
    if (!XTestQueryExtension(display, &ev, &err, &major, &minor)) {
        *why = "no XTest on " + name;
        return false;
    }
    std::filesystem::create_directories(shot_folder());
    return true;
}

void e2e_session::drop_display()
{
    static std::vector<Display*> dropped; // kept reachable: never closed, never reported as leaked
    if (display) dropped.push_back(display);
    display = nullptr;
}

void e2e_session::start(const std::string& cwd, const std::string& home, const std::vector<std::string>& argv,
                        bool with_display)
{
    ended = false;
    status = -1;
    child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (chdir(cwd.c_str()) != 0) _exit(120);
        setenv("HOME", home.c_str(), 1);
        if (!program_display.empty()) setenv("DISPLAY", program_display.c_str(), 1);
        if (!with_display) unsetenv("DISPLAY");
        if (!freopen((home + "/stdout.txt").c_str(), "w", stdout)) _exit(121);
        if (!freopen((home + "/stderr.txt").c_str(), "w", stderr)) _exit(122);
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
}

bool e2e_session::running()
{
    if (ended) return false;
    if (waitpid(child, &status, WNOHANG) == child) ended = true;
    return !ended;
}

namespace {

std::string how_it_ended(int status)
{
    if (WIFEXITED(status)) return "the program ended with status " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return "the program was ended by signal " + std::to_string(WTERMSIG(status));
    return "the program ended";
}

} // namespace

::testing::AssertionResult e2e_session::wait_for(int seconds, const std::function<bool()>& cond,
                                                 const std::string& what, at_end end)
{
    const std::string name = "waiting for " + (what.empty() ? std::string("a condition") : what) + ": ";
    for (int i = 0; i < seconds * 50; ++i) {
        if (cond()) return ::testing::AssertionSuccess() << name << "met";
        if (!running()) {
            // The end may have come between the look and the check: one last look.
            if (end == at_end::succeeds || cond()) return ::testing::AssertionSuccess() << name << "met by the end";
            return ::testing::AssertionFailure() << name << how_it_ended(status) << " first";
        }
        usleep(20000);
    }
    return ::testing::AssertionFailure() << name << "timed out after " << seconds << " s";
}

::testing::AssertionResult e2e_session::wait_end(int seconds)
{
    for (int i = 0; i < seconds * 50; ++i) {
        if (!running()) return ::testing::AssertionSuccess() << how_it_ended(status);
        usleep(20000);
    }
    kill_now();
    return ::testing::AssertionFailure() << "the program was still running after " << seconds << " s (killed)";
}

void e2e_session::kill_now()
{
    if (ended) return;
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    ended = true;
}

int e2e_session::exit_status() const { return ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

void e2e_session::hover(screen_point p)
{
    XTestFakeMotionEvent(display, DefaultScreen(display), p.x, screen_h - p.y, CurrentTime);
    XFlush(display);
    usleep(100000); // the hover frame first, as a hand would
}

void e2e_session::press(screen_point p)
{
    hover(p);
    click();
}

void e2e_session::click()
{
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XFlush(display);
}

namespace {

void tap(Display* display, KeySym sym)
{
    const KeyCode code = XKeysymToKeycode(display, sym);
    XTestFakeKeyEvent(display, code, True, CurrentTime);
    XTestFakeKeyEvent(display, code, False, CurrentTime);
}

} // namespace

void e2e_session::key_return()
{
    tap(display, XK_Return);
    XFlush(display);
}

void e2e_session::type(const std::string& text)
{
    for (char c : text) tap(display, static_cast<KeySym>(c)); // Latin-1 keysyms are the characters' own codes
    XFlush(display);
}

e2e_screen e2e_session::grab()
{
    e2e_screen s;
    XImage* img = XGetImage(display, DefaultRootWindow(display), 0, 0, screen_w, screen_h, AllPlanes, ZPixmap);
    if (!img) return s;
    s.px.resize(static_cast<size_t>(screen_w) * screen_h);
    for (int y = 0; y < screen_h; ++y)
        for (int x = 0; x < screen_w; ++x)
            s.px[static_cast<size_t>(y) * screen_w + x] = XGetPixel(img, x, y) & 0xFFFFFF;
    XDestroyImage(img);
    return s;
}

void e2e_session::shoot(const std::string& name)
{
    const e2e_screen s = grab();
    if (s.px.empty()) return;
    const png_spec picture = rgba_png_spec(screen_w, screen_h, [&](int x, int y) {
        return (s.px[static_cast<size_t>(y) * screen_w + x] << 8) | 0xFF;
    });
    char number[16];
    std::snprintf(number, sizeof number, "%02d_", ++shot_number);
    write_file(shot_folder() + number + name + ".png", make_png(picture));
}

bool e2e_session::sub_window_open()
{
    const e2e_screen s = grab();
    return s.at(10, 758) == sub_window_backdrop && s.at(1013, 758) == sub_window_backdrop &&
           s.at(10, 10) == sub_window_backdrop;
}

bool e2e_session::alert_open()
{
    // The licence window is white where the alert has its title band; the
    // question window's panel is light grey, never white.
    const e2e_screen s = grab();
    return s.at(10, 758) == sub_window_backdrop && s.at(400, 318) == 0xFFFFFF && s.at(511, 498) != 0xFFFFFF;
}

bool e2e_session::question_open()
{
    // The question window is wider than the licence window: its panel covers this point.
    const e2e_screen s = grab();
    return s.at(10, 758) == sub_window_backdrop && s.at(200, 380) != sub_window_backdrop;
}

namespace {

unsigned grey_of(unsigned rgb) { return ((rgb >> 16) + ((rgb >> 8) & 0xFF) + (rgb & 0xFF)) / 3; }

// Pixels of the rectangle whose green stands 40 above their red: a label tinted green.
int green_tinted(const e2e_screen& s, int x0, int y0, int x1, int y1)
{
    int green = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const unsigned p = s.at(x, y);
            green += int((p >> 8) & 0xFF) > int(p >> 16) + 40;
        }
    return green;
}

// The light title band is drawn, and INSTALL is offered: its label is tinted
// green (red while the disc is not read yet).
bool offers_install(const e2e_screen& s) { return grey_of(s.at(10, 758)) > 180 && green_tinted(s, 460, 82, 524, 97) > 20; }

// DESTINATION's green label, and the path field: near white, brighter than
// the band beneath it, where the path's text does not reach.
bool destination_drawn(const e2e_screen& s)
{
    int field = 0;
    for (int y = 84; y < 95; ++y)
        for (int x = 400; x < 432; ++x) field += grey_of(s.at(x, y)) >= 243;
    return green_tinted(s, 20, 82, 126, 97) > 20 && field > 11 * 32 / 2;
}

} // namespace

bool e2e_session::install_offered() { return offers_install(grab()); }

bool e2e_session::main_screen_ready()
{
    const e2e_screen s = grab();
    return offers_install(s) && destination_drawn(s);
}

bool e2e_session::exit_offered()
{
    const e2e_screen s = grab();
    return grey_of(s.at(10, 758)) > 180 && grey_of(s.at(963, 82)) < 90;
}

std::vector<std::string> e2e_session::temp_folders()
{
    std::vector<std::string> found;
    const std::string prefix = "skylume-" + std::to_string(child) + "-";
    if (DIR* dir = opendir("/tmp")) {
        while (dirent* e = readdir(dir))
            if (std::string(e->d_name).rfind(prefix, 0) == 0) found.push_back(e->d_name);
        closedir(dir);
    }
    return found;
}
