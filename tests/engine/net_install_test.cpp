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
#include "support/testkit.h"
#include "engine/stg.h"
#include "engine/streams.h"
#include "foundation/xtim.h"
#include "files/io_errors.h"
#include "files/zip_io.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <sstream>
#include <set>
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
    void start_run()
    {
        EXPECT_EQ(read_directory(temp_path + "directory.txt", "t"), dir_ready);
        next.reset_all_streams();
        make_dirs();
        EXPECT_EQ(choose_files(), 1);
    }
    int run(int seconds = 60)
    {
        start_run();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        for (long i = 0; i < 10000000 && std::chrono::steady_clock::now() < deadline; ++i) {
            const int r = grab_files();
            if (r) return r;
        }
        ADD_FAILURE() << "the install did not end in time";
        return 0;
    }
    // Steps the install until `seconds` of frame-clock time have passed. The
    // clock moves one frame (1/64 s) only in steps in which no download runs,
    // so a download meets no time-out and the waits between tries are exact.
    // With `server`, returns the clock readings at which stream 0 reached it
    // (a loopback reply may come within the step that started the download,
    // so the server's count tells a try, not the slot), and fails the test when
    // one came before the stream's back-off allowed.
    std::vector<float> run_frames(stepped_clock& clock, float seconds, const fault_server* server = nullptr)
    {
        std::vector<float> starts;
        float allowed_from = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (xtim.elapsed_time < seconds && std::chrono::steady_clock::now() < deadline) {
            if (!http.slots[slot_first_stream]) allowed_from = next.retry_at[0];
            if (grab_files() != 0) break;
            while (server && static_cast<std::size_t>(server->connections()) > starts.size()) {
                starts.push_back(xtim.elapsed_time);
                EXPECT_GE(xtim.elapsed_time, allowed_from) << "a download started during its back-off";
            }
            bool busy = false;
            for (int s = 0; s < max_streams; ++s) busy = busy || http.slots[slot_first_stream + s];
            if (!busy) {
                clock.advance(1.0 / 64);
                xtim.xtim_update();
            }
        }
        EXPECT_GE(xtim.elapsed_time, seconds) << "the frames did not run in time";
        return starts;
    }
    std::string log_text()
    {
        xer.flush();
        return read_file(log_path);
    }
};

std::size_t count_of(const std::string& text, const std::string& part)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
    return n;
}

std::string random_bytes(std::size_t size, unsigned seed)
{
    std::mt19937 gen(seed);
    std::string out(size, '\0');
    for (char& c : out) c = static_cast<char>(gen() & 0xFF);
    return out;
}

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
    // 4000 bytes: within the 3 kB that the manifest lists, up to the next kB.
    fault_server stall({send_bytes("HTTP/1.1 200 OK\r\nContent-Length: 4000\r\n\r\nPK"), step(fault_step::hold)});
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

TEST_F(NetInstall, AFileThatFailsOnEveryServerBacksOffAndLogsOncePerSwitch)
{
    struct back_off_case {
        int servers;
        std::vector<float> waits; // the waits the log must show, in order (it may show more)
    };
    const back_off_case cases[] = {
        {1, {1, 2, 4, 8, 16, 32, 60, 60, 60}}, // tries at 0, 1, 3, 7, 15, 31, 63, 123 and 183 s
        {3, {1, 2, 4, 8, 16, 32, 60}},
    };
    publish({{"a.txt", "a", 0100644, 0, {}, false, 0}});
    for (const back_off_case& c : cases) {
        SCOPED_TRACE(c.servers);
        fault_server refusing({send_bytes("HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\ngone")});
        http.proxy_port = refusing.port();
        stg.server_count = c.servers;
        stg.server_index = 0;
        for (int i = 0; i < c.servers; ++i) {
            server_name[i] = "dl" + std::to_string(i) + ".skylume.test";
            server_path[i] = "/missing/";
        }
        stg.stream_count = 1;
        stepped_clock clock;
        xtim = xtim_class();
        xtim.xtim_update();
        xer.close();
        xer.open(log_path); // a fresh log for each case
        std::vector<float> starts;
        try {
            start_run();
            starts = run_frames(clock, 200.0f, &refusing);
        } catch (const fatal_alert& a) {
            FAIL() << a.lines.l1 << " / " << a.lines.l2 << " / " << a.lines.l3 << " / " << a.lines.l4;
        }

        // Every try is logged once: the failure entry and the switch line, nothing per frame.
        const std::string log = log_text();
        const std::size_t tries = starts.size();
        EXPECT_EQ(count_of(log, "HTTP Error for "), tries);
        EXPECT_EQ(count_of(log, " failed on server "), tries);
        EXPECT_EQ(static_cast<std::size_t>(refusing.connections()), tries);
        EXPECT_LE(tries, 200u); // a try every frame or two would be thousands
        EXPECT_LE(log.size(), tries * 600);

        // The waits double from one second up to the cap, and each comes only
        // after the file has failed on every server since the last one.
        std::istringstream lines(log);
        std::vector<float> waits;
        std::set<std::string> failed_on;
        for (std::string line; std::getline(lines, line);) {
            const std::size_t on = line.find(" failed on server ");
            if (on != std::string::npos) failed_on.insert(line.substr(on, line.find(';') - on));
            const std::size_t in = line.find("failed on every server; next try in ");
            if (in == std::string::npos) continue;
            EXPECT_EQ(failed_on.size(), static_cast<std::size_t>(c.servers)) << line;
            failed_on.clear();
            waits.push_back(std::stof(line.substr(in + 36)));
        }
        ASSERT_GE(waits.size(), c.waits.size());
        EXPECT_EQ(std::vector<float>(waits.begin(), waits.begin() + static_cast<long>(c.waits.size())), c.waits);
        if (c.servers == 1) { // each try is a round of its own: the tries are the waits apart
            for (std::size_t i = 1; i < tries; ++i) EXPECT_FLOAT_EQ(starts[i] - starts[i - 1], waits[i - 1]) << i;
        }
        EXPECT_FALSE(fs::exists(dest_dir_path + "a.txt"));
        next.reset_all_streams();
        http.reset();
        http.proxy_host = "127.0.0.1";
    }
}

