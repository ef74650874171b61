// disc_check_test.cpp - the disc's version file, the install set's name, the
// manifest fetch into the private temporary folder and its scan.
#include "installer/disc_check.h"

#include "engine/install_records.h"
#include "engine/stg.h"
#include "engine/streams.h"
#include "files/io_errors.h"
#include "foundation/hl_types.h"
#include "installer/screen_ops.h"
#include "installer_fixture.h"
#include "support/disc_fixture.h"
#include "support/zip_builder.h"
#include "files/disc.h"

#include <sys/stat.h>

#include <cstring>

namespace {

TEST(VersionLines, TheLastVersionLineNamesTheSet)
{
    struct row {
        const char* name;
        std::string body;
        int found;
        const char* set;
    } rows[] = {
        {"plain", "VERSION Skylume 9.70\n", 1, "Skylume 9.70"},
        {"blanks around, two kept at the end", "  \t VERSION   \tSky 9  \r\nother\n", 1, "Sky 9  "},
        {"alone on its line", "VERSION\nX 1\n", 1, ""},
        {"last word of the file", "X 1\nVERSION", 1, ""},
        {"two lines: the second wins", "VERSION one\nVERSION two\n", 1, "two"},
        {"lower case does not count", "version low\n", 0, ""},
        {"a longer word does not count", "VERSIONS many\n", 0, ""},
        {"after other lines", "DATE 2026\n\n\nVERSION late\n", 1, "late"},
        {"NUL ends the name", std::string("VERSION ab\0cd\n", 14), 1, "ab"},
        {"no end of line", "VERSION tail", 1, "tail"},
        {"empty body", "", 0, ""},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        std::string name = "unchanged";
        const int found = INS_read_version_lines(r.body.data(), r.body.data() + r.body.size(), &name);
        EXPECT_EQ(found, r.found);
        if (r.found) {
            EXPECT_EQ(name, r.set);
        }
    }
}

// The product folder's name is the set's name without the blanks at its end.
TEST(InstallName, OnePlainFolderName)
{
    struct row {
        std::string name;
        int ok;
    } rows[] = {
        {"Skylume 9.70", 1}, {"Sky  ", 1},   {"Sky \t ", 1},  {"   ", 0},      {" \t", 0},
        {"", 0},             {".", 0},        {"..", 0},      {". ", 0},
        {"a/b", 0},          {"../up", 0},   {"/abs", 0},    {"...", 0},      {std::string("a\0b", 3), 0},
        {".hidden", 0},      {"Sky\tlume", 0}, {"Sky\nlume", 0}, {"Sky\x7f", 0}, {"Sky 10", 1},
        {"Skylume 9.", 1},   {"Sky\xc3\xa9", 1},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(INS_install_name_ok(r.name), r.ok);
    }
}

class DiscCheck : public installer_fixture {
protected:
    temp_dir disc;
    void SetUp() override
    {
        installer_fixture::SetUp();
        STG_set_defaults();
        install_name = no_install_name;
        dvd_path = disc.path() + "/";
        INS_reset_disc_check();
    }
    void TearDown() override
    {
        ENG_remove_temp_folder();
        demo = demo_class{};
        installer_fixture::TearDown();
    }
    void marker(const std::string& text) { write_file(disc / "dvd_version.txt", text); }
    // A disc of its own in a folder under the disc's, with this version file.
    std::string other_disc(const std::string& name, const std::string& text)
    {
        const std::string folder = disc / name;
        mkdir(folder.c_str(), 0755);
        write_file(folder + "/dvd_version.txt", text);
        return folder + "/";
    }
};

TEST_F(DiscCheck, AnAcceptedFileNamesTheSetAndSettlesTheServers)
{
    marker("I\n900 version\nDVD\nVERSION Skylume 9.70\n");
    EXPECT_EQ(INS_check_disc_version(), 1);
    EXPECT_EQ(install_name, "Skylume 9.70");
    EXPECT_EQ(stg.server_count, 0);
}

TEST_F(DiscCheck, AnyOtherFileLeavesTheDiscUncheckedForTheNextFrame)
{
    struct row {
        const char* name;
        const char* text; // nullptr: no file
    } rows[] = {
        {"no file", nullptr},
        {"other version", "I\n899 version\nDVD\nVERSION A\n"},
        {"other keyword", "I\n900 version\nINSTALLER\nVERSION A\n"},
        {"no VERSION line", "I\n900 version\nDVD\nDATE today\n"},
        {"a name that leaves the disc's folder", "I\n900 version\nDVD\nVERSION ../../etc\n"},
        {"an empty name", "I\n900 version\nDVD\nVERSION\n"},
        {"the name ..", "I\n900 version\nDVD\nVERSION ..\n"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        std::remove((disc / "dvd_version.txt").c_str());
        if (r.text) marker(r.text);
        EXPECT_EQ(INS_check_disc_version(), 0);
        EXPECT_EQ(install_name, no_install_name);
        EXPECT_EQ(stg.server_count, -1);
    }
    // A version file with no usable name is told once for the disc, naming the file.
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].lines.l2, dvd_path + "dvd_version.txt");
    alerts.alerts().clear();
}

TEST_F(DiscCheck, ADiscInsertedLaterIsFoundOnATick)
{
    dvd_path.clear();
    demo.mtab_path = disc / "no-mtab";
    demo.fixed_folders = {disc.path() + "/"};
    EXPECT_EQ(INS_look_for_disc(0), 0); // between ticks: no search
    EXPECT_EQ(INS_look_for_disc(1), 0); // no disc yet: silently none
    marker("I\n900 version\nDVD\nVERSION Set\n");
    EXPECT_EQ(INS_look_for_disc(1), 1);
    EXPECT_EQ(dvd_path, disc.path() + "/");
    EXPECT_TRUE(alerts.alerts().empty()); // the missing mount table is not alerted again and again
}

