// Preference files: the installer set in a temporary HOME with stand-in
// variables bound the way the installer and the download client bind theirs,
// command-line overrides, odd lines, safe writing, and the display set.
#include "files/pref_files.h"

#include "foundation/cmdline.h"
#include "foundation/hl_types.h"
#include "support/testkit.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <csignal>
#include <cstdlib>

namespace {

// Stands in for the installer's settings and the download client's proxy fields.
struct bound_vars {
    int use_max_cpu = 7, rename_folder = 7, stream_count = 7, log_actions = 7, always_ask_dir = 7;
    std::string dest_dir_path, proxy_host, proxy_port_text;
    int proxy_port = 7;
};

std::string prefs_file() { return std::string(std::getenv("HOME")) + "/.skylume/Skylume Installer.prf"; }

const std::string header = "I\n9001 version\n";

class InstallerPrefs : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* home = std::getenv("HOME");
        old_home = home ? home : "";
        setenv("HOME", dir.path().c_str(), 1);
        mkdir((dir / ".skylume").c_str(), 0755);
        cmdline.clear();
        pref.unbind_all();
        pref.bind_path(pref_set_installer, prefs_file);
        pref.bind_int(pref_set_installer, "_use_max_cpu", &v.use_max_cpu);
        pref.bind_int(pref_set_installer, "_rename_folder", &v.rename_folder);
        pref.bind_int(pref_set_installer, "_stream_count", &v.stream_count);
        pref.bind_int(pref_set_installer, "_log_actions", &v.log_actions);
        pref.bind_int(pref_set_installer, "_always_ask_dir", &v.always_ask_dir);
        pref.bind_string(pref_set_installer, "_dest_dir_path", &v.dest_dir_path);
        pref.bind_string(pref_set_installer, "_proxy_host", &v.proxy_host);
        pref.bind_string(pref_set_installer, "_proxy_port", &v.proxy_port_text);
        pref.bind_int(pref_set_installer, "_proxy_port_int", &v.proxy_port);
    }
    void TearDown() override
    {
        pref.unbind_all();
        cmdline.clear();
        setenv("HOME", old_home.c_str(), 1);
    }
    void command_line(std::vector<const char*> args)
    {
        args.insert(args.begin(), "installer");
        cmdline.init_unix(static_cast<int>(args.size()), args.data());
    }
    temp_dir dir;
    std::string old_home;
    bound_vars v;
};

TEST_F(InstallerPrefs, WriteThenReadRestoresEveryKey)
{
    v = {1, 0, 3, 1, 1, "/home/u/My Sky  ", "", "", 8080};
    pref.IO_set(pref_set_installer, 1);
    EXPECT_EQ(read_file(prefs_file()), header +
                                           "_use_max_cpu 1\n_rename_folder 0\n_stream_count 3\n_log_actions 1\n"
                                           "_always_ask_dir 1\n_dest_dir_path /home/u/My Sky  \n_proxy_port_int 8080\n");

    bound_vars read_back;
    read_back.proxy_host = "kept";
    v = read_back;
    pref.IO_set(pref_set_installer, 0);
    EXPECT_EQ(v.use_max_cpu, 1);
    EXPECT_EQ(v.rename_folder, 0);
    EXPECT_EQ(v.stream_count, 3);
    EXPECT_EQ(v.log_actions, 1);
    EXPECT_EQ(v.always_ask_dir, 1);
    EXPECT_EQ(v.dest_dir_path, "/home/u/My Sky  ");
    EXPECT_EQ(v.proxy_host, "kept"); // not in the file: left as it was
    EXPECT_EQ(v.proxy_port, 8080);

    v.proxy_host = "proxy.example";
    v.proxy_port_text = "3128";
    pref.IO_set(pref_set_installer, 1);
    v.proxy_host = v.proxy_port_text = "";
    pref.IO_set(pref_set_installer, 0);
    EXPECT_EQ(v.proxy_host, "proxy.example");
    EXPECT_EQ(v.proxy_port_text, "3128");
    struct stat st;
    EXPECT_NE(stat((prefs_file() + ".tmp").c_str(), &st), 0); // no temporary file left
}

