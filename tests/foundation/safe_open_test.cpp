// Writes outside the product folder: which links a write may follow, and that a
// refused or planted link never changes the file it points at. The tests run as
// root, so "another user" is uid 65534 (nobody) given the files with lchown.
#include "foundation/safe_open.h"

#include "foundation/hl_types.h"
#include "foundation/utl_memory.h"
#include "support/testkit.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <future>
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

// ---- what is swapped in between the check and the open ------------------------------------------

namespace {

// What an attacker puts at the checked name in the moment between the check
// and the open; the victim is another user's file beside it.
struct swap_case {
    const char* name;
    void (*plant)(const std::string& at, const std::string& victim);
};

void plant_link(const std::string& at, const std::string& victim)
{
    unlink(at.c_str());
    symlink(victim.c_str(), at.c_str());
}
void plant_hard_link(const std::string& at, const std::string& victim)
{
    unlink(at.c_str());
    link(victim.c_str(), at.c_str());
}
void plant_fifo(const std::string& at, const std::string&) // nobody reads it
{
    unlink(at.c_str());
    mkfifo(at.c_str(), 0666);
}

const swap_case swap_cases[] = {
    {"a link to another user's file", plant_link},
    {"a second name of another user's file", plant_hard_link},
    {"a FIFO", plant_fifo},
};

const swap_case* swap_now = nullptr;
std::string swap_victim;

void swap_in(const std::string& name) { swap_now->plant(name, swap_victim); }

// Runs open_call with the swap set, on a thread of its own so that an open
// that blocks shows as a failure instead of a hung test. The descriptor, or
// -1; waited_too_long when it did not return within two seconds.
int open_with_swap(const swap_case& c, const std::string& victim, int (*open_call)(const std::string&),
                   const std::string& at, bool& waited_too_long)
{
    swap_now = &c;
    swap_victim = victim;
    UTL_safe_open_gap = swap_in;
    auto pending = std::async(std::launch::async, open_call, at);
    waited_too_long = pending.wait_for(std::chrono::seconds(2)) != std::future_status::ready;
    if (waited_too_long) { // a reader lets the blocked open go, so the test can end
        const int reader = open(at.c_str(), O_RDONLY | O_NONBLOCK);
        const int fd = pending.get();
        if (fd >= 0) close(fd);
        if (reader >= 0) close(reader);
    }
    UTL_safe_open_gap = nullptr;
    return waited_too_long ? -1 : pending.get();
}

int open_log(const std::string& at) { return UTL_open_for_writing(at, 1); }
int open_temp(const std::string& at) { return UTL_create_temp(at); }

} // namespace

// The name passed every check, then was swapped: the open refuses what it
// finds, at once, and the victim keeps every byte. A write through anything
// that was opened would show in the victim.
TEST(SafeOpen, WhatIsSwappedInAfterTheCheckIsRefusedAtOnceAndKeepsItsBytes)
{
    const struct {
        const char* name;
        int (*open_call)(const std::string&);
        const char* what_was_there; // nullptr: nothing at the name before
    } opens[] = {
        {"a log emptied afresh", open_log, "the user's old log"},
        {"a log that was not there yet", open_log, nullptr},
        {"a temporary file", open_temp, "a leftover"},
    };
    for (const auto& o : opens) {
        for (const swap_case& c : swap_cases) {
            SCOPED_TRACE(std::string(o.name) + ", swapped for " + c.name);
            temp_dir dir;
            write_file(dir / "victim", "the victim's bytes");
            chown((dir / "victim").c_str(), other_user, other_user);
            if (o.what_was_there) write_file(dir / "out", o.what_was_there);

            bool waited_too_long = false;
            const int fd = open_with_swap(c, dir / "victim", o.open_call, dir / "out", waited_too_long);
            EXPECT_FALSE(waited_too_long);
            EXPECT_LT(fd, 0);
            if (fd >= 0) {
                EXPECT_EQ(write(fd, "new", 3), 3);
                close(fd);
            }
            EXPECT_EQ(read_file(dir / "victim"), "the victim's bytes");
        }
    }
}

// The open that never blocks hands back a descriptor that does, and a log
// that passed the check is emptied only then.
TEST(SafeOpen, ACheckedFileIsEmptiedAndWrittenAsUsual)
{
    temp_dir dir;
    write_file(dir / "log", "earlier run");
    const int fd = UTL_open_for_writing(dir / "log", 1);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(fcntl(fd, F_GETFL) & O_NONBLOCK, 0);
    EXPECT_EQ(read_file(dir / "log"), "");
    EXPECT_EQ(write(fd, "this run", 8), 8);
    close(fd);
    EXPECT_EQ(read_file(dir / "log"), "this run");
}
