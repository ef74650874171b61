// Folders and files: making, renaming, deleting, and asking whether they exist.
#include "files/io_utils.h"

#include "files/find_path.h"
#include "foundation/hl_types.h"
#include "files/io_errors.h"
#include "files/io_paths.h"
#include "support/testkit.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace {

bool is_dir(const std::string& p)
{
    struct stat st;
    return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

TEST(MakeFolder, OneLevelWithItsMode)
{
    temp_dir dir;
    const mode_t old_mask = umask(022);
    EXPECT_EQ(make_folder(dir / "a/"), 0);
    EXPECT_EQ(make_folder(dir / "a/b/"), 0);
    umask(old_mask);
    struct stat st;
    ASSERT_EQ(stat((dir / "a/b").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755u);

    sErrLine = 0;
    EXPECT_EQ(make_folder(dir / "a/b"), EEXIST);
    EXPECT_NE(sErrLine, 0);
    EXPECT_EQ(std::string(sErrFile), "Files/io_utils");
    EXPECT_EQ(make_folder(dir / "x/y/"), ENOENT); // parents are not made
}

TEST(RenameFile, JoinsNamesToTheFolder)
{
    temp_dir dir;
    write_file(dir / "old", "1");
    EXPECT_EQ(rename_file(dir.path() + "/", "old", "new"), 0);
    EXPECT_EQ(read_file(dir / "new"), "1");
    EXPECT_EQ(rename_file(dir.path() + "/", "old", "again"), ENOENT);
}

TEST(DeleteFile, FilesFoldersAndLinks)
{
    temp_dir dir;
    mkdir((dir / "empty").c_str(), 0755);
    mkdir((dir / "full").c_str(), 0755);
    write_file(dir / "full/f", "x");
    write_file(dir / "target", "x");
    ASSERT_EQ(symlink((dir / "target").c_str(), (dir / "link").c_str()), 0);

    app_path = dir.path() + "/";
    const int empty_folder = delete_file("empty/");
    const int full_folder = delete_file("full/");
    const int link = delete_file("link");
    const int missing = delete_file("missing");
    app_path.clear();

    EXPECT_EQ(empty_folder, 0);
    EXPECT_FALSE(is_dir(dir / "empty"));
    EXPECT_EQ(full_folder, ENOTEMPTY);
    EXPECT_EQ(link, 0);
    EXPECT_EQ(read_file(dir / "target"), "x"); // the link goes, its target stays
    EXPECT_EQ(missing, ENOENT);
    EXPECT_EQ(delete_file(""), ENOENT);
    EXPECT_EQ(show_del_err(full_folder), 0);
}

TEST(Exists, FilesAndFoldersInEitherCase)
{
    temp_dir dir;
    mkdir((dir / "Folder").c_str(), 0755);
    write_file(dir / "Folder/File.txt", "x");
    struct exists_case {
        std::string path;
        int case_lookup;
        int file, folder;
    };
    const exists_case cases[] = {
        {dir / "Folder/File.txt", 0, 1, 0},
        {dir / "Folder", 0, 0, 1},
        {dir / "Folder/", 0, 0, 1},
        {dir / "folder/file.TXT", 0, 0, 0},
        {dir / "folder/file.TXT", 1, 1, 0},
        {dir / "FOLDER/", 1, 0, 1},
        {dir / "missing", 1, 0, 0},
        {dir / std::string(500, 'x'), 1, 0, 0}, // refused without ending the program
    };
    xer_capture log;
    for (const exists_case& c : cases) {
        SCOPED_TRACE(c.path.substr(0, 80) + (c.case_lookup ? " (any case)" : ""));
        g_case_sensitive = c.case_lookup;
        EXPECT_EQ(file_exists(c.path), c.file);
        EXPECT_EQ(dir_exists(c.path), c.folder);
    }
    g_case_sensitive = 0;
    EXPECT_NE(log.text().find("file_exists: path too long"), std::string::npos);
}

// "Cannot be examined" is never "missing": only a path with nothing at it,
// or with a non-folder on the way, is absent.
TEST(Exists, AbsentOnlyWhenNothingIsThere)
{
    temp_dir dir;
    const std::string long_folder = dir / (std::string(250, 'l') + "/" + std::string(250, 'm'));
    mkdir((dir / "we:ird").c_str(), 0755);
    mkdir((dir / "Folder").c_str(), 0755);
    std::filesystem::create_directories(long_folder);
    write_file(dir / "we:ird/a.txt", "x");
    write_file(dir / "Folder/File.txt", "x");
    write_file(long_folder + "/a.txt", "x");
    ASSERT_EQ(symlink("nowhere", (dir / "dangling").c_str()), 0);
    struct absent_case {
        std::string path;
        int case_lookup;
        int absent;
    };
    const absent_case cases[] = {
        {dir / "we:ird/a.txt", 0, 0},  {dir / "we:ird/b.txt", 0, 1},      {long_folder + "/a.txt", 0, 0},
        {long_folder + "/b.txt", 1, 1}, {dir / "Folder", 0, 0},            {dir / "dangling", 0, 0},
        {dir / "Folder/File.txt/x", 0, 1}, {dir / "folder/file.TXT", 0, 1}, {dir / "folder/file.TXT", 1, 0},
        {dir / "missing/x", 1, 1},
    };
    xer_capture log;
    for (const absent_case& c : cases) {
        SCOPED_TRACE(c.path.substr(dir.path().size()).substr(0, 60) + (c.case_lookup ? " (any case)" : ""));
        g_case_sensitive = c.case_lookup;
        EXPECT_EQ(file_is_absent(c.path), c.absent);
    }
    g_case_sensitive = 0;
}

TEST(Exists, PathsTheFileCallsTake)
{
    temp_dir dir;
    xer_capture log;
    EXPECT_EQ(path_usable(dir / "plain/", "t"), 1);
    EXPECT_EQ(path_usable(dir / "a:b/", "t"), 0);
    EXPECT_EQ(path_usable(dir / "a\\b/", "t"), 0);
    EXPECT_EQ(path_usable(std::string(io_max_path, 'x'), "t"), 1);
    EXPECT_EQ(path_usable(std::string(io_max_path + 1, 'x'), "t"), 0);
    EXPECT_NE(log.text().find("t: path too long"), std::string::npos);
}

} // namespace

// One cause (a destination too long for every file of a manifest) logs a few
// lines, each with its path cut short, then says the rest go unlogged.
TEST(PathRules, OneCauseLogsAFewShortLines)
{
    xer_capture log;
    const std::string huge = "/" + std::string(1u << 20, 'd') + "/";
    for (int i = 0; i < 1000; ++i) EXPECT_EQ(IO_path_length_ok(huge + std::to_string(i), "examine"), 0);
    EXPECT_EQ(IO_path_dirchars_ok("a:b", "examine"), 0); // another cause still logs
    const std::string text = log.text();
    EXPECT_LT(text.size(), 8000u);
    EXPECT_NE(text.find("examine: path too long: further paths refused so are not logged"), std::string::npos);
    EXPECT_NE(text.find("... (1048579 bytes)"), std::string::npos);
    EXPECT_NE(text.find("examine: bad folder character in path: a:b"), std::string::npos);
}