TEST_F(NetInstall, ADownloadMayNotPassTheListedSize)
{
    // Random bytes do not compress: each archive is a little more than its content.
    // The manifest lists every download at 3 kB, so up to 4096 bytes may come.
    struct size_case {
        std::size_t content;
        bool installed;
    };
    const size_case cases[] = {{3800, true}, {5000, false}};
    std::vector<disc_file> files;
    for (const size_case& c : cases)
        files.push_back({"f" + std::to_string(c.content) + ".bin", random_bytes(c.content, 11), 0100644, 0, {}, false, 0});
    publish(files);
    for (const size_case& c : cases) // the archives are as the case needs them
        ASSERT_EQ(fs::file_size(www + "good/Top/f" + std::to_string(c.content) + ".bin.zip") > 4096, !c.installed);
    server_path[0] = "/good/";
    stg.server_count = 1;
    stg.stream_count = 1;
    stepped_clock clock;
    xtim = xtim_class();
    xtim.xtim_update();
    start_run();
    run_frames(clock, 5.0f);
    for (const size_case& c : cases) {
        SCOPED_TRACE(c.content);
        const std::string rel = "f" + std::to_string(c.content) + ".bin";
        EXPECT_EQ(fs::exists(dest_dir_path + rel), c.installed);
        if (c.installed) {
            EXPECT_EQ(read_file(dest_dir_path + rel), files[&c - cases].data);
        }
    }
    const std::string log = log_text();
    EXPECT_NE(log.find("   GetOSErr   =" + std::to_string(err_net_too_large) + "\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Download of /good/Top/f5000.bin.zip failed on every server; next try in 1 s.\n"),
              std::string::npos);
}

// A server that sends more than the listed size, whether it announces its
// length or not, fails the stream's download, and no part of it is left in
// the temporary folder; the file is not installed.
TEST_F(NetInstall, ADownloadPastTheListedSizeLeavesNoPartOfItself)
{
    struct oversize_case {
        const char* name;
        std::string head;
    };
    const oversize_case cases[] = {
        {"announced", "HTTP/1.1 200 OK\r\nContent-Length: 20000\r\n\r\n"},
        {"without a length", "HTTP/1.1 200 OK\r\n\r\n"},
    };
    publish({{"a.txt", "a", 0100644, 0, {}, false, 0}}); // listed at 3 kB: 4096 bytes may come
    stg.server_count = 1; // after one failure the stream waits: the frame clock stands still
    stepped_clock clock;
    for (const oversize_case& c : cases) {
        SCOPED_TRACE(c.name);
        fault_server srv({send_bytes(c.head), send_bytes(std::string(20000, 'z'), 2048, 1), step(fault_step::hold)});
        http.proxy_port = srv.port();
        xtim = xtim_class();
        xtim.xtim_update();
        const std::size_t log_before = log_text().size();
        start_run();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (next.retry_wait[0] == 0 && std::chrono::steady_clock::now() < deadline) grab_files(); // to the back-off
        const std::string log = log_text().substr(log_before);
        ASSERT_NE(log.find("Download of " + server_path[0] + "Top/a.txt.zip failed on every server"), std::string::npos)
            << log;
        EXPECT_NE(log.find("   GetOSErr   =" + std::to_string(err_net_too_large) + "\n"), std::string::npos) << log;
        EXPECT_EQ(http.slots[slot_first_stream], nullptr);
        EXPECT_FALSE(fs::exists(temp_path + "0.zip")) << "a part of the download was left";
        EXPECT_FALSE(fs::exists(dest_dir_path + "a.txt"));
        next.reset_all_streams();
    }
}

TEST(ListedDownloadLimit, UpToTheNextWholeKilobyteAndNoBoundForZero)
{
    struct limit_case {
        float kb;
        std::uint64_t bytes;
    };
    const limit_case cases[] = {
        {0, 0}, {-3, 0}, {1, 2048}, {3, 4096}, {2.5f, 4096}, {4194304, 4294968320ull}, {1e30f, UINT64_MAX},
    };
    for (const limit_case& c : cases) {
        SCOPED_TRACE(c.kb);
        EXPECT_EQ(ENG_listed_download_limit(c.kb), c.bytes);
    }
}

} // namespace
