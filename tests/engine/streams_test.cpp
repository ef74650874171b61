// The whole engine, headless, on a fixture disc: read the manifest, make the
// folders, decide, and run the install step until it ends; then the tree is
// checked byte for byte. Also the failure paths and the stream control.
#include "engine/decisions.h"
#include "engine/dest_state.h"
#include "support/disc_fixture.h"
#include "engine_fixture.h"
#include "engine/finish.h"
#include "engine/folders.h"
#include "foundation/hl_types.h"
#include "engine/install_records.h"
#include "engine/manifest.h"
#include "engine/stg.h"
#include "engine/streams.h"
#include "support/zip_builder.h"
#include "files/zip_io.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

class Install : public disc_install_fixture {
protected:
    void SetUp() override
    {
        disc_install_fixture::SetUp();
        stg.log_actions = 1;
    }
    std::string log() { xer.flush(); return read_file(log_path); }
};

struct stat stat_of(const std::string& p)
{
    struct stat st{};
    lstat(p.c_str(), &st);
    return st;
}

TEST_F(Install, DiscInstallUpdatesTheProductAndLeavesTheUsersFilesAlone)
{
    const unsigned long when = dos_date(2007, 6, 15, 12, 30, 10);
    std::vector<disc_file> files = {
        {"Resources/new.txt", "brand new\n", 0100644, 0, {}, false, when},
        {"Resources/plugins/tool", "#!/bin/sh\necho hi\n", 0100755, 3, {}, false, when},
        {"old.txt", "version two\n", 0100644, 0, {md5_of("version one\n")}, false, when},
        {"modified.txt", "shipped\n", 0100644, 0, {}, false, when},
        {"current.txt", "same\n", 0100644, 0, {}, false, when},
        {"link", "Resources/new.txt", 0120777, 0, {}, false, when},
        {"Retired/deep/obsolete.dat", "", 0100644, 0, {md5_of("x")}, true, 0},
        {"Mac only.app", "mac", 0100644, 1, {}, false, when},
    };
    make_disc(disc, set, files);
    put_file("old.txt", "version one\n");
    put_file("modified.txt", "my own edit\n");
    put_file("current.txt", "same\n");
    put_file("Retired/deep/obsolete.dat", "x");
    put_file("Resources/mine.txt", "the user's own file\n");
    answers() = {sel_replace};

    EXPECT_EQ(run_install(), 1);
    EXPECT_TRUE(alerts.alerts().empty());
    EXPECT_EQ(next.all_done, 1);
    // The product folder took the set's name, since a platform file was installed.
    const std::string renamed = tmp / (set + "/");
    EXPECT_EQ(dest_dir_path, renamed);
    EXPECT_FALSE(fs::exists(product));

    struct expect_file {
        const char* rel;
        const char* bytes;
        unsigned mode;
    };
    const expect_file expected[] = {
        {"Resources/new.txt", "brand new\n", 0644}, {"Resources/plugins/tool", "#!/bin/sh\necho hi\n", 0755},
        {"old.txt", "version two\n", 0644},         {"modified.txt", "shipped\n", 0644},
        {"current.txt", "same\n", 0644},            {"Resources/mine.txt", "the user's own file\n", 0644},
    };
    for (const expect_file& e : expected) {
        SCOPED_TRACE(e.rel);
        EXPECT_EQ(read_file(renamed + e.rel), e.bytes);
        EXPECT_EQ(stat_of(renamed + e.rel).st_mode & 07777, e.mode);
    }
    EXPECT_EQ(fs::read_symlink(renamed + "link").string(), "Resources/new.txt");
    struct tm t = {};
    const time_t mtime = stat_of(renamed + "Resources/new.txt").st_mtime;
    localtime_r(&mtime, &t);
    EXPECT_EQ(t.tm_year + 1900, 2007);
    EXPECT_EQ(t.tm_hour, 12);
    EXPECT_FALSE(fs::exists(renamed + "Mac only.app"));
    EXPECT_FALSE(fs::exists(renamed + "Retired")); // emptied folders removed, innermost first
    EXPECT_TRUE(fs::is_directory(renamed + "Output/situations"));

    const std::string text = log();
    EXPECT_NE(text.find("now we want to nuke a file: DELETING  file " + product + "Retired/deep/obsolete.dat, with result=0.\n"),
              std::string::npos);
    EXPECT_NE(text.find("EXPANDING file " + product + "Resources/new.txt, with result=0.\n"), std::string::npos);
    EXPECT_NE(text.find("cleanup: DELETING  file " + product + "Retired/deep/, with result=0.\n"), std::string::npos);
    EXPECT_NE(text.find("cleanup: DELETING  file " + product + "Retired/, with result=0.\n"), std::string::npos);
    EXPECT_EQ(text.find("DELETING  file " + disc), std::string::npos); // the disc build keeps its archives
    EXPECT_EQ(crnt_file_name, "Mac only.app.zip");
}

