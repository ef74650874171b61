// about_check_test.cpp - the newer-installer check's state machine, pass by
// pass, with fakes for the download slots, the unpacking and the launch: the
// road to a launch, the refusals that never launch, the list's back-off, and
// the texts the window shows.
#include "about_fixture.h"

#include "about_fakes.h"
#include "files/io_errors.h"

#include <cerrno>
#include <deque>
#include <unistd.h>

namespace {

using namespace aboutfx;

struct about_check_fixture : about_fixture {
    void SetUp() override
    {
        about_fixture::SetUp();
        world = fake_world();
    }

    // Brings the check to the update button for an archive "src.zip" whose MD5
    // the list gives as `listed_md5` ("" for the archive's own).
    void offer_update(const std::string& listed_md5 = "")
    {
        const std::string md5 = make_installer_zip("src.zip");
        world.archive_from = "src.zip";
        world.list_bytes = final_release_list("dl.example", "/path/inst.zip", listed_md5.empty() ? md5 : listed_md5);
        world.verdicts[slot_serverlist] = {net_done};
        ABOUT_poll_list(0.0f, fakes);
        ASSERT_EQ(about_check.ins_state, ins_awaiting_click);
        ABOUT_update_clicked();
        ASSERT_EQ(about_check.ins_state, ins_awaiting_download);
    }
};

TEST_F(about_check_fixture, AVerifiedInstallerIsUnpackedPrivatelyAndStartedInTheNextPass)
{
    const std::string md5 = make_installer_zip("src.zip");
    world.archive_from = "src.zip";
    world.list_bytes = final_release_list("dl.example", "/path/inst.zip", md5);
    world.verdicts[slot_serverlist] = {net_running, net_done};

    ABOUT_poll_list(0.0f, fakes);
    EXPECT_EQ(about_check.ins_state, ins_awaiting_list);
    EXPECT_EQ(ABOUT_net_line(), "I could not connect to the net to find the current version of Skylume at " +
                                    std::string(about_site_name) + "!");
    ABOUT_poll_list(0.016f, fakes); // the running request is polled on, back-off or not
    EXPECT_EQ(about_check.ins_state, ins_awaiting_click); // decided in the same pass
    EXPECT_EQ(ABOUT_net_line(), "The current version of Skylume at is now 9.01.");
    EXPECT_EQ(ABOUT_update_label(), "Update Skylume!");
    EXPECT_EQ(ABOUT_state_work(fakes), "");
    ASSERT_EQ(world.calls.size(), 2u);
    EXPECT_EQ(world.calls[0].server, about_download_host);
    EXPECT_EQ(world.calls[0].path, "/serverlist.txt");
    EXPECT_EQ(world.calls[0].dest, "Resources/preferences/serverlist.txt");
    EXPECT_EQ(world.calls[0].max_bytes, 65536u);

    ABOUT_update_clicked();
    world.verdicts[slot_installer] = {net_running, net_done};
    world.downloading = true;
    world.written = 50;
    world.length = 200;
    EXPECT_EQ(ABOUT_state_work(fakes), "Downloading the installer...25% complete");
    EXPECT_EQ(world.calls.back().server, "dl.example");
    EXPECT_EQ(world.calls.back().path, "/path/inst.zip");
    EXPECT_EQ(world.calls.back().dest, "Resources/preferences/installer.zip");
    EXPECT_EQ(world.calls.back().max_bytes, 512u << 20);

    EXPECT_EQ(ABOUT_state_work(fakes), "");
    ASSERT_EQ(about_check.ins_state, ins_awaiting_launch);
    EXPECT_TRUE(world.launches.empty()); // the launch comes in the pass after the unpacking
    const std::string folder = about_check.installer_folder;
    EXPECT_EQ(folder.rfind(about_unpack_prefix, 0), 0u) << folder;
    struct stat st{};
    ASSERT_EQ(stat((app_path + folder).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u); // nobody else can put or swap files there
    EXPECT_EQ(about_check.installer_app_name, "Skylume Installer");
    EXPECT_EQ(read_file(app_path + folder + "Skylume Installer"), "#!/bin/sh\necho new installer\n");

    EXPECT_EQ(ABOUT_state_work(fakes), "");
    ASSERT_EQ(world.launches.size(), 1u);
    EXPECT_EQ(world.launches[0].first, folder + "Skylume Installer");
    EXPECT_EQ(world.launches[0].second, app_path);
    EXPECT_EQ(about_check.ins_state, ins_showing_message);
    const std::string failed = "There was an error launching the installer: No such file or directory (2)";
    EXPECT_EQ(ABOUT_state_work(fakes), failed);

    // The list had its "FINAL" line: it is never fetched again.
    for (float t = 1.0f; t < 2000.0f; t += 50.0f) ABOUT_poll_list(t, fakes);
    EXPECT_EQ(world.calls_to(slot_serverlist), 2);
    EXPECT_EQ(world.launches.size(), 1u);
}

TEST_F(about_check_fixture, AnArchiveThatFailsItsMd5IsNeverUnpackedNorStarted)
{
    struct refusal_case {
        const char* name;
        std::string listed; // the MD5 in the list ("" the archive's own)
        int md5_result;     // -1 the real signature
    };
    const refusal_case cases[] = {
        {"another md5", "ffffffffffffffffffffffffffffffff", -1},
        {"archive unreadable", "", err_file_open},
    };
    for (const refusal_case& c : cases) {
        SCOPED_TRACE(c.name);
        about_check.reset();
        world = fake_world();
        offer_update(c.listed);
        world.md5_result = c.md5_result;
        world.verdicts[slot_installer] = {net_done};
        EXPECT_EQ(ABOUT_state_work(fakes), "");
        EXPECT_EQ(about_check.ins_state, ins_showing_message);
        for (int pass = 0; pass < 50; ++pass)
            EXPECT_EQ(ABOUT_state_work(fakes), "The installer downloaded from the net did not pass its check. "
                                               "Please get the new installer from " + std::string(about_site_name) + ".");
        EXPECT_EQ(world.unzip_calls, 0);
        EXPECT_TRUE(world.launches.empty());
        EXPECT_EQ(access((dir / "Resources/preferences/installer.zip").c_str(), F_OK), -1); // not left behind
        EXPECT_EQ(world.calls_to(slot_installer), 1); // and not fetched again
    }
    EXPECT_NE(log.text().find("is not the listed ffffffffffffffffffffffffffffffff; not started"), std::string::npos);
}

TEST_F(about_check_fixture, UnpackingFailuresAndNamesOutsideThePrivateFolderStopAtAMessage)
{
    const std::string corrupt = "There was an error unzipping the installer: " + error_str(err_zip_corrupt) + " (20012)";
    struct unpack_case {
        const char* name;
        int folder_result, unzip_result;
        std::string first;
        std::string message; // empty: unpacked, launching next
    };
    const unpack_case cases[] = {
        {"archive unopenable", -1, err_zip_open, "",
         "There was an error unzipping the installer: We were unable to open a zip file. It may be missing or damaged "
         "(20001)"},
        {"no private folder", EACCES, -1, "", "There was an error unzipping the installer: " + error_str(EACCES) + " (13)"},
        {"nested name", -1, 0, "sub/installer", corrupt},
        {"climbing name", -1, 0, "../installer", corrupt},
        {"dot dot folder", -1, 0, "../", corrupt},
        {"dot folder", -1, 0, "./", corrupt},
        {"empty name", -1, 0, "", corrupt},
        {"folder first", -1, 0, "Skylume Installer/", ""},
    };
    for (const unpack_case& c : cases) {
        SCOPED_TRACE(c.name);
        about_check.reset();
        world = fake_world();
        offer_update();
        world.folder_result = c.folder_result;
        world.unzip_result = c.unzip_result;
        world.unzip_first = c.first;
        world.verdicts[slot_installer] = {net_done};
        ABOUT_state_work(fakes);
        if (c.message.empty()) {
            EXPECT_EQ(about_check.ins_state, ins_awaiting_launch);
            EXPECT_EQ(about_check.installer_app_name, "Skylume Installer"); // without its '/'
            continue;
        }
        EXPECT_EQ(ABOUT_state_work(fakes), c.message);
        EXPECT_TRUE(world.launches.empty());
    }
}

TEST_F(about_check_fixture, AFailedDownloadIsReportedAndNotRetried)
{
    offer_update();
    world.verdicts[slot_installer] = {net_running, net_failed};
    ABOUT_state_work(fakes);
    ABOUT_state_work(fakes);
    for (int pass = 0; pass < 10; ++pass)
        EXPECT_EQ(ABOUT_state_work(fakes), "I was unable to download the installer from the net.");
    EXPECT_EQ(world.calls_to(slot_installer), 2);
    EXPECT_TRUE(world.launches.empty());
}

TEST_F(about_check_fixture, TheListIsAskedForAgainOnlyAfterAGrowingWait)
{
    // Every request fails: the waits after them are 10, 20, 40, 80, 160 s, then 300 s each.
    const float starts[] = {0, 10, 30, 70, 150, 310, 610, 910};
    int expected_calls = 0;
    for (float start : starts) {
        SCOPED_TRACE(start);
        if (start > 0) {
            ABOUT_poll_list(start - 0.5f, fakes);
            EXPECT_EQ(world.calls_to(slot_serverlist), expected_calls); // too early: no request
        }
        ABOUT_poll_list(start, fakes);
        EXPECT_EQ(world.calls_to(slot_serverlist), ++expected_calls);
    }
    EXPECT_EQ(about_check.ins_state, ins_awaiting_list); // a failure decides nothing
}

TEST_F(about_check_fixture, AListWithoutAFinalLineIsFetchedAgainAndDecidedEachTime)
{
    world.list_bytes = "A\n820 version\nSERVERS\nFINAL_VERSION 90019\n";
    world.verdicts[slot_serverlist] = {net_done, net_done};
    ABOUT_poll_list(0.0f, fakes);
    EXPECT_EQ(ABOUT_state_work(fakes), "Your version of Skylume is up to date.");
    ABOUT_poll_list(5.0f, fakes);
    EXPECT_EQ(world.calls_to(slot_serverlist), 1);

    world.list_bytes = "I\n820\nSERVERS\nBETA_VERSION 90020\nFINAL_VERSION 90018\n"; // a beta without a location
    ABOUT_poll_list(10.0f, fakes);
    EXPECT_EQ(world.calls_to(slot_serverlist), 2);
    EXPECT_EQ(ABOUT_state_work(fakes), "There is a newer beta of Skylume available! Visit " +
                                           std::string(about_site_name) + " to download the update.");

    world.list_bytes = "A\n999 version\nSERVERS\nFINAL 9.99\n"; // refused header: the kept numbers decide
    world.verdicts[slot_serverlist] = {net_done};
    ABOUT_poll_list(30.0f, fakes);
    EXPECT_EQ(about_check.versions.version_str_found, 0);
    EXPECT_EQ(about_check.versions.version_final, 90018);
    EXPECT_EQ(about_check.ins_state, ins_showing_message);
}

TEST_F(about_check_fixture, ReopeningShowsTheKeptStateWithoutANewRequest)
{
    world.list_bytes = "A\n820 version\nSERVERS\nFINAL 9.00\nFINAL_VERSION 90019\n";
    world.verdicts[slot_serverlist] = {net_done};
    ABOUT_poll_list(0.0f, fakes);
    const std::string shown = ABOUT_state_work(fakes);
    for (float t = 0.0f; t < 1000.0f; t += 7.0f) ABOUT_poll_list(t, fakes);
    EXPECT_EQ(world.calls_to(slot_serverlist), 1);
    EXPECT_EQ(ABOUT_state_work(fakes), shown);
    EXPECT_EQ(shown, "Your version of Skylume is up to date.");
}

TEST_F(about_check_fixture, TheProgressTextNeverShowsAPercentageOutsideItsRange)
{
    struct progress_case {
        bool downloading;
        std::uint64_t written, length;
        const char* text;
    };
    const progress_case cases[] = {
        {true, 10, down_length_unknown, "Downloading the installer..."},
        {true, 0, 0, "Downloading the installer...0% complete"},
        {true, 1, 3, "Downloading the installer...33% complete"},
        {true, 200, 200, "Downloading the installer...100% complete"},
        {true, 300, 200, "Downloading the installer...100% complete"},
        {true, UINT64_MAX - 1, 1, "Downloading the installer...100% complete"},
        {false, 5, 10, "Downloading the installer...0% complete"},
    };
    offer_update();
    for (const progress_case& c : cases) {
        SCOPED_TRACE(c.text);
        world.downloading = c.downloading;
        world.written = c.written;
        world.length = c.length;
        world.verdicts[slot_installer] = {net_running};
        EXPECT_EQ(ABOUT_state_work(fakes), c.text);
    }
    EXPECT_EQ(ABOUT_percent(5, 0), 0);
    EXPECT_EQ(ABOUT_percent(5, down_length_unknown), 0);
}

TEST_F(about_check_fixture, OnlyARegularFileIsStarted)
{
    ASSERT_EQ(mkdir((dir / "folder").c_str(), 0700), 0);
    write_file(dir / "program", "#!/bin/sh\n");
    ASSERT_EQ(symlink((dir / "program").c_str(), (dir / "link").c_str()), 0);
    EXPECT_EQ(about_real_ops.launch("folder", app_path), EACCES);
    EXPECT_EQ(about_real_ops.launch("link", app_path), EACCES);
    EXPECT_EQ(about_real_ops.launch("missing", app_path), ENOENT);
}

TEST_F(about_check_fixture, TheBetaChannelOffersItsOwnButton)
{
    const std::string md5 = make_installer_zip("src.zip");
    world.list_bytes = "A\n820 version\nSERVERS\nFINAL_VERSION 90018\nBETA_VERSION 90020\n"
                       "BETA_INSTALLER_LIN beta.example /b/inst.zip\nBETA_INSTALLER_LIN_MD5 " + md5 + "\n";
    world.verdicts[slot_serverlist] = {net_done};
    ABOUT_poll_list(0.0f, fakes);
    EXPECT_EQ(about_check.ins_state, ins_awaiting_click);
    EXPECT_EQ(ABOUT_update_label(), " Get New Beta! ");
    EXPECT_EQ(about_check.installer.server, "beta.example");
    EXPECT_EQ(about_check.installer.path, "/b/inst.zip");
}

} // namespace
