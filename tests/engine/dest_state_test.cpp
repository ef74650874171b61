// What the destination held before an installation decides whether the
// product folder takes the install set's name at the end: a folder the run
// made, an empty one or an earlier installation with nothing beside it does;
// a user's folder keeps its name, the product installed among its files, and
// the log says why, for the rest of the run and at later runs. The same at the
// top of the file system, in a chroot of the test's own folder.
#include "engine/dest_state.h"
#include "engine/folders.h"
#include "engine/product_lock.h"
#include "engine/install_records.h"
#include "engine/stg.h"
#include "engine/streams.h"
#include "engine_fixture.h"
#include "foundation/hl_types.h"
#include "support/disc_fixture.h"

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <set>

namespace fs = std::filesystem;

namespace {

void make(const std::string& folder, const std::vector<std::string>& rels)
{
    fs::create_directories(folder);
    for (const std::string& rel : rels) {
        const std::string path = folder + rel;
        if (rel.back() == '/') {
            fs::create_directories(path);
            continue;
        }
        fs::create_directories(fs::path(path).parent_path());
        write_file(path, "the user's own " + rel + "\n");
    }
}

// A manifest of four histories: a folder, the program, a file at the top
// and a file the new version deletes, each below the product's top folder.
void list_in_manifest()
{
    const char* const paths[] = {"Skylume/Resources/data.txt", "Skylume/Skylume-x86", "Skylume/Manual.txt",
                                 "Skylume/Retired/old.dat"};
    for (const char* p : paths) {
        file_history_struct h;
        h.versions.push_back(file_version_struct{});
        h.versions.back().path = p;
        h.versions.back().sig_want = md5_abc;
        sim_info.push_back(h);
    }
    sim_info.back().versions.push_back(sim_info.back().versions.back());
    sim_info.back().versions.back().sig_want = sig_gone;
}

class DestState : public engine_fixture {};

TEST_F(DestState, WhatAFolderHeld)
{
    list_in_manifest();
    const std::set<std::string> own = ENG_product_top_names();
    const std::string base = tmp.path() + "/";
    write_file(base + "file", "x");
    struct state_case {
        const char* what;
        std::vector<std::string> entries; // made below the folder; a final '/' makes a folder
        dest_state expected;
    } cases[] = {
        {"an empty folder", {}, dest_empty},
        {"its own Resources folder", {"Resources/"}, dest_product},
        {"the four marker folders", {"Airfoils/", "Instructions/", "Output/", "Resources/"}, dest_product},
        {"every top name the manifest lists, a deleted file's folder among them",
         {"Resources/data.txt", "Skylume-x86", "Manual.txt", "Retired/old.dat", "Output/logbooks/"}, dest_product},
        {"the product and a partial file a killed run left", {"Resources/", "Skylume-x86", ".sky-unzip-999999-3"},
         dest_product},
        {"the four marker folders within longer names: the user's",
         {"Airfoils old/", "Instructions/", "My Output/", "Old Resources/"}, dest_foreign},
        {"three marker folders", {"Airfoils/", "Instructions/", "Output/"}, dest_foreign},
        {"marker names as files", {"Airfoils", "Instructions", "Output", "Resources"}, dest_foreign},
        {"only a file named like the program", {"Skylume-x86"}, dest_foreign},
        {"a user's documents", {"letter.txt", "photos/summer.jpg"}, dest_foreign},
        {"only a hidden file", {".profile"}, dest_foreign},
        {"the product and a user's letter", {"Resources/data.txt", "Skylume-x86", "letter.txt"}, dest_foreign},
        {"the product and a user's hidden file", {"Resources/", ".notes"}, dest_foreign},
        {"the product and a folder of the user's", {"Resources/", "Airfoils/", "my liveries/"}, dest_foreign},
        {"the product and a listed name in another case", {"Resources/", "skylume-x86"}, dest_foreign},
        {"a folder named like the manifest paths' first component, which is not a name in the product folder",
         {"Resources/", "Skylume/"}, dest_foreign},
    };
    int n = 0;
    for (const state_case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string folder = base + "case" + std::to_string(++n) + "/";
        make(folder, c.entries);
        EXPECT_EQ(ENG_dest_state(folder, own), c.expected);
    }
    EXPECT_EQ(ENG_dest_state(base + "missing/", own), dest_new);
    EXPECT_EQ(ENG_dest_state(base + "file/", own), dest_foreign);
    // A link named Resources is not the product's own folder.
    make(base + "data/", {"data.txt"});
    make(base + "linked/", {});
    fs::create_directory_symlink(base + "data", base + "linked/Resources");
    EXPECT_EQ(ENG_dest_state(base + "linked/", own), dest_foreign);
}

// One disc with a Linux file (so the install asks for the rename), installed
// into a folder prepared per case, here or at the top of a chroot.
class DestRename : public disc_install_fixture {
protected:
    struct rename_case {
        const char* what;
        std::vector<std::string> before; // the folder's entries before the install; none: no folder
        bool exists;
        bool renamed;
    };
    const std::vector<rename_case> cases = {
        {"missing: this run makes it", {}, false, true},
        {"empty", {}, true, true},
        {"an earlier installation", {"Resources/", "Resources/my notes.txt"}, true, true},
        {"a user's documents", {"letter.txt", "photos/summer.jpg"}, true, false},
        {"a user's folder that holds an Output folder", {"Output/", "notes.txt"}, true, false},
        {"an earlier installation among a user's files", {"Resources/", "Resources/my notes.txt", "letter.txt"}, true,
         false},
    };