// The disc keeps the blanks at the end of the set's name in its folder's name;
// the product folder takes the name without them.
TEST_F(Install, ASetNameEndingInBlanksNamesTheProductFolderWithoutThem)
{
    install_name = "Skylume 10 \t ";
    make_disc(disc, install_name, {{"Resources/plugins/tool", "#!/bin/sh\n", 0100755, 3, {}, false, 0}});
    EXPECT_EQ(run_install(), 1);
    EXPECT_TRUE(alerts.alerts().empty());
    EXPECT_EQ(dest_dir_path, tmp / "Skylume 10/");
    EXPECT_EQ(read_file(dest_dir_path + "Resources/plugins/tool"), "#!/bin/sh\n");
    EXPECT_FALSE(fs::exists(product));
}

TEST_F(Install, DamagedOrMissingArchivesEndInTheErrorStateWithOldFilesIntact)
{
    struct damage_case {
        const char* what;
        void (*damage)(const std::string& archive);
    };
    const damage_case cases[] = {
        {"missing", [](const std::string& a) { fs::remove(a); }},
        {"truncated", [](const std::string& a) { fs::resize_file(a, fs::file_size(a) / 2); }},
        {"not a zip", [](const std::string& a) { write_file(a, "this is no archive"); }},
    };
    for (const damage_case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(disc);
        fs::remove_all(tmp / (set + "/"));
        fs::create_directories(product);
        dest_dir_path = product;
        stg.install_error = 0;
        alerts.alerts().clear();
        make_disc(disc, set, {{"a.txt", "new a\n", 0100644, 3, {md5_of("old a\n")}, false, 0},
                              {"b.txt", std::string(100000, 'b'), 0100644, 0, {md5_of("old b\n")}, false, 0}});
        put_file("a.txt", "old a\n");
        put_file("b.txt", "old b\n");
        c.damage(disc + set + "/Top/b.txt.zip");
        next.all_done = 0;
        EXPECT_NE(run_install(), 0); // the run ends ...
        EXPECT_EQ(stg.install_error, 1);
        EXPECT_EQ(next.all_done, 0); // ... in its error state, never as done
        ASSERT_EQ(alerts.alerts().size(), 1u);
        EXPECT_EQ(alerts.alerts()[0].lines.l1, "The installer cannot extract a file.");
        EXPECT_EQ(read_file(product + "b.txt"), "old b\n");
        EXPECT_EQ(dest_dir_path, product); // no rename after a failure
        for (const auto& entry : fs::recursive_directory_iterator(product)) // no temporary file left
            EXPECT_EQ(entry.path().filename().string().find(".sky"), std::string::npos) << entry.path();
    }
}

TEST_F(Install, EmptyManifestFinishesAtOnce)
{
    next.reset_all_streams();
    EXPECT_EQ(grab_files(), 1);
    EXPECT_EQ(next.all_done, 1);
}

TEST_F(Install, DeleteWinsOverInstallAndSkipsKeepTheCounters)
{
    make_disc(disc, set, {{"a.txt", "a", 0100644, 0, {}, false, 0}, {"b.txt", "b", 0100644, 0, {}, false, 0},
                          {"c.txt", "c", 0100644, 0, {}, false, 0}});
    put_file("a.txt", "a");
    put_file("b.txt", "b");
    ASSERT_EQ(zip_to_file(disc + set + "/directory.txt.zip", temp_path, nullptr, 0), 0);
    ASSERT_EQ(read_directory(temp_path + "directory.txt", "t"), dir_ready);
    next.reset_all_streams();
    sim_info[0].versions.back().want_delete = sim_info[0].versions.back().want_install = 1;
    sim_info[2].versions.back().up_to_date = 0;
    struct step_case {
        int action;
        double kb_done;
    };
    const step_case steps[] = {{file_act_delete, 0}, {file_act_have, 0}, {file_act_skip, 0}};
    for (const step_case& s : steps) {
        grab_files();
        EXPECT_EQ(stg.file_action, s.action);
        EXPECT_EQ(next.download_kb_done, s.kb_done);
    }
    EXPECT_FALSE(fs::exists(product + "a.txt"));
    EXPECT_EQ(grab_files(), 1);
}

