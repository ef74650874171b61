// The installer's window as other programs end it: the window manager's close
// (WM_DELETE_WINDOW, sent as a window manager would) is EXIT, also while a
// sub-window is open, which it answers as its cancel; and the X server lost at
// any moment ends the program at once with status 1, one console line and
// nothing of the run left behind, after which a new run completes the tree.
// The real program with the sample disc (or a small disc), pressed through XTest.
#include "support/disc_fixture.h"
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
#include <map>

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

namespace {

constexpr screen_point at_preferences{50, 750}; // the main screen's preferences button

// Where the window manager's close finds the program in the cases below.
enum open_window { licence_open, question_open, alert_open, preferences_open };

// A small disc, its two files, and the program's home and destination.
class CloseWhileOpen : public ::testing::Test {
protected:
    temp_dir tmp;
    e2e_session x;
    Display* wm = nullptr; // the window manager's own connection
    std::string home, dest;

    void SetUp() override
    {
        std::string why;
        ASSERT_TRUE(x.open(&why)) << why;
        wm = XOpenDisplay(nullptr);
        ASSERT_NE(wm, nullptr);
    }
    void TearDown() override
    {
        if (wm) XCloseDisplay(wm);
    }
    std::string said() { return read_file(home + "/stdout.txt") + read_file(home + "/stderr.txt"); }
    // A fresh home with the disc in it; with a modified file, the destination
    // holds a file of the user's that the disc lists, and INSTALL asks about it.
    void start(const std::string& name, bool modified_file)
    {
        home = tmp / name;
        dest = home + "/dest/";
        fs::create_directories(dest);
        disc_file a, b;
        a.rel = "Resources/a.txt";
        a.data = "alpha";
        b.rel = "Aircraft/b.acf";
        b.data = "bravo";
        make_disc(home + "/", "Set", {a, b});
        if (modified_file) {
            fs::create_directories(dest + "Resources");
            write_file(dest + "Resources/a.txt", "the user's own alpha");
        }
        x.start(home, home, {e2e_installer_exe(), "-path", dest, "--pref:_log_actions=1"});
    }
    // Brings the program to the window and saves its picture; the button that
    // answers it by going on is in *go_on (none for the preferences).
    void open(open_window which, const screen_point** go_on)
    {
        static const screen_point agree = at_agree, overwrite = at_overwrite, ok = at_alert_ok;
        ASSERT_TRUE(x.wait_for(60, [&] { return x.main_screen_ready(); }, "the ready screen")) << said();
        *go_on = nullptr;
        if (which == preferences_open) {
            x.press(at_preferences);
            ASSERT_TRUE(x.wait_for(30, [&] { return x.sub_window_open(); }, "the preferences window"));
            x.shoot("preferences");
            return;
        }
        x.press(at_install);
        ASSERT_TRUE(x.wait_for(30, [&] { return x.sub_window_open(); }, "the licence window"));
        if (which == licence_open) {
            x.shoot("licence");
            *go_on = &agree;
            return;
        }
        x.press(at_agree);
        if (which == question_open) {
            ASSERT_TRUE(x.wait_for(30, [&] { return x.question_open(); }, "the modified-file question"));
            x.shoot("question");
            *go_on = &overwrite;
            return;
        }
        ASSERT_TRUE(x.wait_for(60, [&] { return x.alert_open(); }, "the completion alert")) << said();
        x.shoot("completion_alert");
        *go_on = &ok;
    }
    // Every folder and file below the destination, with the files' bytes.
    std::map<std::string, std::string> tree()
    {
        std::map<std::string, std::string> found;
        for (const auto& e : fs::recursive_directory_iterator(dest))
            found[e.path().string()] = e.is_directory() ? "(folder)" : read_file(e.path().string());
        return found;
    }
};

std::string property_text(Display* d, Window w, const char* name)
{
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(d, w, XInternAtom(d, name, False), 0, 1024, False, AnyPropertyType, &type, &format, &count,
                       &after, &data);
    std::string text;
    if (data && format == 8) text.assign(reinterpret_cast<const char*>(data), count);
    if (data && format == 32 && count == 1) text = std::to_string(*reinterpret_cast<unsigned long*>(data));
    if (data) XFree(data);
    return text;
}

} // namespace

// The window manager's close while the licence, the modified-file question,
// the completion alert or the preferences window is open: the window is
// answered as its cancel (DISAGREE, CANCEL) and the program ends promptly by
// EXIT, status 0 with the settings written, without installing anything more,
// even when the user then presses the button that would have gone on. The
// window it closes names its process and machine.
TEST_F(CloseWhileOpen, TheOpenSubWindowIsCancelledAndExitRuns)
{
    struct close_case {
        const char* name;
        open_window which;
        bool modified_file;
    };
    const close_case cases[] = {
        {"licence", licence_open, false},
        {"question", question_open, true},
        {"alert", alert_open, false},
        {"preferences", preferences_open, false},
    };
    char host[256] = "";
    ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
    for (const close_case& c : cases) {
        SCOPED_TRACE(c.name);
        start(c.name, c.modified_file);
        const screen_point* go_on = nullptr;
        open(c.which, &go_on);
        if (HasFatalFailure()) return;
        const Window w = program_window(wm);
        ASSERT_NE(w, 0u) << "the window takes no close requests";
        EXPECT_EQ(property_text(wm, w, "_NET_WM_PID"), std::to_string(x.pid()));
        EXPECT_EQ(property_text(wm, w, "WM_CLIENT_MACHINE"), host);
        const std::map<std::string, std::string> before = tree();

        send_close(wm, w);
        const auto closed_at = std::chrono::steady_clock::now();
        const bool ended = x.wait_for(10, [&] { return !x.running(); }, "the end", e2e_session::at_end::succeeds);
        const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - closed_at).count();
        if (!ended) {
            // The window still there, the user answers it to go on; then it must end all the same.
            if (go_on) x.press(*go_on);
            EXPECT_TRUE(x.wait_end(20)) << "the installer did not end even after an answer";
        }
        EXPECT_TRUE(ended) << "the close alone did not end the installer within 10 s\n" << said();
        if (ended) {
            std::printf("closed with the %s open: the installer ended %.2f s later\n", c.name, took);
            std::fflush(stdout); // a program started next must not inherit the line
            // Well below a second on an idle machine; the margin is for a loaded test machine.
            EXPECT_LT(took, 5.0);
        }
        EXPECT_EQ(x.exit_status(), 0) << said();
        EXPECT_TRUE(x.temp_folders().empty()) << "the run's temporary folder was left";
        EXPECT_TRUE(tree() == before) << "the destination changed after the close";
        EXPECT_NE(read_file(home + "/.skylume/Skylume Installer.prf").find("_dest_dir_path " + dest),
                  std::string::npos);
        const std::string log = read_file(home + "/Log.txt");
        const std::size_t close_line = log.find("The window manager asks the window to close");
        ASSERT_NE(close_line, std::string::npos) << log;
        EXPECT_EQ(log.find("EXPANDING file", close_line), std::string::npos) << "a file was installed after the close";
    }
}
