// One installer per product folder, and a clean start after a killed run: the
// lock on the product folder, the partial files of a killed extraction and the
// temporary folders of installers that are gone.
#include "engine_fixture.h"
#include "engine/finish.h"
#include "engine/folders.h"
#include "engine/install_records.h"
#include "engine/leftovers.h"
#include "engine/product_lock.h"
#include "engine/streams.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

// The pid of a process that has ended: the owner of a killed run's leftovers.
pid_t ended_pid()
{
    const pid_t child = fork();
    if (child == 0) _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

// Another installer's hold on a folder: its own open of the folder, locked.
// flock belongs to the open, so this conflicts with the engine's as another
// process would.
struct other_installer {
    int fd;
    explicit other_installer(const std::string& folder) : fd(open(folder.c_str(), O_RDONLY | O_DIRECTORY)) {}
    ~other_installer() { close(fd); }
    bool lock() { return flock(fd, LOCK_EX | LOCK_NB) == 0; }
    void unlock() { flock(fd, LOCK_UN); }
};

class RunGuard : public engine_fixture {
protected:
    void add(const std::string& path)
    {
        file_history_struct h;
        h.versions.resize(1);
        h.versions[0].path = path;
        h.versions[0].sig_want = "A";
        sim_info.push_back(h);
    }
};

TEST_F(RunGuard, ASecondInstallerOnTheSameFolderIsToldAndTouchesNothing)
{
    add("Top/Aircraft/a.txt");
    other_installer other(product);
    ASSERT_TRUE(other.lock());
    EXPECT_EQ(make_dirs(), 0);
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].lines.l1, "Another Skylume installer is working on this folder right now.");
    EXPECT_EQ(alerts.alerts()[0].lines.l3, "Install Location: " + product);
    EXPECT_TRUE(fs::is_empty(product)); // no folder made, nothing cleaned

    // Once the other has finished, this run takes the folder and holds it to its end.
    other.unlock();
    EXPECT_EQ(make_dirs(), 1);
    EXPECT_TRUE(fs::is_directory(product + "Aircraft"));
    EXPECT_FALSE(other.lock());
    EXPECT_EQ(make_dirs(), 1); // the same run asking again keeps its lock
    finish_install();
    EXPECT_TRUE(other.lock());
}