TEST_F(Install, RenameOnlyToAPlainNewFolderName)
{
    fs::create_directories(tmp / "taken");
    fs::create_directories(product + "Resources");
    struct rename_case {
        std::string dest;
        std::string name;
        int safe;
    };
    const rename_case cases[] = {
        {product, "Skylume 9", 1},
        {product, "", 0},
        {product, "..", 0},
        {product, ".", 0},
        {product, "a/b", 0},
        {product, "taken", 0},
        {product, "Skylume:9", 0}, // the file layer could not use the renamed folder
        {product, "Skylume\\9", 0},
        {product, ".Skylume", 0}, // a hidden product folder
        {product, "...", 0},
        {product, "Skylume\n9", 0},
        {product, "Skylume 9 ", 0},
        {"/", "x", 0},
        {"//", "x", 0},
        {tmp / "missing/", "x", 0},
        {"relative/", "x", 0},
    };
    for (const rename_case& c : cases) {
        SCOPED_TRACE(c.dest + " -> " + c.name);
        EXPECT_EQ(rename_is_safe(c.dest, c.name), c.safe);
    }
    // Nor one whose path would be past the file layer's length limit.
    const std::string deep_parent = tmp / (std::string(250, 'p') + "/");
    fs::create_directories(deep_parent + "P/Resources");
    EXPECT_EQ(rename_is_safe(deep_parent + "P/", "Skylume 9"), 1);
    EXPECT_EQ(rename_is_safe(deep_parent + "P/", std::string(250, 'n')), 0);
    // The home folder and every folder above it, however they are spelled.
    const char* home = getenv("HOME");
    const std::string saved = home ? home : "";
    fs::create_directories(product + "inner/Resources");
    setenv("HOME", (product + "inner").c_str(), 1);
    const std::string parent_of_tmp = tmp.path().substr(0, tmp.path().rfind('/') + 1);
    for (const std::string& dest : {product + "inner/", product + "/inner/", product + "./inner//", product + "inner/.."}) {
        SCOPED_TRACE(dest);
        EXPECT_EQ(rename_is_safe(dest, "x"), 0);
    }
    if (home) setenv("HOME", saved.c_str(), 1);
    else unsetenv("HOME");

    this_install_has_exes = 1;
    dest_at_install.state = dest_product; // the folder may take a name: only the name's check refuses
    install_name = "../../escape";
    finish_install();
    EXPECT_EQ(dest_dir_path, product);
    install_name = "Product"; // already so named: nothing to do
    finish_install();
    EXPECT_EQ(dest_dir_path, product);
}

TEST_F(Install, StreamControlFollowsTheRateWhenStreamsAreFree)
{
    install_type = 0;
    stg.stream_count = 0;
    struct rate_case {
        double kb;
        int running;
    };
    const rate_case cases[] = {{50.0, 2}, {50.5, 4}, {200.0, 4}, {10.0, 2}};
    for (const rate_case& c : cases) {
        SCOPED_TRACE(c.kb);
        sim_info.assign(10, file_history_struct{});
        for (auto& h : sim_info) h.versions.resize(1), h.versions[0].path = "Top/f";
        next.reset_all_streams();
        next.download_kb_done = c.kb;
        grab_files(); // stream 0 skips a file and starts one more stream when wanted
        int running = 0;
        for (int s = 0; s < max_streams; ++s) running += next.stream_on[s];
        EXPECT_EQ(running, c.running);
    }
    stg.stream_count = 9; // an edited preference file: clamped to four streams
    next.reset_all_streams();
    for (int i = 0; i < 3; ++i) grab_files();
    int running = 0;
    for (int s = 0; s < max_streams; ++s) running += next.stream_on[s];
    EXPECT_EQ(running, 4);
}


TEST_F(Install, AResetNeverTouchesTheUsersFiles)
{
    make_disc(disc, set, {{"a.txt", "a", 0100644, 0, {}, false, 0}});
    put_file("a.txt.zip", "the user's own archive");
    ASSERT_EQ(zip_to_file(disc + set + "/directory.txt.zip", temp_path, nullptr, 0), 0);
    ASSERT_EQ(read_directory(temp_path + "directory.txt", "t"), dir_ready);
    next.reset_all_streams();
    next.stream_state[0] = stream_busy; // stream 0 is at work on a.txt
    next.reset_all_streams();
    EXPECT_EQ(read_file(product + "a.txt.zip"), "the user's own archive");
}

