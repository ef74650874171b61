// The network build of the engine, end to end against a real nginx on
// 127.0.0.1 reached through the proxy setting: one server fails, the streams
// switch to the other, every file arrives and the downloads are cleaned up.
#include "engine/decisions.h"
#include "support/disc_fixture.h"
#include "engine_fixture.h"
#include "engine/folders.h"
#include "foundation/hl_types.h"
#include "files/http.h"
#include "engine/install_records.h"
#include "engine/manifest.h"
#include "support/net_peers.h"
#include "engine/stg.h"
#include "engine/streams.h"
#include "files/zip_io.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>

namespace fs = std::filesystem;

namespace {

class NetInstall : public engine_fixture {
protected:
    std::unique_ptr<local_nginx> server;
    std::string www;

    void SetUp() override
    {
        engine_fixture::SetUp();
        is_net = 1;
        install_type = 0;
        http.reset();
        next = next_class{};
        www = tmp / "www/";
        fs::create_directories(www + "missing");
        fs::create_directories(tmp / "nginx-work");
        server.reset(new local_nginx(tmp / "nginx-work", www));
        ASSERT_TRUE(server->ok()) << read_file(tmp / "nginx-work/error.log");
        http.proxy_host = "127.0.0.1";
        http.proxy_port = server->port();
        for (int i = 0; i < 2; ++i) server_name[i] = "dl" + std::to_string(i) + ".skylume.test";
        server_path[0] = "/missing/"; // this server has nothing: every download fails
        server_path[1] = "/good/";
        stg.server_count = 2;
        stg.server_index = 0;
        std::srand(7);
    }
    void TearDown() override
    {
        http.reset();
        server.reset();
        engine_fixture::TearDown();
    }
    // Publishes the files as the servers lay them out, and the manifest in the temporary folder.
    void publish(const std::vector<disc_file>& files)
    {
        const std::string staging = tmp / "staging/";
        make_disc(staging, "set", files);
        fs::create_directories(www + "good");
        fs::rename(staging + "set/Top", www + "good/Top");
        ASSERT_EQ(zip_to_file(staging + "set/directory.txt.zip", temp_path, nullptr, 0), 0);
    }
    int run(int seconds = 60)
    {
        EXPECT_EQ(read_directory(temp_path + "directory.txt", "t"), dir_ready);
        next.reset_all_streams();
        make_dirs();
        EXPECT_EQ(choose_files(), 1);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        for (long i = 0; i < 10000000 && std::chrono::steady_clock::now() < deadline; ++i) {
            const int r = grab_files();
            if (r) return r;
        }
        ADD_FAILURE() << "the install did not end in time";
        return 0;
    }
};

TEST_F(NetInstall, StreamsSwitchServerAndEveryFileArrives)
{
    std::vector<disc_file> files;
    for (int i = 0; i < 12; ++i)
        files.push_back({"Data/f" + std::to_string(i) + ".bin", std::string(20000 + 5000 * i, char('a' + i)), 0100644,
                         0, {}, false, 0});
    files.push_back({"bin/tool", "#!/bin/sh\n", 0100755, 3, {}, false, 0});
    publish(files);
    stg.stream_count = 4;
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(next.all_done, 1);
    EXPECT_EQ(stg.server_index, 1);
    EXPECT_EQ(stg.net_retry, 0);
    EXPECT_EQ(stg.install_error, 0);
    for (const disc_file& f : files) {
        SCOPED_TRACE(f.rel);
        EXPECT_EQ(read_file(dest_dir_path + f.rel), f.data);
    }
    for (int s = 0; s < max_streams; ++s) // each download was deleted after its extraction
        EXPECT_FALSE(fs::exists(temp_path + std::to_string(s) + ".zip"));
    xer.flush();
    EXPECT_NE(read_file(log_path).find("   response   =Not Found (#404)"), std::string::npos);
}

TEST_F(NetInstall, AResetCancelsARunningDownload)
{
    fault_server stall({send_bytes("HTTP/1.1 200 OK\r\nContent-Length: 1000000\r\n\r\nPK"), step(fault_step::hold)});
    http.proxy_port = stall.port();
    publish({{"a.txt", "a", 0100644, 0, {}, false, 0}});
    ASSERT_EQ(read_directory(temp_path + "directory.txt", "t"), dir_ready);
    next.reset_all_streams();
    ASSERT_EQ(choose_files(), 1);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!stall.holding() && std::chrono::steady_clock::now() < deadline) {
        grab_files();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    for (int i = 0; i < 2000 && !fs::exists(temp_path + "0.zip"); ++i) { // the first body bytes on disk
        grab_files();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(stall.holding());
    ASSERT_TRUE(fs::exists(temp_path + "0.zip"));
    ASSERT_NE(http.slots[slot_first_stream], nullptr);
    next.reset_all_streams();
    EXPECT_EQ(http.slots[slot_first_stream], nullptr);
    EXPECT_FALSE(fs::exists(temp_path + "0.zip"));
    EXPECT_FALSE(fs::exists(dest_dir_path + "a.txt"));
}

} // namespace
