// program_test.cpp - the installer as a real process on a real X server
// (Xvfb, Mesa's software GL, no window manager): it starts, draws its first
// frame, writes its log, and a press on EXIT ends it with status 0; without a
// display it says so and ends with status 1; a small disc in its working
// folder installs through the licence and the completion alert. The screens
// met are saved under <build>/screenshots/e2e/<test>/.
#include "support/disc_fixture.h"
#include "support/e2e_driver.h"
#include "support/testkit.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <string>

namespace {

// Lines of text that hold part.
std::size_t count_lines_with(const std::string& text, const std::string& part)
{
    std::size_t n = 0, from = 0;
    while (from < text.size()) {
        std::size_t end = text.find('\n', from);
        if (end == std::string::npos) end = text.size();
        n += text.substr(from, end - from).find(part) != std::string::npos;
        from = end + 1;
    }
    return n;
}

// A pixel of the background picture's sky: clearly blue.
bool is_sky(unsigned rgb)
{
    const int r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    return b > r + 60 && b > g + 20;
}

class InstallerProgram : public ::testing::Test {
protected:
    e2e_session x;
    temp_dir home;

    void SetUp() override
    {
        std::string why;
        ASSERT_TRUE(x.open(&why)) << why;
    }
    std::string said() { return read_file(home / "stdout.txt") + read_file(home / "stderr.txt"); }
    // The main screen over the background picture, with its EXIT button.
    bool main_screen_shown() { return x.exit_offered() && is_sky(x.grab().at(600, 400)); }
    void exit_with_status_zero()
    {
        x.press(at_exit);
        ASSERT_TRUE(x.wait_end(60)) << "the installer did not end after EXIT";
        EXPECT_EQ(x.exit_status(), 0) << said();
        EXPECT_TRUE(x.temp_folders().empty()); // removed by the quit
    }
};

TEST_F(InstallerProgram, FirstFrameThenExitEndsWithStatusZero)
{
    x.start(home.path(), home.path(), {e2e_installer_exe()});
    ASSERT_TRUE(x.wait_for(60, [&] { return main_screen_shown(); })) << "no first frame\n" << said();
    x.shoot("first_frame");
    EXPECT_TRUE(is_sky(x.grab().at(300, 468)));
    EXPECT_FALSE(x.temp_folders().empty()); // the run's private temporary folder
    exit_with_status_zero();

    const std::string log = read_file(home / "Log.txt");
    EXPECT_EQ(log.rfind("log.txt for Skylume 9.00 Beta-19 Installer 90019", 0), 0u);
    EXPECT_NE(log.find("Skysuite folder:'', case sensitive=1\n"), std::string::npos);
    EXPECT_NE(log.find("os_dir_prefs\t\t\t=" + home.path() + "/.skylume/\n\n"), std::string::npos);
    EXPECT_NE(log.find("dest_dir_path=/Skylume/\n"), std::string::npos);
    EXPECT_NE(log.find("After searching, I think that dvd_path="), std::string::npos);
    EXPECT_NE(log.find("CPU count        : "), std::string::npos);
}

TEST_F(InstallerProgram, WithoutADisplayItSaysSoAndEndsWithStatusOne)
{
    x.start(home.path(), home.path(), {e2e_installer_exe()}, false);
    ASSERT_TRUE(x.wait_end(60));
    EXPECT_EQ(x.exit_status(), 1) << "ended by a signal or with another status";
    const std::string err = read_file(home / "stderr.txt");
    EXPECT_NE(err.find("cannot open an X display: DISPLAY is not set"), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err; // one clear line
}

// Log.txt is emptied at every start: never through a link another user could
// have planted in the home the program was started with, and the run says once
// on the console that it keeps no log; through the user's own link to the
// user's own file, as a dotfile link is, it is written.
TEST_F(InstallerProgram, TheLogIsNeverWrittenThroughAPlantedLink)
{
    const std::string victim = home / "victim";
    write_file(victim, "keep");
    ASSERT_EQ(chown(victim.c_str(), 65534, 65534), 0);
    ASSERT_EQ(symlink(victim.c_str(), (home / "Log.txt").c_str()), 0);
    x.start(home.path(), home.path(), {e2e_installer_exe()}, false);
    ASSERT_TRUE(x.wait_end(60));
    EXPECT_EQ(x.exit_status(), 1);
    EXPECT_EQ(read_file(victim), "keep");
    const std::string refused = "Skysuite: the log file " + home / "Log.txt" + " is not written (";
    const std::string console = said();
    EXPECT_EQ(count_lines_with(console, refused), 1u) << console;
    EXPECT_EQ(count_lines_with(console, "this run keeps no log."), 1u) << console;

    const std::string own = home / "own_log.txt";
    write_file(own, "an earlier run's log");
    ASSERT_EQ(unlink((home / "Log.txt").c_str()), 0);
    ASSERT_EQ(symlink(own.c_str(), (home / "Log.txt").c_str()), 0);
    x.start(home.path(), home.path(), {e2e_installer_exe()}, false);
    ASSERT_TRUE(x.wait_end(60));
    EXPECT_EQ(read_file(own).rfind("log.txt for Skylume", 0), 0u);
    EXPECT_EQ(read_file(home / "stderr.txt").find("is not written"), std::string::npos);
}

// A whole installation by the program: the disc in its working folder (found
// through the relative version file), INSTALL, AGREE in the licence window,
// the files in the product folder, OK in the completion alert, then EXIT.
TEST_F(InstallerProgram, InstallsFromTheDiscThroughTheLicence)
{
    disc_file a, b;
    a.rel = "Resources/a.txt";
    a.data = "alpha";
    b.rel = "Aircraft/b.acf";
    b.data = "bravo";
    make_disc(home.path() + "/", "Set", {a, b});
    const std::string dest = home.path() + "/dest/";
    x.start(home.path(), home.path(), {e2e_installer_exe(), "-path", dest});
    ASSERT_TRUE(x.wait_for(60, [&] { return x.main_screen_ready(); })) << said();
    x.shoot("ready");
    x.press(at_install);
    ASSERT_TRUE(x.wait_for(60, [&] { return x.sub_window_open(); })) << "no licence window";
    x.shoot("licence");
    x.press(at_agree);
    ASSERT_TRUE(x.wait_for(60, [&] { return access((dest + "Aircraft/b.acf").c_str(), F_OK) == 0; }));
    ASSERT_TRUE(x.wait_for(60, [&] { return x.alert_open(); })) << "no completion alert";
    x.shoot("completion_alert");
    x.press(at_alert_ok);
    ASSERT_TRUE(x.wait_for(60, [&] { return main_screen_shown(); })) << "the alert stayed open";
    usleep(300000);
    x.shoot("installed");
    EXPECT_EQ(read_file(dest + "Resources/a.txt"), "alpha");
    EXPECT_EQ(read_file(dest + "Aircraft/b.acf"), "bravo");
    exit_with_status_zero();
}

} // namespace
