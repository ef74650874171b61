// Writes outside the product folder: which links a write may follow, and that a
// refused or planted link never changes the file it points at. The tests run as
// root, so "another user" is uid 65534 (nobody) given the files with lchown.
#include "foundation/safe_open.h"

#include "foundation/hl_types.h"
#include "foundation/utl_memory.h"
#include "support/testkit.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uid_t other_user = 65534;

struct link_case {
    const char* name;
    void (*make)(const std::string& dir); // lays out dir/out (and what it points at)
    bool allowed;
    const char* target; // relative to dir when allowed
};

void own_file(const std::string& d) { write_file(d + "/out", "old"); }
void nothing(const std::string&) {}
void own_link_own_file(const std::string& d)
{
    write_file(d + "/real", "old");
    symlink("real", (d + "/out").c_str());
}
void own_link_chain(const std::string& d)
{
    write_file(d + "/real", "old");
    symlink("real", (d + "/mid").c_str());
    symlink(( d + "/mid").c_str(), (d + "/out").c_str());
}
void own_link_to_others_file(const std::string& d)
{
    write_file(d + "/victim", "old");
    chown((d + "/victim").c_str(), other_user, other_user);
    symlink("victim", (d + "/out").c_str());
}
void others_link_to_own_file(const std::string& d)
{
    write_file(d + "/real", "old");
    symlink("real", (d + "/out").c_str());
    lchown((d + "/out").c_str(), other_user, other_user);
}
void others_link_in_the_middle(const std::string& d)
{
    write_file(d + "/real", "old");
    symlink("real", (d + "/mid").c_str());
    lchown((d + "/mid").c_str(), other_user, other_user);
    symlink("mid", (d + "/out").c_str());
}
void link_into_nothing(const std::string& d) { symlink("absent", (d + "/out").c_str()); }
void link_to_a_folder(const std::string& d)
{
    mkdir((d + "/folder").c_str(), 0755);
    symlink("folder", (d + "/out").c_str());
}
void link_to_a_device(const std::string& d) { symlink("/dev/null", (d + "/out").c_str()); }
void others_hard_link(const std::string& d)
{
    write_file(d + "/victim", "old");
    chown((d + "/victim").c_str(), other_user, other_user);
    link((d + "/victim").c_str(), (d + "/out").c_str());
}
void others_plain_file(const std::string& d)
{
    write_file(d + "/out", "old");
    chown((d + "/out").c_str(), other_user, other_user);
}

const link_case link_cases[] = {
    {"a plain file", own_file, true, "out"},
    {"nothing there yet", nothing, true, "out"},
    {"the user's link to the user's file", own_link_own_file, true, "real"},
    {"a chain of the user's links", own_link_chain, true, "real"},
    {"the user's link to another user's file", own_link_to_others_file, false, nullptr},
    {"another user's link to the user's file", others_link_to_own_file, false, nullptr},
    {"another user's link inside the chain", others_link_in_the_middle, false, nullptr},
    {"a link into nothing", link_into_nothing, false, nullptr},
    {"a link to a folder", link_to_a_folder, false, nullptr},
    {"a link to a device", link_to_a_device, false, nullptr},
    {"a hard link to another user's file", others_hard_link, false, nullptr},
    {"another user's plain file with one name", others_plain_file, true, "out"},
};

} // namespace

TEST(SafeOpen, WhichLinksAWriteFollows)
{
    for (const link_case& c : link_cases) {
        SCOPED_TRACE(c.name);
        temp_dir dir;
        c.make(dir.path());
        std::string target;
        const int allowed = UTL_write_target(dir / "out", target);
        EXPECT_EQ(allowed, c.allowed ? 1 : 0);
        if (c.allowed) {
            EXPECT_EQ(target, dir / c.target);
        }

        const int fd = UTL_open_for_writing(dir / "out", 1);
        EXPECT_EQ(fd >= 0, c.allowed);
        if (fd >= 0) {
            EXPECT_EQ(write(fd, "new", 3), 3);
            close(fd);
            EXPECT_EQ(read_file(dir / c.target), "new");
        } else {
            EXPECT_EQ(errno, EPERM);
        }
        struct stat st;
        if (stat((dir / "victim").c_str(), &st) == 0) {
            EXPECT_EQ(read_file(dir / "victim"), "old");
        }
    }
}

TEST(SafeOpen, AppendKeepsWhatIsThere)
{
    temp_dir dir;
    write_file(dir / "log", "one\n");
    const int fd = UTL_open_for_writing(dir / "log", 0);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(write(fd, "two\n", 4), 4);
    close(fd);
    EXPECT_EQ(read_file(dir / "log"), "one\ntwo\n");
}

// A link or file planted at a temporary name is removed, and the file pointed
// at keeps its bytes; a folder there makes the create fail.
TEST(SafeOpen, TemporaryFilesAreMadeAnew)
{
    temp_dir dir;
    write_file(dir / "victim", "old");
    ASSERT_EQ(symlink((dir / "victim").c_str(), (dir / "save.tmp").c_str()), 0);
    int fd = UTL_create_temp(dir / "save.tmp");
    ASSERT_GE(fd, 0);
    EXPECT_EQ(write(fd, "new", 3), 3);
    close(fd);
    EXPECT_EQ(read_file(dir / "victim"), "old");
    EXPECT_EQ(read_file(dir / "save.tmp"), "new");

    mkdir((dir / "folder.tmp").c_str(), 0755);
    EXPECT_LT(UTL_create_temp(dir / "folder.tmp"), 0);
}

// The memory report empties MemoryLog.txt in the program's folder at the first
// alert: never through a link another user could have planted there.
TEST(SafeOpen, TheMemoryReportEmptiesNoPlantedLink)
{
    temp_dir dir;
    const std::string saved_app_path = app_path;
    app_path = dir.path() + "/";
    write_file(dir / "victim", "keep");
    chown((dir / "victim").c_str(), other_user, other_user);
    ASSERT_EQ(symlink((dir / "victim").c_str(), (dir / "MemoryLog.txt").c_str()), 0);
    UTL_reset_mem_report();
    dump_mem_stats("test");
    EXPECT_EQ(read_file(dir / "victim"), "keep");

    unlink((dir / "MemoryLog.txt").c_str());
    write_file(dir / "MemoryLog.txt", "earlier report");
    UTL_reset_mem_report();
    dump_mem_stats("test");
    EXPECT_EQ(read_file(dir / "MemoryLog.txt"), "");
    app_path = saved_app_path;
}
