// Install records: path helpers, the platform filter and the path check that
// keeps manifest paths inside the product folder.
#include "engine_fixture.h"
#include "engine/install_records.h"
#include "engine/stg.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace {

TEST(Records, PathHelpers)
{
    struct trim_case {
        const char* in;
        const char* out;
    };
    for (const trim_case& c : {trim_case{"a/b/c", "b/c"}, {"a/", ""}, {"abc", "abc"}, {"", ""}, {"/x/y", "x/y"}}) {
        SCOPED_TRACE(c.in);
        std::string p = c.in;
        trim_dest_folder(p);
        EXPECT_EQ(p, c.out);
    }
    EXPECT_EQ(path_has_no_file("a/b/"), 1);
    EXPECT_EQ(path_has_no_file("a/b"), 0);
    EXPECT_EQ(path_has_no_file(""), 0);

    struct split_case {
        const char* path;
        const char* folder;
    };
    for (const split_case& c : {split_case{"/a/b/c.txt", "/a/b/"}, {"/a/b/", "/a/"}, {"name", ""}, {"a/", "a/"}}) {
        SCOPED_TRACE(c.path);
        std::string folder = "stale";
        get_path_with_path(folder, c.path);
        EXPECT_EQ(folder, c.folder);
    }
}

TEST(Records, ManifestPathsMustStayInsideTheProduct)
{
    struct inside_case {
        std::string path;
        int inside;
    };
    const inside_case cases[] = {
        {"Top/a.txt", 1},
        {"Top/Resources/plugins/x.so", 1},
        {"Top/name with blanks ", 1},
        {"Top/..hidden", 1},
        {"Top", 1},
        {"", 0},
        {"/etc/passwd", 0},
        {"Top/../../etc/passwd", 0},
        {"Top/a/../b", 0},
        {"Top/./a", 0},
        {"Top//a", 0},
        {"Top/", 0},
        {"Top/..", 0},
        {"../x", 0}, // the top folder is part of the archive's path on the disc
        {"./x", 0},
        {"/x", 0},
        {std::string("Top/a\0b", 7), 0},
    };
    for (const inside_case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(path_stays_inside(c.path), c.inside);
    }
}

TEST(Records, OperatingSystemFolders)
{
    temp_dir home;
    const char* old_home = std::getenv("HOME");
    const std::string saved = old_home ? old_home : "";
    setenv("HOME", home.path().c_str(), 1);
    std::string out;
    get_OS_abs_path(os_dir_temp, out);
    EXPECT_EQ(out, "/tmp/");
    get_OS_abs_path(os_dir_desktop, out);
    EXPECT_EQ(out, home.path() + "/");
    get_OS_abs_path(os_dir_prefs, out);
    EXPECT_EQ(out, home.path() + "/.skylume/");
    struct stat st;
    EXPECT_EQ(stat(out.c_str(), &st), 0);
    get_OS_abs_path(os_dir_this_app, out);
    EXPECT_FALSE(out.empty());
    EXPECT_EQ(out.back(), '/');
    out = "kept";
    get_OS_abs_path(7, out);
    EXPECT_EQ(out, "kept");
    if (old_home) setenv("HOME", saved.c_str(), 1);
}

// HOME unset or empty: the home comes from the password database; a user it
// has no entry for has no home, and no folder is given (never the current
// folder or the root). Run in a child as such users, so that nothing is made in
// the real home of the user running the tests.
TEST(Records, WithoutHomeThePasswordDatabaseOrNoFolder)
{
    struct home_case {
        const char* name;
        uid_t uid;
        const char* home; // nullptr: HOME unset
        const char* desktop;
    };
    const home_case cases[] = {
        {"HOME unset: the database's home", 65534, nullptr, "/nonexistent/"},
        {"HOME empty: the database's home", 65534, "", "/nonexistent/"},
        {"HOME unset and no entry", 54321, nullptr, "kept"},
        {"HOME empty and no entry", 54321, "", "kept"},
    };
    for (const home_case& c : cases) {
        SCOPED_TRACE(c.name);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (setuid(c.uid) != 0) _exit(3);
            if (c.home) setenv("HOME", c.home, 1);
            else unsetenv("HOME");
            int wrong = 0;
            for (int which : {os_dir_desktop, os_dir_default_apps}) {
                std::string out = "kept";
                get_OS_abs_path(which, out);
                wrong += out != c.desktop;
            }
            std::string prefs = "kept";
            get_OS_abs_path(os_dir_prefs, prefs);
            wrong += prefs != (std::string(c.desktop) == "kept" ? "kept" : std::string(c.desktop) + ".skylume/");
            _exit(wrong ? 1 : 0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
}

TEST(Records, DestinationBecomesAnAbsoluteFolderPath)
{
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    struct dest_case {
        std::string in, out;
    };
    const dest_case cases[] = {{"/opt/Sky/", "/opt/Sky/"}, {"/opt/Sky", "/opt/Sky/"}, {"", ""},
                               {"Sky", std::string(cwd) + "/Sky/"}};
    for (const dest_case& c : cases) {
        SCOPED_TRACE(c.in);
        dest_dir_path = c.in;
        ENG_normalise_dest_dir();
        EXPECT_EQ(dest_dir_path, c.out);
    }
    dest_dir_path.clear();
}

class PlatformFilter : public engine_fixture {};

TEST_F(PlatformFilter, WantedPlatformsPerOperatingSystem)
{
    struct filter_case {
        int platform;
        int mac, windows, linux_;
    };
    const filter_case cases[] = {
        {0, 1, 1, 1}, {1, 1, 0, 0}, {2, 0, 1, 0}, {3, 0, 0, 1}, {4, 0, 0, 0},
        {5, 0, 0, 0}, {6, 0, 0, 1}, {7, 0, 0, 0}, {-1, 0, 0, 0},
    };
    sim_info.assign(1, file_history_struct{});
    sim_info[0].versions.resize(1);
    file_version_struct& v = sim_info[0].versions[0];
    v.match_code = 2;
    for (const filter_case& c : cases) {
        SCOPED_TRACE(c.platform);
        v.platform = c.platform;
        stg.download_os = os_mac;
        EXPECT_EQ(want_this_f(0, 0, 2), c.mac);
        stg.download_os = os_windows;
        EXPECT_EQ(want_this_f(0, 0, 2), c.windows);
        stg.download_os = os_linux;
        EXPECT_EQ(want_this_f(0, 0, 2), c.linux_);
        EXPECT_EQ(want_this_f(0, 0, 1), 0); // another match code is never wanted
    }
}

} // namespace