TEST_F(InstallerPrefs, OddLines)
{
    struct odd_case {
        const char* name;
        std::string file;
        int stream_count, use_max_cpu;
        const char* dest;
    };
    const odd_case cases[] = {
        {"later line wins", header + "_stream_count 3\n_stream_count 2\n", 2, 7, ""},
        {"blanks around a value", header + "_dest_dir_path  \t  /a b/c  \n", 7, 7, "/a b/c  "},
        {"key without a value", header + "_use_max_cpu\n_stream_count 1\n", 1, 0, ""},
        {"digits then letters", header + "_stream_count 3x\n", 3, 7, ""},
        {"no digits", header + "_stream_count x\n", 0, 7, ""},
        {"negative", header + "_stream_count -3\n", -3, 7, ""},
        {"beyond int", header + "_stream_count 99999999999\n_use_max_cpu -99999999999\n", INT_MAX, INT_MIN, ""},
        {"CR LF, blank lines, indent", "I\r\n9001 version\r\n\r\n  _stream_count 4\r\n\r\n\t_use_max_cpu 1\r\n", 4, 1, ""},
        {"lone CR and NUL ends", header + "_stream_count 5\r_use_max_cpu 1" + std::string(1, '\0') + "x", 5, 1, ""},
        {"no line end at the end", header + "_stream_count 6", 6, 7, ""},
        {"keys are case-sensitive", header + "_USE_MAX_CPU 1\n_Stream_Count 2\n", 7, 7, ""},
        {"unknown keys ignored", header + "_other 5\n_stream_count 1\n", 1, 7, ""},
        {"other version", "I\n9000 version\n_stream_count 1\n", 7, 7, ""},
        {"empty file", "", 7, 7, ""},
        {"truncated header", "I\n", 7, 7, ""},
        {"binary file", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), 7, 7, ""},
    };
    for (const odd_case& c : cases) {
        SCOPED_TRACE(c.name);
        write_file(prefs_file(), c.file);
        v = bound_vars();
        pref.IO_set(pref_set_installer, 0);
        EXPECT_EQ(v.stream_count, c.stream_count);
        EXPECT_EQ(v.use_max_cpu, c.use_max_cpu);
        EXPECT_EQ(v.dest_dir_path, c.dest);
    }

    v = bound_vars();
    write_file(prefs_file(), "");
    ASSERT_EQ(unlink(prefs_file().c_str()), 0);
    mkdir(prefs_file().c_str(), 0755); // a folder in the file's place
    pref.IO_set(pref_set_installer, 0);
    EXPECT_EQ(v.stream_count, 7);
}

TEST_F(InstallerPrefs, CommandLineOverridesWinAndAreSaved)
{
    command_line({"--pref:_stream_count=2", "--pref:_use_max_cpu", "--pref:_dest_dir_path=/opt/sky dir/"});
    pref.IO_set(pref_set_installer, 0); // no file yet
    EXPECT_EQ(v.stream_count, 2);
    EXPECT_EQ(v.use_max_cpu, 0);
    EXPECT_EQ(v.dest_dir_path, "/opt/sky dir/");
    EXPECT_EQ(v.rename_folder, 7);

    write_file(prefs_file(), header + "_stream_count 4\n_rename_folder 0\n");
    v = bound_vars();
    pref.IO_set(pref_set_installer, 0);
    EXPECT_EQ(v.stream_count, 2);
    EXPECT_EQ(v.rename_folder, 0);

    pref.IO_set(pref_set_installer, 1);
    EXPECT_NE(read_file(prefs_file()).find("_stream_count 2\n"), std::string::npos);
}

