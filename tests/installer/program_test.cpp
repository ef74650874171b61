// program_test.cpp - the installer as a real process on a real X server
// (Xvfb, Mesa's software GL, no window manager): it starts, draws its first
// frame, writes its log, and a press on EXIT ends it with status 0; without a
// display it says so and ends with status 1. The first frame is saved as
// <build>/screenshots/installer_first_frame.png.
#include "support/disc_fixture.h"
#include "support/image_builder.h"
#include "support/testkit.h"
#include "support/xvfb.h"

#include <gtest/gtest.h>

// After gtest: Xlib's macros (None, Bool) would clash with its names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <dirent.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int screen_w = 1024, screen_h = 768;
constexpr unsigned background = 0x334356; // colour 34 from the atlas: 51, 67, 86

// The program, started in `home` (also its HOME) with stdout and stderr in files there.
struct installer_process {
    pid_t pid = -1;
    int status = -1; // wait status once it has ended

    void start(const std::string& home, bool with_display, const std::vector<std::string>& args = {})
    {
        pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            if (chdir(home.c_str()) != 0) _exit(120);
            setenv("HOME", home.c_str(), 1);
            if (!with_display) unsetenv("DISPLAY");
            if (!freopen((home + "/stdout.txt").c_str(), "w", stdout)) _exit(121);
            if (!freopen((home + "/stderr.txt").c_str(), "w", stderr)) _exit(122);
            std::vector<char*> argv{const_cast<char*>(SKY_INSTALLER_EXE)};
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(SKY_INSTALLER_EXE, argv.data());
            _exit(127);
        }
    }
    // Polls until the process ends; a process still running after the
    // time-out is killed and counts as hung.
    bool wait_end(int seconds)
    {
        for (int i = 0; i < seconds * 50; ++i) {
            if (waitpid(pid, &status, WNOHANG) == pid) return true;
            usleep(20000);
        }
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return false;
    }
    bool running() { return waitpid(pid, &status, WNOHANG) == 0; }
};

// Polls cond every 20 ms while the process runs, up to `seconds`.
bool wait_for(installer_process& p, int seconds, const std::function<bool()>& cond)
{
    for (int i = 0; i < seconds * 50; ++i) {
        if (cond()) return true;
        if (!p.running()) return false;
        usleep(20000);
    }
    return false;
}

struct screen_shot {
    std::vector<unsigned> px; // 0xRRGGBB, top row first
    unsigned at(int x, int y) const { return px[static_cast<size_t>(y) * screen_w + x]; }
};

screen_shot grab(Display* d)
{
    screen_shot s;
    XImage* img = XGetImage(d, DefaultRootWindow(d), 0, 0, screen_w, screen_h, AllPlanes, ZPixmap);
    if (!img) return s;
    s.px.resize(static_cast<size_t>(screen_w) * screen_h);
    for (int y = 0; y < screen_h; ++y)
        for (int x = 0; x < screen_w; ++x) s.px[static_cast<size_t>(y) * screen_w + x] = XGetPixel(img, x, y) & 0xFFFFFF;
    XDestroyImage(img);
    return s;
}

void save_png(const screen_shot& s, const std::string& path)
{
    const png_spec picture = rgba_png_spec(screen_w, screen_h, [&](int x, int y) { return (s.at(x, y) << 8) | 0xFF; });
    write_file(path, make_png(picture));
}

// A pixel of the background picture's sky: clearly blue.
bool is_sky(unsigned rgb)
{
    const int r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    return b > r + 60 && b > g + 20;
}

// The first frame of the main screen: the background picture's sky where the
// status screen shows the plain background colour, and the EXIT piece at (960, 78).
bool main_screen_shown(const screen_shot& s)
{
    if (s.px.empty() || !is_sky(s.at(600, screen_h - 400))) return false;
    int lettering = 0;
    for (int y = screen_h - 100; y < screen_h - 78; ++y)
        for (int x = 960; x < 1011; ++x) lettering += s.at(x, y) != background;
    return lettering > 20;
}

// The alert window: its white panel in the middle of the plain background.
bool alert_shown(const screen_shot& s)
{
    return !s.px.empty() && s.at(10, 10) == background && s.at(400, 450) == 0xFFFFFF;
}

std::vector<std::string> temp_folders_of(pid_t pid)
{
    std::vector<std::string> found;
    const std::string prefix = "skylume-" + std::to_string(pid) + "-";
    if (DIR* dir = opendir("/tmp")) {
        while (dirent* e = readdir(dir))
            if (std::string(e->d_name).rfind(prefix, 0) == 0) found.push_back(e->d_name);
        closedir(dir);
    }
    return found;
}

