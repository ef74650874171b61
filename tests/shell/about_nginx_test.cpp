// about_nginx_test.cpp - the newer-installer check against a real nginx on
// 127.0.0.1, reached through the proxy setting: the list and the archive
// come over the real download slots, are verified and unpacked for real; only
// the launch, which would end this process, is recorded instead.
#include "about_fixture.h"

#include "support/net_peers.h"

#include <chrono>
#include <memory>
#include <thread>

namespace {

std::vector<std::pair<std::string, std::string>> launched; // program, argument

int record_launch(const std::string& program, const std::string& argument)
{
    launched.push_back({program, argument});
    return ENOENT;
}

struct about_nginx_fixture : about_fixture {
    std::string www = dir / "www";
    std::unique_ptr<local_nginx> server;
    about_ops ops = about_real_ops;

    void SetUp() override
    {
        about_fixture::SetUp();
        launched.clear();
        ops.launch = record_launch;
        ASSERT_EQ(mkdir(www.c_str(), 0755), 0);
        ASSERT_EQ(mkdir((www + "/linux").c_str(), 0755), 0);
        ASSERT_EQ(mkdir((dir / "nginx").c_str(), 0755), 0);
        server.reset(new local_nginx(dir / "nginx", www));
        ASSERT_TRUE(server->ok()) << read_file(dir / "nginx/error.log");
        xtim = xtim_class(); // the frame clock stands still: no idle time-out
        http.proxy_host = "127.0.0.1";
        http.proxy_port = server->port();
    }

    // Runs passes of the window's work, pressing the update button when it
    // shows, until the check launches or settles on a message.
    void run_passes()
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        for (long i = 0; std::chrono::steady_clock::now() < deadline; ++i) {
            ABOUT_poll_list(0.0f, ops);
            if (about_check.ins_state == ins_awaiting_click) ABOUT_update_clicked();
            else if (about_check.ins_state == ins_showing_message) return;
            ABOUT_state_work(ops);
            if (i % 64 == 63) std::this_thread::yield();
        }
        ADD_FAILURE() << "the check did not settle in time";
    }
};

TEST_F(about_nginx_fixture, ANewerInstallerComesThroughTheProxyAndIsStartedFromItsPrivateFolder)
{
    const std::string md5 = make_installer_zip("www/linux/Skylume Installer.zip");
    write_file(www + "/serverlist.txt", final_release_list(about_download_host, "/linux/Skylume Installer.zip", md5));
    run_passes();
    ASSERT_EQ(launched.size(), 1u) << about_check.err_msg;
    EXPECT_EQ(launched[0].first, about_check.installer_folder + "Skylume Installer");
    EXPECT_EQ(launched[0].second, app_path);
    EXPECT_EQ(read_file(app_path + launched[0].first), "#!/bin/sh\necho new installer\n");
    EXPECT_EQ(about_check.err_msg, "There was an error launching the installer: No such file or directory (2)");
    EXPECT_EQ(ABOUT_net_line(), "The current version of Skylume at is now 9.01.");
}

TEST_F(about_nginx_fixture, AnArchiveThatIsNotTheListedOneIsRefused)
{
    make_installer_zip("www/linux/inst.zip");
    const std::string other = make_installer_zip("other.zip", "Something Else");
    write_file(www + "/serverlist.txt", final_release_list(about_download_host, "/linux/inst.zip", other));
    run_passes();
    EXPECT_TRUE(launched.empty());
    EXPECT_EQ(about_check.err_msg.rfind("The installer downloaded from the net did not pass its check.", 0), 0u)
        << about_check.err_msg;
}

} // namespace