TEST_F(InstallerPrefs, ValueWithALineEndIsNotWritten)
{
    // Each of these ends a line for the reader, so the rest would become a key of its own.
    const std::string line_ends[] = {"\n", "\r", std::string(1, '\0')};
    xer_capture log;
    for (const std::string& line_end : line_ends) {
        SCOPED_TRACE(static_cast<int>(line_end[0]));
        const std::size_t logged_before = log.text().size();
        v = bound_vars();
        v.dest_dir_path = "/a" + line_end + "_stream_count 4";
        pref.IO_set(pref_set_installer, 1);
        const std::string text = read_file(prefs_file());
        EXPECT_EQ(text.find("_dest_dir_path"), std::string::npos);
        EXPECT_NE(text.find("_proxy_port_int 7\n"), std::string::npos); // the other keys are written
        EXPECT_NE(log.text().substr(logged_before).find("prefs: refused to save _dest_dir_path"), std::string::npos);

        v.stream_count = 1;
        pref.IO_set(pref_set_installer, 0);
        EXPECT_EQ(v.stream_count, 7);
    }
}

TEST_F(InstallerPrefs, PathTheReaderRefusesIsNotSavedEither)
{
    const std::string before = header + "_stream_count 3\n";
    for (const char* folder : {"a:b", "a\\b"}) {
        SCOPED_TRACE(folder);
        const std::string home = dir / folder;
        mkdir(home.c_str(), 0755);
        mkdir((home + "/.skylume").c_str(), 0755);
        setenv("HOME", home.c_str(), 1);
        write_file(prefs_file(), before);
        xer_capture log;

        v.stream_count = 5;
        pref.IO_set(pref_set_installer, 1);
        EXPECT_EQ(read_file(prefs_file()), before); // written nowhere, the old file untouched
        struct stat st;
        EXPECT_NE(stat((prefs_file() + ".tmp").c_str(), &st), 0);
        const std::string text = log.text();
        EXPECT_NE(text.find("prefs: bad folder character in path: " + prefs_file()), std::string::npos);
        EXPECT_NE(text.find("prefs: could not save "), std::string::npos);

        pref.IO_set(pref_set_installer, 0);
        EXPECT_EQ(v.stream_count, 5); // the read refuses it the same way
    }
}

TEST_F(InstallerPrefs, FailedOpenAlertNamesThePreferenceFile)
{
    const std::string before = header + "_stream_count 3\n";
    write_file(prefs_file(), before);
    mkdir((prefs_file() + ".tmp").c_str(), 0755); // the temporary file cannot be opened, even by root
    alert_recorder alerts;
    pref.IO_set(pref_set_installer, 1);
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].lines.l1.rfind("I could not save the file!", 0), 0u);
    EXPECT_EQ(alerts.alerts()[0].lines.l2, prefs_file());
    EXPECT_EQ(read_file(prefs_file()), before);
}