TEST(InstallerProgram, FirstFrameThenExitEndsWithStatusZero)
{
    std::string why;
    const std::string display = xvfb_display(&why);
    ASSERT_FALSE(display.empty()) << why;
    Display* d = XOpenDisplay(display.c_str());
    ASSERT_NE(d, nullptr);
    int ev, err, major, minor;
    ASSERT_TRUE(XTestQueryExtension(d, &ev, &err, &major, &minor));

    temp_dir home;
    installer_process p;
    p.start(home.path(), true);
    screen_shot first;
    ASSERT_TRUE(wait_for(p, 60, [&] { return main_screen_shown(first = grab(d)); }))
        << "no first frame; stderr: " << read_file(home / "stderr.txt");
    std::string shots = SKY_SHOT_DIR;
    save_png(first, shots + "/installer_first_frame.png");
    EXPECT_TRUE(is_sky(first.at(300, 300)));
    EXPECT_FALSE(temp_folders_of(p.pid).empty()); // the run's private temporary folder

    // EXIT: at (960, 78), 51 x 22 interface units, y upwards.
    XTestFakeMotionEvent(d, DefaultScreen(d), 985, screen_h - 89, CurrentTime);
    XTestFakeButtonEvent(d, 1, True, CurrentTime);
    XTestFakeButtonEvent(d, 1, False, CurrentTime);
    XFlush(d);
    ASSERT_TRUE(p.wait_end(60)) << "the installer did not end after EXIT";
    ASSERT_TRUE(WIFEXITED(p.status)) << "ended by signal " << WTERMSIG(p.status);
    EXPECT_EQ(WEXITSTATUS(p.status), 0);
    EXPECT_TRUE(temp_folders_of(p.pid).empty()); // removed by the quit

    const std::string log = read_file(home / "Log.txt");
    EXPECT_EQ(log.rfind("log.txt for Skylume 9.00 Beta-19 Installer 90019", 0), 0u);
    EXPECT_NE(log.find("Skysuite folder:'', case sensitive=1\n"), std::string::npos);
    EXPECT_NE(log.find("os_dir_prefs\t\t\t=" + home.path() + "/.skylume/\n\n"), std::string::npos);
    EXPECT_NE(log.find("dest_dir_path=/Skylume/\n"), std::string::npos);
    EXPECT_NE(log.find("After searching, I think that dvd_path="), std::string::npos);
    EXPECT_NE(log.find("CPU count        : "), std::string::npos);
    XCloseDisplay(d);
}

TEST(InstallerProgram, WithoutADisplayItSaysSoAndEndsWithStatusOne)
{
    temp_dir home;
    installer_process p;
    p.start(home.path(), false);
    ASSERT_TRUE(p.wait_end(60));
    ASSERT_TRUE(WIFEXITED(p.status)) << "ended by signal " << WTERMSIG(p.status);
    EXPECT_EQ(WEXITSTATUS(p.status), 1);
    const std::string err = read_file(home / "stderr.txt");
    EXPECT_NE(err.find("cannot open an X display: DISPLAY is not set"), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err; // one clear line
}

} // namespace

// A whole installation by the program: the disc in its working folder (found
// through the relative version file), INSTALL, AGREE in the licence window,
// the files in the product folder, OK in the completion alert, then EXIT.
TEST(InstallerProgram, InstallsFromTheDiscThroughTheLicence)
{
    std::string why;
    const std::string display = xvfb_display(&why);
    ASSERT_FALSE(display.empty()) << why;
    Display* d = XOpenDisplay(display.c_str());
    ASSERT_NE(d, nullptr);

    temp_dir home;
    disc_file a, b;
    a.rel = "Resources/a.txt";
    a.data = "alpha";
    b.rel = "Aircraft/b.acf";
    b.data = "bravo";
    make_disc(home.path() + "/", "Set", {a, b});
    const std::string dest = home.path() + "/dest/";
    installer_process p;
    p.start(home.path(), true, {"-path", dest});
    auto press = [&](int x, int y) {
        XTestFakeMotionEvent(d, DefaultScreen(d), x, y, CurrentTime);
        XFlush(d);
        usleep(100000);
        XTestFakeButtonEvent(d, 1, True, CurrentTime);
        XTestFakeButtonEvent(d, 1, False, CurrentTime);
        XFlush(d);
    };
    auto manifest_read = [&] {
        for (const std::string& f : temp_folders_of(p.pid))
            if (access(("/tmp/" + f + "/directory.txt").c_str(), F_OK) == 0) return true;
        return false;
    };
    ASSERT_TRUE(wait_for(p, 60, manifest_read)) << read_file(home / "stderr.txt");
    ASSERT_TRUE(wait_for(p, 60, [&] { return main_screen_shown(grab(d)); }));
    usleep(300000);
    press(491, screen_h - 89); // INSTALL, at (450, 78), 83 x 22
    // The licence window: 500 x 300 in the middle, on the plain background.
    ASSERT_TRUE(wait_for(p, 60, [&] { return grab(d).at(10, 10) == background; }));
    save_png(grab(d), std::string(SKY_SHOT_DIR) + "/installer_licence.png");
    press(262 + 429, screen_h - (234 + 21)); // AGREE, at (400, 10) of the window
    ASSERT_TRUE(wait_for(p, 60, [&] { return access((dest + "Aircraft/b.acf").c_str(), F_OK) == 0; }));
    // The completion alert, over the plain background, until its OK is pressed.
    ASSERT_TRUE(wait_for(p, 60, [&] { return alert_shown(grab(d)); }));
    save_png(grab(d), std::string(SKY_SHOT_DIR) + "/installer_complete_alert.png");
    press(511, 491);
    ASSERT_TRUE(wait_for(p, 60, [&] { return main_screen_shown(grab(d)); }));
    usleep(300000);
    save_png(grab(d), std::string(SKY_SHOT_DIR) + "/installer_installed.png");
    EXPECT_EQ(read_file(dest + "Resources/a.txt"), "alpha");
    EXPECT_EQ(read_file(dest + "Aircraft/b.acf"), "bravo");

    press(985, screen_h - 89); // EXIT
    ASSERT_TRUE(p.wait_end(60)) << "the installer did not end after EXIT";
    ASSERT_TRUE(WIFEXITED(p.status));
    EXPECT_EQ(WEXITSTATUS(p.status), 0);
    XCloseDisplay(d);
}
