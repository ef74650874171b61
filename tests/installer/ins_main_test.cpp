// The installer's entry, step by step without a window: the folder lines, the
// default destination for homes of every depth, the start state, the
// preference file over the defaults, and the destination from the command line.
#include "installer_fixture.h"

#include "engine/install_records.h"
#include "engine/stg.h"
#include "files/pref_files.h"
#include "foundation/cmdline.h"
#include "foundation/hl_types.h"
#include "installer/dest_choice.h"
#include "installer/ins_exit.h"
#include "installer/ins_main.h"
#include "shell/finishup.h"
#include "foundation/hooks.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::string cwd_folder()
{
    char buf[4096];
    return getcwd(buf, sizeof buf) ? std::string(buf) + "/" : std::string();
}

class InstallerEntry : public installer_fixture {};

TEST_F(InstallerEntry, FolderLinesInTheLog)
{
    INS_log_os_folders();
    const std::string h = home.path() + "/";
    const std::string text = log.text();
    EXPECT_NE(text.find("os_dir_desktop\t\t=" + h + "\n"), std::string::npos);
    EXPECT_NE(text.find("os_dir_default_apps\t=" + h + "\n"), std::string::npos);
    EXPECT_NE(text.find("os_dir_temp\t\t\t=/tmp/\n"), std::string::npos);
    EXPECT_NE(text.find("os_dir_prefs\t\t\t=" + h + ".skylume/\n\n"), std::string::npos);
    EXPECT_EQ(text.rfind("os_dir_this_app\t\t=/", 0), 0u);
    struct stat st;
    EXPECT_EQ(stat((home / ".skylume").c_str(), &st), 0); // the preference folder is made

    // A user with no HOME and no entry in the password database has no home
    // folder: the lines stay empty. Run as such a user in a child.
    set_home(nullptr);
    xer_capture bare;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (setuid(54321) != 0) _exit(3);
        INS_log_os_folders();
        xer.flush();
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const std::string without = bare.text();
    EXPECT_NE(without.find("os_dir_desktop\t\t=\n"), std::string::npos);
    EXPECT_NE(without.find("os_dir_default_apps\t=\n"), std::string::npos);
    EXPECT_NE(without.find("os_dir_prefs\t\t\t=\n\n"), std::string::npos);
}

TEST_F(InstallerEntry, DefaultDestinationByHomeDepth)
{
    struct depth_case {
        const char* home; // nullptr: HOME unset
        const char* dest;
    };
    const depth_case cases[] = {
        {"/home/ann", "/Skylume/"},
        {"/", "/Skylume/"},
        {"/a/b/c/d/e/f/g/h/i/j", "/Skylume/"},       // ten components
        {"/a/b/c/d/e/f/g/h/i/j/k", "/a/Skylume/"},   // eleven
        {"/a/b/c/d/e/f/g/h/i/j/k/l", "/a/b/Skylume/"}, // twelve
        {nullptr, "/Skylume/"}, // the password database's home, or none: never the current folder
        {"", "/Skylume/"},      // an empty HOME counts as unset
    };
    for (const depth_case& c : cases) {
        SCOPED_TRACE(c.home ? c.home : "(unset)");
        set_home(c.home);
        xer_capture lines;
        dest_dir_path = "stale";
        INS_default_dest();
        EXPECT_EQ(dest_dir_path, c.dest);
        EXPECT_EQ(lines.text(), std::string("dest_dir_path=") + c.dest + "\n");
    }
}

