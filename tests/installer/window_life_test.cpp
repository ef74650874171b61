// The installer's window as other programs end it: the window manager's close
// (WM_DELETE_WINDOW, sent as a window manager would) is EXIT, and the X server
// lost at any moment ends the program at once with status 1, one console line
// and nothing of the run left behind, after which a new run completes the tree.
// The real program with the sample disc, pressed through XTest.
#include "support/e2e_driver.h"
#include "support/sample_disc.h"
#include "support/testkit.h"
#include "support/xvfb.h"

#include <gtest/gtest.h>

// After gtest: Xlib's macros (None, Bool) would clash with its names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// An X server of this test's own, which it may kill: the tests' Xvfb, that the
// test program itself holds a connection to, must live on.
class own_xvfb {
public:
    ~own_xvfb() { kill_now(); }
    std::string start(std::string* why) { return xvfb_detail::spawn(&pid, why); }
    void kill_now()
    {
        if (pid <= 0) return;
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        pid = -1;
    }
private:
    pid_t pid = -1;
};

class WindowLife : public ::testing::Test {
protected:
    temp_dir tmp;
    sample_disc sample;
    std::string home, dest, renamed;

    void SetUp() override
    {
        sample = make_sample_disc(tmp / "sample");
        ASSERT_FALSE(sample.root.empty()) << "tools/make_sample_disc.py failed";
        home = tmp / "home";
        fs::create_directories(home);
        dest = tmp / "Skylume/";
        renamed = tmp / (sample.set_name + "/");
    }
    void start(e2e_session& x)
    {
        x.start(sample.root, home, {e2e_installer_exe(), "-path", dest, "--pref:_log_actions=1"});
    }
    std::string said() { return read_file(home + "/stdout.txt") + read_file(home + "/stderr.txt"); }
    void install_and_agree(e2e_session& x)
    {
        ASSERT_TRUE(x.wait_for(180, [&] { return x.main_screen_ready(); })) << "no ready screen\n" << said();
        x.press(at_install);
        ASSERT_TRUE(x.wait_for(60, [&] { return x.sub_window_open(); })) << "no licence window";
        x.press(at_agree);
    }
    // Nothing of the ended run is left: its private temporary folder, and the
    // lock on the product folder (another installer could take it now).
    void expect_nothing_left(e2e_session& x)
    {
        EXPECT_TRUE(x.temp_folders().empty()) << "the run's temporary folder was left";
        for (const std::string& folder : {dest, renamed}) {
            const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
            if (fd < 0) continue;
            EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0) << "the product folder is still locked";
            close(fd);
        }
    }
};

// The program's main window on the tests' display: the top-level window that
// takes WM_DELETE_WINDOW.
Window program_window(Display* d)
{
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    Window found = 0;
    const Atom del = XInternAtom(d, "WM_DELETE_WINDOW", False);
    if (!XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count)) return 0;
    for (unsigned i = 0; i < count && !found; ++i) {
        Atom* protocols = nullptr;
        int n = 0;
        if (XGetWMProtocols(d, children[i], &protocols, &n)) {
            if (std::find(protocols, protocols + n, del) != protocols + n) found = children[i];
            XFree(protocols);
        }
    }
    if (children) XFree(children);
    return found;
}

// What a window manager sends when the user closes the window.
void send_close(Display* d, Window w)
{
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = w;
    ev.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, w, False, NoEventMask, &ev);
    XFlush(d);
}

} // namespace

// Closed on the ready screen, and again in the middle of an installation: each
// time the EXIT path, status 0, the settings written, the temporary folder gone.
TEST_F(WindowLife, TheWindowManagersCloseIsExit)
{
    e2e_session x;
    std::string why;
    ASSERT_TRUE(x.open(&why)) << why;
    Display* wm = XOpenDisplay(nullptr); // the window manager's own connection
    ASSERT_NE(wm, nullptr);

    start(x);
    ASSERT_TRUE(x.wait_for(180, [&] { return x.main_screen_ready(); })) << said();
    const Window w = program_window(wm);
    ASSERT_NE(w, 0u) << "the window takes no close requests";
    send_close(wm, w);
    ASSERT_TRUE(x.wait_end(60)) << "the close did not end the installer";
    EXPECT_EQ(x.exit_status(), 0) << said();
    expect_nothing_left(x);
    EXPECT_NE(read_file(home + "/.skylume/Skylume Installer.prf").find("_dest_dir_path " + dest), std::string::npos);

    start(x);
    install_and_agree(x);
    const std::string halfway = dest + "Resources/scenery/region 16/tile 07/obj_00900.txt";
    ASSERT_TRUE(x.wait_for(600, [&] { return fs::exists(halfway); })) << said();
    send_close(wm, program_window(wm));
    ASSERT_TRUE(x.wait_end(60)) << "the close did not end the installer mid-install";
    EXPECT_EQ(x.exit_status(), 0) << said();
    expect_nothing_left(x);
    EXPECT_NE(read_file(home + "/Log.txt").find("The window manager asks the window to close"), std::string::npos);
    XCloseDisplay(wm);
}

// The X server killed while the folder is examined, while files are extracted,
// and while the completion alert is open: each run ends within moments with
// status 1 (no signal), one console line, nothing left; the last run has
// completed the tree.
TEST_F(WindowLife, LosingTheDisplayEndsTheRunCleanly)
{
    enum moment_kind { examining, extracting, alert_open };
    struct moment {
        const char* name;
        moment_kind kind;
    };
    const moment moments[] = {{"examination", examining}, {"extraction", extracting}, {"open_alert", alert_open}};
    const std::string halfway = dest + "Resources/scenery/region 16/tile 07/obj_00900.txt";
    for (const moment& m : moments) {
        SCOPED_TRACE(m.name);
        own_xvfb server;
        std::string why;
        const std::string name = server.start(&why);
        ASSERT_FALSE(name.empty()) << why;
        e2e_session x;
        ASSERT_TRUE(x.open_on(name, &why)) << why;
        start(x);
        if (m.kind == examining) {
            ASSERT_TRUE(x.wait_for(180, [&] { return x.exit_offered(); })) << said();
        } else {
            install_and_agree(x);
            if (m.kind == extracting)
                ASSERT_TRUE(x.wait_for(600, [&] { return fs::exists(halfway); })) << said();
            else
                ASSERT_TRUE(x.wait_for(600, [&] { return x.alert_open(); })) << said();
        }
        x.shoot(std::string("before_the_server_dies_") + m.name);
        x.drop_display();
        const auto killed_at = std::chrono::steady_clock::now();
        server.kill_now();
        ASSERT_TRUE(x.wait_end(60)) << "the installer outlived its display";
        const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - killed_at).count();
        // Two seconds on an idle machine; the margin is for a loaded test machine.
        EXPECT_LT(took, 10.0);
        std::printf("display lost at the %s moment: the installer ended %.2f s later\n", m.name, took);
        std::fflush(stdout); // a program started next must not inherit the line
        EXPECT_EQ(x.exit_status(), 1) << "ended by a signal or with another status\n" << said();
        const std::string err = read_file(home + "/stderr.txt");
        EXPECT_NE(err.find("Skysuite: the connection to the X display was lost; the installer ends.\n"),
                  std::string::npos)
            << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        expect_nothing_left(x);
    }
    for (const std::string& d : tree_differences(sample.fresh_expected, renamed)) ADD_FAILURE() << d;
}