// Two real installers: this process runs; a second process asks for the same
// folder, is refused, and makes nothing.
TEST_F(RunGuard, ASecondProcessIsRefusedWhileTheFirstRuns)
{
    add("Top/Aircraft/a.txt");
    ASSERT_EQ(make_dirs(), 1);
    fs::remove_all(product + "Aircraft");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Forget the inherited open of the folder: the lock stays with the
        // parent's, and this process asks for the folder as a new installer would.
        ENG_unlock_product_folder();
        const int r = make_dirs();
        const bool told = alerts.alerts().size() == 1u;
        _exit(r == 0 && told && !fs::exists(product + "Aircraft") ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(make_dirs(), 1); // the first installer's own run goes on
}

// The lock belongs to the folder, not to its name: the rename at the end of a
// run does not let another installer in before the run is over.
TEST_F(RunGuard, TheLockFollowsTheFolderThroughItsRename)
{
    int err = 0;
    ASSERT_EQ(ENG_lock_product_folder(&err), lock_held);
    const std::string renamed = tmp / "Skylume 9";
    ASSERT_EQ(rename(product.c_str(), renamed.c_str()), 0);
    other_installer other(renamed);
    EXPECT_FALSE(other.lock());
    ENG_unlock_product_folder();
    EXPECT_TRUE(other.lock());
    dest_dir_path = tmp / "missing/";
    EXPECT_EQ(ENG_lock_product_folder(&err), lock_failed);
    EXPECT_EQ(err, ENOENT);
}

TEST_F(RunGuard, TheNextRunRemovesThePartialFilesOfAKilledExtraction)
{
    add("Top/Resources/plugins/a.so");
    add("Top/top.txt");
    fs::create_directories(product + "Resources/plugins");
    const std::string gone = std::to_string(ended_pid());
    const std::string alive = std::to_string(getppid());
    struct leftover_case {
        std::string rel;
        bool link;
        bool removed;
    };
    const leftover_case cases[] = {
        {"Resources/plugins/.sky-unzip-" + gone + "-1", false, true},
        {"Resources/plugins/.sky-unzip-" + gone + "-22", true, true}, // a link's temporary name
        {".sky-unzip-" + gone + "-3", false, true},
        {"Resources/plugins/.sky-unzip-" + alive + "-1", false, false}, // its installer still runs
        {"Resources/plugins/.sky-unzip-" + std::to_string(getpid()) + "-9", false, false},
        {"Resources/plugins/.sky-unzip-" + gone + "-", false, false}, // not the pattern
        {"Resources/plugins/.sky-unzip-" + gone + "-1x", false, false},
        {"Resources/plugins/.sky-unzip-notes", false, false},
        {"Resources/plugins/sky-unzip-" + gone + "-1", false, false},
        {"Resources/.sky-unzip-" + gone + "-1", false, false}, // no wanted file in that folder
    };
    for (const leftover_case& c : cases) {
        if (c.link) {
            ASSERT_EQ(symlink("a.so", (product + c.rel).c_str()), 0);
        } else {
            write_file(product + c.rel, "partial");
        }
    }
    fs::create_directories(product + "Resources/plugins/.sky-unzip-" + gone + "-5"); // never a folder
    EXPECT_EQ(make_dirs(), 1);
    for (const leftover_case& c : cases) {
        SCOPED_TRACE(c.rel);
        EXPECT_EQ(fs::exists(fs::symlink_status(product + c.rel)), !c.removed);
    }
    EXPECT_TRUE(fs::is_directory(product + "Resources/plugins/.sky-unzip-" + gone + "-5"));
    EXPECT_TRUE(alerts.alerts().empty());
}

TEST_F(RunGuard, TemporaryFoldersOfInstallersThatAreGoneAreRemoved)
{
    temp_dir root_dir;
    const std::string root = root_dir.path() + "/";
    const std::string gone = std::to_string(ended_pid());
    const std::string alive = std::to_string(getppid());
    enum kind { folder, file };
    struct temp_case {
        std::string name;
        kind is;
        bool removed;
    };
    const temp_case cases[] = {
        {"skylume-" + gone + "-aB3xYz", folder, true},
        {"skylume-" + alive + "-aB3xYz", folder, false},
        {"skylume-" + std::to_string(getpid()) + "-aB3xYz", folder, false},
        {"skylume-" + gone + "-aB3xY", folder, false}, // not mkdtemp's six characters
        {"skylume-" + gone + "-aB3x.z", folder, false},
        {"skylume-" + gone + "-aB3xYq", file, false}, // never anything but a folder
        {"skylume-aB3xYz", folder, false},              // an older installer's: owner unknown
        {"sky_test-" + gone + "-aB3xYz", folder, false},
    };
    for (const temp_case& c : cases) {
        if (c.is == folder) {
            fs::create_directories(root + c.name + "/inner");
            write_file(root + c.name + "/inner/0.zip", "download");
        } else {
            write_file(root + c.name, "x");
        }
    }
    EXPECT_EQ(ENG_remove_stale_temp_folders(root), 1);
    for (const temp_case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(fs::exists(root + c.name), !c.removed);
    }
}

// Start-up makes its own temporary folder and clears the dead ones first.
TEST(TempFolderStart, ClearsTheFoldersOfKilledInstallersAndNamesItsOwner)
{
    const std::string saved = temp_path;
    std::string stale = "/tmp/skylume-" + std::to_string(ended_pid()) + "-XXXXXX";
    ASSERT_NE(mkdtemp(stale.data()), nullptr);
    write_file(stale + "/1.zip", "half a download");
    ASSERT_EQ(ENG_make_temp_folder(), 1);
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_EQ(temp_path.rfind("/tmp/skylume-" + std::to_string(getpid()) + "-", 0), 0u);
    EXPECT_EQ(ENG_remove_temp_folder(), 1);
    temp_path = saved;
}

} // namespace