// A save by a user who may not write the preference file (made read-only)
// fails with the cannot-save alert and leaves it as it was; a save that may
// replace it keeps its permission bits. Run as an unprivileged user, since
// root may write any file.
TEST_F(InstallerPrefs, ReadOnlyFileIsKeptAndModesSurviveASave)
{
    const uid_t nobody = 65534;
    struct mode_case {
        mode_t mode;
        bool saved; // false: the alert, and the old bytes
    };
    const mode_case cases[] = {{0444, false}, {0400, false}, {0640, true}, {0600, true}, {0664, true}};
    ASSERT_EQ(chown(dir.path().c_str(), nobody, nobody), 0);
    ASSERT_EQ(chown((dir / ".skylume").c_str(), nobody, nobody), 0);
    for (const mode_case& c : cases) {
        SCOPED_TRACE(c.mode);
        const std::string before = header + "_stream_count 3\n";
        write_file(prefs_file(), before);
        ASSERT_EQ(chown(prefs_file().c_str(), nobody, nobody), 0);
        ASSERT_EQ(chmod(prefs_file().c_str(), c.mode), 0);
        v.stream_count = 4;

        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (setgid(nobody) != 0 || setuid(nobody) != 0) _exit(2);
            alert_recorder alerts;
            pref.IO_set(pref_set_installer, 1);
            const auto& a = alerts.alerts();
            const bool alerted = a.size() == 1 && a[0].lines.l1.rfind("I could not save the file!", 0) == 0 &&
                                 a[0].lines.l2 == prefs_file() && a[0].type == t_alert;
            _exit(alerted == !c.saved && (c.saved || a.size() == 1) ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << "2: could not become unprivileged; 1: wrong alerts";

        struct stat st;
        ASSERT_EQ(stat(prefs_file().c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, c.mode);
        const std::string after = read_file(prefs_file());
        if (c.saved)
            EXPECT_NE(after.find("_stream_count 4\n"), std::string::npos);
        else
            EXPECT_EQ(after, before);
        EXPECT_NE(stat((prefs_file() + ".tmp").c_str(), &st), 0);
    }
}

TEST_F(InstallerPrefs, SaveThroughASymbolicLinkUpdatesItsTarget)
{
    const std::string target = dir / "elsewhere.prf";
    write_file(target, header + "_stream_count 3\n");
    ASSERT_EQ(symlink(target.c_str(), prefs_file().c_str()), 0);
    v.stream_count = 4;
    pref.IO_set(pref_set_installer, 1);

    struct stat st;
    ASSERT_EQ(lstat(prefs_file().c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_NE(read_file(target).find("_stream_count 4\n"), std::string::npos);
    EXPECT_NE(stat((target + ".tmp").c_str(), &st), 0);
    EXPECT_NE(stat((prefs_file() + ".tmp").c_str(), &st), 0);
    v.stream_count = 1;
    pref.IO_set(pref_set_installer, 0);
    EXPECT_EQ(v.stream_count, 4);
}

// Links another user could have planted: the preference file linked to a file
// of another user's, or to the user's own file through another user's link, is
// not saved (the cannot-save alert, nothing changed); a link planted at the
// temporary name is removed, never written through, and the save goes on.
TEST_F(InstallerPrefs, PlantedLinksAreNeverWrittenThrough)
{
    const std::string victim = dir / "victim";
    write_file(victim, "keep");
    ASSERT_EQ(chown(victim.c_str(), 65534, 65534), 0);
    v.stream_count = 4;
    {
        SCOPED_TRACE("the preference file is a link to another user's file");
        ASSERT_EQ(symlink(victim.c_str(), prefs_file().c_str()), 0);
        alert_recorder alerts;
        pref.IO_set(pref_set_installer, 1);
        ASSERT_EQ(alerts.alerts().size(), 1u);
        EXPECT_EQ(alerts.alerts()[0].lines.l1.rfind("I could not save the file!", 0), 0u);
        EXPECT_EQ(read_file(victim), "keep");
        unlink(prefs_file().c_str());
    }
    {
        SCOPED_TRACE("another user's link to the user's own file");
        const std::string own = dir / "own.prf";
        write_file(own, header + "_stream_count 3\n");
        ASSERT_EQ(symlink(own.c_str(), prefs_file().c_str()), 0);
        ASSERT_EQ(lchown(prefs_file().c_str(), 65534, 65534), 0);
        alert_recorder alerts;
        pref.IO_set(pref_set_installer, 1);
        EXPECT_EQ(alerts.alerts().size(), 1u);
        EXPECT_EQ(read_file(own), header + "_stream_count 3\n");
        unlink(prefs_file().c_str());
    }
    {
        SCOPED_TRACE("a link planted at the temporary name");
        ASSERT_EQ(symlink(victim.c_str(), (prefs_file() + ".tmp").c_str()), 0);
        pref.IO_set(pref_set_installer, 1);
        EXPECT_EQ(read_file(victim), "keep");
        struct stat st;
        ASSERT_EQ(lstat(prefs_file().c_str(), &st), 0);
        EXPECT_TRUE(S_ISREG(st.st_mode));
        EXPECT_NE(read_file(prefs_file()).find("_stream_count 4\n"), std::string::npos);
        EXPECT_NE(lstat((prefs_file() + ".tmp").c_str(), &st), 0);
    }
}

TEST_F(InstallerPrefs, FailedWriteKeepsThePreviousFile)
{
    const std::string before = header + "_stream_count 3\n";
    write_file(prefs_file(), before);
    v.dest_dir_path = std::string(4000, 'd'); // more than the file-size limit below lets through

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN); // a write past the limit then fails with EFBIG, like a full disk
        const rlimit small{100, 100};
        setrlimit(RLIMIT_FSIZE, &small);
        pref.IO_set(pref_set_installer, 1);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(read_file(prefs_file()), before);
    struct stat st;
    EXPECT_NE(stat((prefs_file() + ".tmp").c_str(), &st), 0);
}

TEST_F(InstallerPrefs, UnboundFileOrKeysTouchNothing)
{
    xer_capture log;
    EXPECT_EQ(pref.bind_int(pref_set_installer, "_dest_dir_path", &v.stream_count), 0);
    EXPECT_EQ(pref.bind_int(pref_set_installer, "_no_such_key", &v.stream_count), 0);
    EXPECT_EQ(pref.bind_int(12, "_stream_count", &v.stream_count), 0);
    EXPECT_NE(log.text().find("prefs: set 11 has no int key _dest_dir_path"), std::string::npos);

    pref.unbind_all();
    pref.bind_path(pref_set_installer, prefs_file);
    pref.bind_int(pref_set_installer, "_stream_count", &v.stream_count);
    pref.IO_set(pref_set_installer, 1); // only the bound key is written
    EXPECT_EQ(read_file(prefs_file()), header + "_stream_count 7\n");

    pref.unbind_all();
    pref.IO_set(pref_set_installer, 1);
    pref.IO_set(pref_set_installer, 2);
    EXPECT_EQ(read_file(prefs_file()), header + "_stream_count 7\n");
    EXPECT_NE(log.text().find("prefs: the installer preferences have no file bound"), std::string::npos);
}

TEST(DisplayPrefs, SizesOutsideTheRangeFallBack)
{
    temp_dir dir;
    mkdir((dir / "Resources").c_str(), 0755);
    const std::string file = dir / "Resources/preferences/Res Skysuite.prf";

    HL_reset_globals();
    app_path = dir.path() + "/";
    mnw.x_res_req = 1280;
    mnw.y_res_req = 1024;
    mnw.lang = 3;
    mnw.keylist_up = 1;
    pref.IO_set(pref_set_display, 1); // makes the missing preferences folder
    EXPECT_EQ(mnw.prefs_found, 1);
    const std::string text = read_file(file);
    EXPECT_NE(text.find("_x_res_req_ALL 1280\n_y_res_req_ALL 1024\n_col_res_req 0\n"), std::string::npos);
    EXPECT_NE(text.find("_prefs_found 1\n"), std::string::npos);

    mnw.x_res_req = mnw.y_res_req = mnw.lang = mnw.keylist_up = mnw.prefs_found = 0;
    pref.IO_set(pref_set_display, 0);
    EXPECT_EQ(mnw.x_res_req, 1280);
    EXPECT_EQ(mnw.y_res_req, 1024);
    EXPECT_EQ(mnw.lang, 3);
    EXPECT_EQ(mnw.keylist_up, 1);
    EXPECT_EQ(mnw.prefs_found, 1);

    struct size_case {
        int stored, want_x, want_y;
    };
    const size_case cases[] = {{500, 1024, 768}, {10000, 1024, 768}, {600, 600, 600}, {9999, 9999, 9999}};
    for (const size_case& c : cases) {
        SCOPED_TRACE(c.stored);
        const std::string n = std::to_string(c.stored);
        write_file(file, "I\n9001 version\n_x_res_req_ALL " + n + "\n_y_res_req_ALL " + n + "\n");
        pref.IO_set(pref_set_display, 0);
        EXPECT_EQ(mnw.x_res_req, c.want_x);
        EXPECT_EQ(mnw.y_res_req, c.want_y);
    }
    app_path.clear();
    HL_reset_globals();
}

} // namespace