// The failing stream is stopped in the same step in which every other running
// stream has passed the end: the run still ends in its error state.
TEST_F(Install, AFailedExtractionNeverFinishesTheRun)
{
    install_type = 0;
    stg.stream_count = 1;
    make_disc(disc, set, {{"a.txt", "a", 0100644, 3, {}, false, 0}});
    fs::remove(disc + set + "/Top/a.txt.zip");
    ASSERT_EQ(zip_to_file(disc + set + "/directory.txt.zip", temp_path, nullptr, 0), 0);
    ASSERT_EQ(read_directory(temp_path + "directory.txt", "t"), dir_ready);
    make_dirs();
    ASSERT_EQ(choose_files(), 1);
    next.reset_all_streams();
    next.stream_on[1] = 1;
    next.stream_file[1] = 1; // past the end
    deleted_files.insert(product + "Output/movies/");
    EXPECT_EQ(grab_files(), 1); // stg.install_error
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].lines.l1, "The installer cannot extract a file.");
    EXPECT_EQ(next.stream_on[0], 0);
    EXPECT_EQ(next.all_done, 0);
    EXPECT_TRUE(fs::is_directory(product + "Output/movies")); // no cleanup
    EXPECT_EQ(dest_dir_path, product);                         // no rename
}

TEST(ServerSwitch, DrawFavoursLowIndicesAndStaysInTheTable)
{
    struct draw_case {
        float r;
        int count;
        int index;
    };
    const draw_case cases[] = {{0.0f, 3, 0}, {0.9999f, 3, 2}, {0.5f, 3, 1}, {0.62f, 2, 0}, {0.64f, 2, 1},
                               {0.7f, 0, 0}, {0.7f, -4, 0}, {0.9999f, 20, 9}, {0.9999f, 1, 0}};
    for (const draw_case& c : cases) {
        SCOPED_TRACE(std::to_string(c.r) + " of " + std::to_string(c.count));
        EXPECT_EQ(ENG_pick_server(c.r, c.count), c.index);
    }
}

TEST_F(Install, StreamCountFromAnEditedPreferenceIsClamped)
{
    install_type = 0;
    auto running = [] {
        int n = 0;
        for (int s = 0; s < max_streams; ++s) n += next.stream_on[s];
        return n;
    };
    sim_info.assign(40, file_history_struct{});
    for (auto& h : sim_info) h.versions.resize(1), h.versions[0].path = "Top/f";
    stg.stream_count = -3; // as automatic: the rate decides, never zero streams
    next.reset_all_streams();
    grab_files();
    EXPECT_EQ(running(), 2);
    stg.stream_count = 4;
    next.reset_all_streams();
    grab_files();
    EXPECT_EQ(running(), 4);
    stg.stream_count = 1; // lowered mid-run: streams stop one by one as they finish files
    grab_files();
    EXPECT_EQ(running(), 1);
    EXPECT_EQ(next.stream_on[3], 1); // the last to finish in the step is the one left
}
} // namespace

namespace {

TEST(TempFolder, PrivateToTheRunAndRemovedAtTheEnd)
{
    const std::string saved = temp_path;
    ASSERT_EQ(ENG_make_temp_folder(), 1);
    const std::string made = temp_path;
    EXPECT_EQ(made.rfind("/tmp/skylume-", 0), 0u);
    EXPECT_EQ(made.back(), '/');
    struct stat st{};
    ASSERT_EQ(stat(made.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    write_file(made + "0.zip", "download");
    EXPECT_EQ(ENG_remove_temp_folder(), 1);
    EXPECT_FALSE(fs::exists(made));
    EXPECT_EQ(ENG_remove_temp_folder(), 0); // once only
    ASSERT_EQ(ENG_make_temp_folder(), 1);
    const std::string second = temp_path;
    temp_path = "/home/user/"; // never a folder the installer did not make
    EXPECT_EQ(ENG_remove_temp_folder(), 0);
    temp_path = second;
    EXPECT_EQ(ENG_remove_temp_folder(), 1);
    temp_path = saved;
}

} // namespace