// Start-up's search stops at the first disc header; when that disc names no
// usable set, the search goes on everywhere it looks, and the refused disc is
// told once however often the search passes it.
TEST_F(DiscCheck, ARefusedDiscLeavesTheSearchToFindAGoodOneElsewhere)
{
    const std::string bad = other_disc("bad", "I\n900 version\nDVD\nVERSION .hidden\n");
    const std::string good = other_disc("good", "I\n900 version\nDVD\nVERSION Set\n");
    demo.mtab_path = disc / "mtab";
    write_file(demo.mtab_path, ""); // nothing mounted: the usual mount folders are tried
    demo.fixed_folders = {bad, good};
    ASSERT_EQ(demo.check_any(0, 1), 1);
    ASSERT_EQ(dvd_path, bad);
    for (int frame = 0; frame < 3; ++frame) {
        EXPECT_EQ(INS_look_for_disc(0), 1);
        EXPECT_EQ(INS_check_disc_version(), 0);
    }
    EXPECT_EQ(INS_look_for_disc(1), 1);
    EXPECT_EQ(dvd_path, good);
    EXPECT_EQ(INS_check_disc_version(), 1);
    EXPECT_EQ(install_name, "Set");
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].lines.l2, bad + "dvd_version.txt");
    alerts.alerts().clear();
}

// With no disc found, the version file is looked for in the program's folder;
// one there that names no usable set is told like a disc's.
TEST_F(DiscCheck, WithoutADiscABadVersionFileInTheProgramFolderIsTold)
{
    dvd_path.clear();
    app_path = disc.path() + "/";
    marker("I\n900 version\nDVD\nVERSION\n");
    EXPECT_EQ(INS_check_disc_version(), 0);
    EXPECT_EQ(INS_check_disc_version(), 0);
    EXPECT_EQ(stg.server_count, -1);
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].lines.l2, app_path + "dvd_version.txt");
    alerts.alerts().clear();
}

class ManifestFetch : public DiscCheck {
protected:
    void SetUp() override
    {
        DiscCheck::SetUp();
        disc_file a;
        a.rel = "Resources/a.txt";
        a.data = std::string(3000, 'a'); // lists 2 kB on disk, so the scan has a size to add up
        make_disc(dvd_path, "Set", {a});
        ASSERT_EQ(INS_check_disc_version(), 1);
        ASSERT_EQ(ENG_make_temp_folder(), 1);
    }
};

TEST_F(ManifestFetch, ExtractsIntoThePrivateFolderAndScans)
{
    const manifest_paths p = INS_manifest_paths();
    EXPECT_EQ(p.dvd_dir_path_zip, dvd_path + "Set/directory.txt.zip");
    EXPECT_EQ(p.dir_path, temp_path + "directory.txt");
    EXPECT_EQ(p.dir_path_path, temp_path);
    EXPECT_NE(temp_path, "/tmp/");
    ASSERT_EQ(INS_fetch_manifest(p), 1);
    EXPECT_EQ(stg.dir_phase, dir_scan);
    EXPECT_NE(read_file(p.dir_path).find("INSTALLER"), std::string::npos);

    dest_dir_path = home.path() + "/Skylume/";
    INS_scan_manifest(p);
    EXPECT_EQ(stg.dir_phase, dir_ready);
    ASSERT_EQ(sim_info.size(), 1u);
    EXPECT_GT(stg.disk_kb, 0);
}

TEST_F(ManifestFetch, AStaleManifestIsNeverRead)
{
    const manifest_paths p = INS_manifest_paths();
    write_file(p.dir_path, "I\n900 version\nINSTALLER\nstale\n");
    // An archive without the manifest: the stale file must not stand in for it.
    zip_entry_spec other;
    other.name = "readme.txt";
    other.data = "no manifest here";
    ASSERT_TRUE(make_zip(p.dvd_dir_path_zip, {other}));
    EXPECT_THROW(INS_fetch_manifest(p), fatal_alert);
    EXPECT_NE(stg.dir_phase, dir_scan);
    struct stat st;
    EXPECT_NE(stat(p.dir_path.c_str(), &st), 0);
}

TEST_F(ManifestFetch, AFailedExtractionIsTheFatalDiscScanAlert)
{
    manifest_paths p = INS_manifest_paths();
    p.dvd_dir_path_zip = dvd_path + "Gone/directory.txt.zip";
    EXPECT_THROW(INS_fetch_manifest(p), fatal_alert);
    ASSERT_EQ(alerts.alerts().size(), 1u);
    const alert_lines& l = alerts.alerts()[0].lines;
    EXPECT_EQ(l.l1, "DVD scan: The installer cannot extract a file.");
    EXPECT_EQ(l.l2, "Error: " + error_str(err_zip_open));
    EXPECT_EQ(l.l3, "Compressed File/" + p.dvd_dir_path_zip);
    EXPECT_EQ(l.l4, "Destination Path/" + temp_path);
}

TEST_F(ManifestFetch, NeverIntoASharedFolder)
{
    ENG_remove_temp_folder();
    temp_path = "/tmp/"; // the fallback when no private folder could be made
    const manifest_paths p = INS_manifest_paths();
    EXPECT_THROW(INS_fetch_manifest(p), fatal_alert);
    EXPECT_EQ(alerts.alerts().at(0).lines.l4, "Destination Path//tmp/");
    EXPECT_EQ(stg.dir_phase, dir_fetch);
}

} // namespace
