// The installer's preference file through the real program: every key of the
// installer's set survives a run that changes nothing, and each field of the
// preferences window, changed through XTest as a user would, is in the file
// after EXIT.
#include "support/e2e_driver.h"
#include "support/sample_disc.h"
#include "support/testkit.h"

#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <filesystem>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

namespace {

// The preferences window, as it opens over the main screen.
constexpr screen_point at_preferences{50, 750};   // "preferences", main screen
constexpr screen_point at_prefs_close{228, 564};  // the window's close box
constexpr screen_point at_full_speed{241, 463};   // the check boxes, top to bottom
constexpr screen_point at_rename{241, 428};
constexpr screen_point at_always_ask{241, 388};
constexpr screen_point at_manual_streams{241, 348};
constexpr screen_point at_log_actions{241, 308};
constexpr screen_point at_proxy_host{520, 237};
constexpr screen_point at_proxy_port{520, 217};

using settings = std::map<std::string, std::string>;

// The key and value lines below the file's two header lines.
settings read_settings(const std::string& path)
{
    std::istringstream in(read_file(path));
    std::string line;
    settings s;
    for (int n = 0; std::getline(in, line); ++n) {
        if (n < 2) continue;
        const size_t blank = line.find(' ');
        s[line.substr(0, blank)] = blank == std::string::npos ? "" : line.substr(blank + 1);
    }
    return s;
}

void write_settings(const std::string& path, const settings& s)
{
    std::string text = "I\n9001 version\n";
    for (const auto& [key, value] : s) text += key + " " + value + "\n";
    write_file(path, text);
}

class Settings : public ::testing::Test {
protected:
    temp_dir tmp;
    sample_disc sample;
    e2e_session x;
    std::string home, prefs;

    void SetUp() override
    {
        std::string why;
        ASSERT_TRUE(x.open(&why)) << why;
        sample = make_sample_disc(tmp / "sample");
        ASSERT_FALSE(sample.root.empty());
        home = tmp / "home";
        fs::create_directories(home + "/.skylume");
        prefs = home + "/.skylume/Skylume Installer.prf";
    }
    void start_until_ready()
    {
        x.start(sample.root, home, {e2e_installer_exe()});
        ASSERT_TRUE(x.wait_for(180, [&] { return x.main_screen_ready(); })) << read_file(home + "/stderr.txt");
    }
    void exit_now()
    {
        x.press(at_exit);
        ASSERT_TRUE(x.wait_end(60));
        ASSERT_EQ(x.exit_status(), 0);
    }
    void click(screen_point p)
    {
        x.press(p);
        usleep(250000);
    }
};

} // namespace

TEST_F(Settings, EveryKeyComesBackAndEveryFieldIsSaved)
{
    const std::string dest = tmp / "Skylume/";
    const settings all = {
        {"_use_max_cpu", "1"},       {"_rename_folder", "0"},        {"_stream_count", "3"},
        {"_log_actions", "1"},       {"_always_ask_dir", "0"},       {"_dest_dir_path", dest},
        {"_proxy_host", "proxy.example"}, {"_proxy_port", "3128"}, {"_proxy_port_int", "3128"},
    };
    write_settings(prefs, all);
    start_until_ready();
    exit_now();
    EXPECT_EQ(read_settings(prefs), all);

    settings plain = all;
    plain["_use_max_cpu"] = "0";
    plain["_rename_folder"] = "1";
    plain["_stream_count"] = "0";
    plain["_log_actions"] = "0";
    plain["_proxy_host"] = "";
    plain["_proxy_port"] = "";
    plain["_proxy_port_int"] = "0";
    write_settings(prefs, plain);
    start_until_ready();
    click(at_preferences);
    ASSERT_TRUE(x.wait_for(30, [&] { return x.sub_window_open(); })) << "no preferences window";
    usleep(300000);
    for (screen_point box : {at_full_speed, at_rename, at_always_ask, at_manual_streams, at_log_actions})
        click(box);
    click(at_proxy_host);
    x.type("proxy");
    click(at_proxy_port);
    x.type("8080");
    usleep(300000);
    x.shoot("preferences_changed");
    click(at_prefs_close);
    ASSERT_TRUE(x.wait_for(30, [&] { return !x.sub_window_open(); })) << "the preferences window stayed open";
    x.shoot("main_screen_after");
    exit_now();

    const settings saved = read_settings(prefs);
    const settings want = {
        {"_use_max_cpu", "1"},   {"_rename_folder", "0"}, {"_stream_count", "1"},
        {"_log_actions", "1"},   {"_always_ask_dir", "1"}, {"_dest_dir_path", dest},
        {"_proxy_host", "proxy"}, {"_proxy_port", "8080"}, {"_proxy_port_int", "8080"},
    };
    EXPECT_EQ(saved, want);
}