TEST_F(InstallerEntry, StartState)
{
    INS_set_start_state();
    EXPECT_EQ(stls.text[603], "OK");
    EXPECT_EQ(install_name, "Not Yet Scanned");
    ASSERT_FALSE(temp_path.empty());
    EXPECT_EQ(temp_path.rfind("/tmp/skylume-", 0), 0u); // the run's private folder under /tmp/
    EXPECT_EQ(temp_path.back(), '/');
    struct stat st;
    ASSERT_EQ(stat(temp_path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    EXPECT_EQ(stg.dir_phase, dir_fetch);
    EXPECT_EQ(stg.download_os, os_linux);
    EXPECT_EQ(stg.run_phase, run_idle);
    EXPECT_EQ(stg.server_count, -1);
    EXPECT_EQ(stg.server_index, 0);
    EXPECT_EQ(stg.file_action, file_act_skip);
    EXPECT_EQ(stg.rename_folder, 1);
    EXPECT_EQ(stg.stream_count, 0);
    EXPECT_EQ(stg.always_ask_dir, 0);
    EXPECT_EQ(stg.use_max_cpu, 0);
    EXPECT_EQ(stg.log_actions, 0); // no default: construction's 0
    EXPECT_EQ(stg.download_kb, 0.0);
    EXPECT_EQ(stg.disk_kb, 0.0);

    const std::string made = temp_path;
    INS_end_run();
    EXPECT_NE(stat(made.c_str(), &st), 0); // the quit removes it
}

// A normal quit keeps what the user set for the next run; an unattended one
// ("--fps_test") writes nothing.
TEST_F(InstallerEntry, NormalQuitKeepsTheSettingsForTheNextRun)
{
    INS_set_start_state();
    INS_load_settings();
    stg.stream_count = 3;
    dest_dir_path = "/data/Sky/";
    INS_end_run();
    STG_set_defaults();
    dest_dir_path = "/Skylume/";
    INS_load_settings();
    EXPECT_EQ(stg.stream_count, 3);
    EXPECT_EQ(dest_dir_path, "/data/Sky/");

    const char* unattended[] = {"installer", "--fps_test"};
    cmdline.init_unix(2, unattended);
    stg.stream_count = 1;
    INS_end_run();
    cmdline.init_unix(1, unattended);
    INS_load_settings();
    EXPECT_EQ(stg.stream_count, 3);
}

TEST_F(InstallerEntry, PreferencesOverTheDefaults)
{
    STG_set_defaults();
    stg.log_actions = 0;
    dest_dir_path = "/Skylume/";
    write_prefs("_rename_folder 0\n_always_ask_dir 1\n_use_max_cpu 1\n_dest_dir_path /data/Sky\n");
    INS_load_settings();
    EXPECT_EQ(stg.rename_folder, 0);
    EXPECT_EQ(stg.always_ask_dir, 1);
    EXPECT_EQ(stg.use_max_cpu, 1);
    EXPECT_EQ(stg.log_actions, 0); // absent: kept
    EXPECT_EQ(stg.stream_count, 0);
    EXPECT_EQ(dest_dir_path, "/data/Sky/"); // edited by hand: one final '/' added
}

TEST_F(InstallerEntry, StoredValuesHeldToWhatTheInstallerTakes)
{
    struct stored_case {
        const char* lines;
        int stream_count;
        std::string dest;
    };
    const stored_case cases[] = {
        {"_stream_count 3\n", 3, "/Skylume/"},
        {"_stream_count 9\n", 4, "/Skylume/"},
        {"_stream_count -2\n", 0, "/Skylume/"},
        {"_stream_count 99999999999\n", 4, "/Skylume/"},
        {"_dest_dir_path Sky\n", 0, cwd_folder() + "Sky/"},
        {"_dest_dir_path /opt//Sky/\n", 0, "/opt//Sky/"},
    };
    for (const stored_case& c : cases) {
        SCOPED_TRACE(c.lines);
        STG_set_defaults();
        dest_dir_path = "/Skylume/";
        write_prefs(c.lines);
        INS_load_settings();
        EXPECT_EQ(stg.stream_count, c.stream_count);
        EXPECT_EQ(dest_dir_path, c.dest);
        pref.unbind_all();
    }
}

TEST_F(InstallerEntry, EmptyStoredDestinationIsRefused)
{
    STG_set_defaults();
    dest_dir_path = "/Skylume/";
    const char* argv[] = {"installer", "--pref:_dest_dir_path="};
    cmdline.init_unix(2, argv);
    INS_load_settings();
    EXPECT_EQ(dest_dir_path, "/Skylume/");
    EXPECT_NE(log.text().find("The stored destination is empty"), std::string::npos);
}

// A stored destination the installer cannot take is refused as it is read: the
// default stays, the user is told once in an alert, and the log line is short
// however long the stored path (one of 10 MB once wrote a line per file).
TEST_F(InstallerEntry, StoredDestinationsThatCannotBeUsedAreRefusedOnce)
{
    struct refused_case {
        const char* what;
        std::string stored;
        const char* reason;
    };
    const refused_case cases[] = {
        {"ten megabytes", "/" + std::string(10u << 20, 'd'), "characters long"},
        {"a control character", "/data/Sky\x01lume/", "control character"},
        {"a folder ending in a blank", "/data/Sky /", "ends in a blank"},
        {"a trailing blank", "/data/Sky ", "ends in a blank"},
    };
    for (const refused_case& c : cases) {
        SCOPED_TRACE(c.what);
        STG_set_defaults();
        dest_dir_path = "/Skylume/";
        write_prefs("_dest_dir_path " + c.stored + "\n");
        alert_recorder alerts;
        INS_load_settings();
        EXPECT_EQ(dest_dir_path, "/Skylume/");
        ASSERT_EQ(alerts.alerts().size(), 1u);
        EXPECT_EQ(alerts.alerts()[0].lines.l1, "I cannot use the destination from the preference file.");
        EXPECT_NE(alerts.alerts()[0].lines.l2.find(c.reason), std::string::npos) << alerts.alerts()[0].lines.l2;
        EXPECT_LT(alerts.alerts()[0].lines.l3.size(), 200u);
        pref.unbind_all();
    }
    EXPECT_LT(log.text().size(), 4000u);
}

TEST_F(InstallerEntry, PathArgument)
{
    struct argv_case {
        std::vector<const char*> argv;
        const char* folder; // nullptr: none
    };
    const argv_case cases[] = {
        {{"inst"}, nullptr},
        {{"inst", "-path"}, nullptr}, // the folder is missing
        {{"inst", "-path", "/data/sim/"}, "/data/sim/"},
        {{"inst", "-path", "/data/sim/", "extra"}, "/data/sim/"},
        {{"inst", "-pathx", "/data/sim/"}, nullptr},
        {{"inst", "--path", "/data/sim/"}, nullptr},
        {{"inst", "x", "-path", "/data/sim/"}, nullptr}, // only as the first argument
        {{"inst", "-path", ""}, ""},
    };
    for (const argv_case& c : cases) {
        SCOPED_TRACE(c.argv.size() > 1 ? c.argv[1] : "(none)");
        const char* got = INS_path_argument(static_cast<int>(c.argv.size()), c.argv.data());
        if (!c.folder) {
            EXPECT_EQ(got, nullptr);
        } else {
            ASSERT_NE(got, nullptr);
            EXPECT_STREQ(got, c.folder);
        }
    }
}

int chooser_calls;
int counting_chooser(int, const char*, const char*, int, const char*, char* out, std::size_t)
{
    ++chooser_calls;
    std::strcpy(out, "/chosen/");
    return 1;
}

// A "-path" folder the installer cannot take is refused in an alert, before
// the first frame: the user who typed it learns why the screen shows another
// folder before INSTALL can be pressed into that one.
TEST_F(InstallerEntry, DestinationOfTheRun)
{
    const folder_chooser_fn previous = INS_set_folder_chooser(counting_chooser);
    std::string nested = "/data";
    for (int i = 0; i < 300; ++i) nested += "/f";
    nested += "/";
    struct take_case {
        std::vector<const char*> argv;
        int always_ask;
        std::string dest;
        int chooser_calls;
        const char* reason; // the refusal's alert; nullptr: none
    };
    const take_case cases[] = {
        {{"inst"}, 0, "/stored/", 0, nullptr},
        {{"inst"}, 1, "/chosen/Skylume/", 1, nullptr},
        {{"inst", "-path"}, 1, "/chosen/Skylume/", 1, nullptr}, // ignored: always-ask applies
        {{"inst", "-path", "/data/sim/"}, 1, "/data/sim/", 0, nullptr},
        {{"inst", "-path", "/data/sim"}, 0, "/data/sim/", 0, nullptr},
        {{"inst", "-path", "sim"}, 0, cwd_folder() + "sim/", 0, nullptr},
        {{"inst", "-path", ""}, 1, "/stored/", 0, "Its path is empty."}, // refused: the destination stays
        {{"inst", "-path", "/data/sim \n"}, 0, "/stored/", 0, "Its path holds a control character"},
        {{"inst", "-path", "/data/sim /"}, 0, "/stored/", 0, "A folder name in its path ends in a blank."},
        {{"inst", "-path", nested.c_str()}, 0, "/stored/", 0, "Its path is 606 characters long; at most 499"},
    };
    for (const take_case& c : cases) {
        SCOPED_TRACE(std::to_string(c.argv.size()) + " arguments, always ask " + std::to_string(c.always_ask) +
                     (c.argv.size() > 2 ? std::string(", ") + c.argv[2] : ""));
        alerts.alerts().clear();
        dest_dir_path = "/stored/";
        stg.always_ask_dir = c.always_ask;
        chooser_calls = 0;
        INS_take_destination(static_cast<int>(c.argv.size()), c.argv.data());
        EXPECT_EQ(dest_dir_path, c.dest);
        EXPECT_EQ(chooser_calls, c.chooser_calls);
        if (!c.reason) {
            EXPECT_TRUE(alerts.alerts().empty());
            continue;
        }
        ASSERT_EQ(alerts.alerts().size(), 1u);
        const alert_lines& said = alerts.alerts()[0].lines;
        EXPECT_EQ(alerts.alerts()[0].type, t_alert);
        EXPECT_EQ(said.l1, "I cannot use the destination from the command line.");
        EXPECT_EQ(said.l2.rfind(c.reason, 0), 0u) << said.l2;
        EXPECT_EQ(said.l3.rfind(std::string(c.argv[2]).substr(0, 9), 0), 0u) << said.l3; // the folder, cut short
        EXPECT_EQ(said.l4, "The destination stays /stored/.");
    }
    EXPECT_NE(log.text().find("The destination from the command line is refused"), std::string::npos);
    INS_set_folder_chooser(previous);
}

} // namespace

namespace {

// The ordered exit (another program launched, an error on a worker thread):
// with saving it writes the preference file, and it always removes the run's
// temporary folder before the framework closes the log.
TEST_F(InstallerEntry, OrderedExitSavesAndCleansUp)
{
    INS_set_start_state();
    INS_load_settings();
    const std::string made = temp_path;
    stg.stream_count = 2;
    dest_dir_path = "/data/Sky/";
    MACIBM_set_finishup_hook(MACIBM_window_finishup); // as start-up installs it: no display, so no X step runs
    INS_install_exit_hooks();
    INS_install_exit_hooks(); // installed twice: still one link in the chain
    MACIBM_finishup(1);
    MACIBM_set_finishup_hook(nullptr);
    struct stat st;
    EXPECT_NE(stat(made.c_str(), &st), 0);
    const std::string prefs = read_file(home / ".skylume/Skylume Installer.prf");
    EXPECT_NE(prefs.find("_stream_count 2\n"), std::string::npos);
    EXPECT_NE(prefs.find("_dest_dir_path /data/Sky/\n"), std::string::npos);
    EXPECT_FALSE(xer.is_open()); // the framework's part ran after the installer's
}

} // namespace