    void SetUp() override
    {
        disc_install_fixture::SetUp();
        make_disc(disc, set, {{"Resources/data.txt", "data\n", 0100644, 0, {}, false, 0},
                              {"Skylume-x86", "#!/bin/sh\n", 0100755, 3, {}, false, 0}});
        fs::remove(product);
    }
    // Runs install(dest) for each case on a fresh folder at root + "Folder/"
    // (dest its path as the install sees it) and checks what is left at root.
    void each_case(const std::string& root, const std::string& dest, const std::function<void(const std::string&)>& install)
    {
        for (const rename_case& c : cases) {
            SCOPED_TRACE(c.what);
            const std::string folder = root + "Folder/", renamed = root + set + "/";
            fs::remove_all(folder);
            fs::remove_all(renamed);
            if (c.exists) make(folder, c.before);
            const size_t log_from = log().size();
            install(dest);
            const std::string now = c.renamed ? renamed : folder;
            EXPECT_EQ(fs::exists(folder), !c.renamed);
            EXPECT_EQ(read_file(now + "Resources/data.txt"), "data\n") << "the product was not installed there";
            for (const std::string& rel : c.before)
                EXPECT_TRUE(fs::exists(now + rel)) << rel;
            const bool said = log().find("The folder " + dest + " keeps its name: before this installation it "
                                         "held files that are not Skylume's.\n",
                                         log_from) != std::string::npos;
            EXPECT_EQ(said, !c.renamed);
        }
    }
    // The install step's road into dest, with every record fresh. 1 when it finished cleanly.
    int install_into(const std::string& dest)
    {
        dest_dir_path = dest;
        dest_at_install = dest_record_struct{};
        next = next_class{};
        const int r = run_install();
        return r == 1 && !stg.install_error && alerts.alerts().empty();
    }
    std::string log()
    {
        xer.flush();
        return read_file(log_path);
    }
};

TEST_F(DestRename, OnlyTheProductsOwnFolderTakesTheSetsName)
{
    each_case(tmp.path() + "/", tmp / "Folder/", [&](const std::string& dest) { EXPECT_TRUE(install_into(dest)); });
}

// INSTALL, then the licence declined: the folders made then (Resources among
// them) change nothing at the run's next INSTALL.
TEST_F(DestRename, WhatTheFirstInstallOfARunFoundHoldsForTheRun)
{
    struct second_install_case {
        const char* what;
        bool users; // the folder held the user's letter; else the first INSTALL made it
        bool renamed;
    } second_cases[] = {{"a user's folder", true, false}, {"a folder the run made", false, true}};
    for (const second_install_case& c : second_cases) {
        SCOPED_TRACE(c.what);
        const std::string folder = tmp / "Folder/", renamed = tmp / (set + "/");
        fs::remove_all(folder);
        fs::remove_all(renamed);
        if (c.users) make(folder, {"letter.txt"});
        dest_dir_path = folder;
        dest_at_install = dest_record_struct{};
        examined_folder = examined_folder_struct{}; // a new destination, not examined yet
        ASSERT_EQ(make_dirs(), 1);
        ENG_unlock_product_folder();
        ASSERT_TRUE(fs::is_directory(folder + "Resources"));
        next = next_class{};
        EXPECT_EQ(run_install(), 1);
        EXPECT_EQ(fs::exists(renamed), c.renamed);
        EXPECT_EQ(fs::exists((c.renamed ? renamed : folder) + "letter.txt"), c.users);
    }
}

// X, INSTALL, the licence declined; Y, the same; X again and INSTALL to the
// end: X was the user's, whatever the first INSTALL made in it and whatever
// was chosen in between. The second X is the user's only by the run's memory:
// its own folders bear the product's names, and the first INSTALL added Resources.
TEST_F(DestRename, AFolderFoundTheUsersStaysSoForTheRun)
{
    struct xyx_case {
        const char* what;
        std::vector<std::string> x_before;
    } xyx_cases[] = {
        {"a user's letter", {"letter.txt"}},
        {"the user's own Instructions and Output folders", {"Instructions/", "Output/render.png"}},
    };
    const std::string x = tmp / "X/", y = tmp / "Y/", renamed = tmp / (set + "/");
    // INSTALL in folder, then the licence declined: the files are still chosen, nothing is installed.
    auto install_declined = [&](const std::string& folder) {
        dest_dir_path = folder;
        EXPECT_TRUE(prepare_install());
        ENG_unlock_product_folder();
    };
    for (const xyx_case& c : xyx_cases) {
        SCOPED_TRACE(c.what);
        for (const std::string& f : {x, y, renamed}) fs::remove_all(f);
        make(x, c.x_before);
        make(y, {"notes.txt"});
        dest_at_install = dest_record_struct{}; // a new run of the program
        install_declined(x);
        ASSERT_TRUE(fs::is_directory(x + "Resources"));
        install_declined(y);
        dest_dir_path = x;
        next = next_class{};
        const size_t log_from = log().size();
        EXPECT_EQ(run_install(), 1);
        EXPECT_FALSE(fs::exists(renamed)) << "the user's folder was renamed";
        EXPECT_EQ(read_file(x + "Resources/data.txt"), "data\n");
        for (const std::string& rel : c.x_before)
            EXPECT_TRUE(fs::exists(x + rel)) << rel;
        EXPECT_NE(log().find("The folder " + x + " keeps its name", log_from), std::string::npos);
    }
}

TEST_F(DestRename, AFolderAtTheTopOfTheFileSystemTheSame)
{
    if (geteuid() != 0 || std::system("unshare -m --propagation private true 2>/dev/null") != 0)
        GTEST_SKIP() << "needs root and mount namespaces for a chroot with /proc";
#if defined(__SANITIZE_THREAD__)
    // The install runs in a child forked from this threaded process, which
    // ThreadSanitizer does not follow: it reports the child's new workers.
    GTEST_SKIP() << "an install in a forked child is not followed by ThreadSanitizer";
#endif
    // The test's folder becomes "/" for a child, in a mount namespace of its
    // own with /proc bound in (the extraction names its files through it): the
    // disc, the temporary folder and the destination are found there, and
    // nothing outside is touched.
    fs::create_directories(tmp / "proc");
    dvd_path = "/disc/";
    temp_path = "/";
    each_case(tmp.path() + "/", "/Folder/", [&](const std::string& dest) {
        xer.flush();
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) { // never returns into the tests: they would run on inside the chroot
            int ok = 0;
            try {
                ok = unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                     mount("/proc", (tmp / "proc").c_str(), nullptr, MS_BIND | MS_REC, nullptr) == 0 &&
                     chroot(tmp.path().c_str()) == 0 && chdir("/") == 0 && install_into(dest);
            } catch (...) {
            }
            xer.flush();
            _exit(ok ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the install in the chroot failed";
    });
}

} // namespace
