// The download slots against a real nginx on 127.0.0.1, reached through the
// proxy setting, and through a real tinyproxy in between; both are started
// and stopped here.
#include "net_fixture.h"

#include <sys/stat.h>

namespace {

struct nginx_fixture : net_fixture {
    std::string www = dir / "www";
    std::string work = dir / "nginx";
    std::unique_ptr<local_nginx> server;

    void SetUp() override
    {
        net_fixture::SetUp();
        ASSERT_EQ(mkdir(www.c_str(), 0755), 0);
        ASSERT_EQ(mkdir((www + "/files").c_str(), 0755), 0);
        ASSERT_EQ(mkdir(work.c_str(), 0755), 0);
        ASSERT_TRUE(write_pattern_file(www + "/files/a b.zip", 3u << 20)); // several reads of 64 KiB
        for (int s = 0; s < 4; ++s)
            ASSERT_TRUE(write_pattern_file(www + "/files/stream" + std::to_string(s) + ".zip", (1u << 20) + 1000u * s));
        write_file(www + "/empty.txt", "");
        server.reset(new local_nginx(work, www));
        ASSERT_TRUE(server->ok()) << read_file(work + "/error.log") << read_file(work + "/nginx.out");
        use_proxy(server->port());
    }
};

TEST_F(nginx_fixture, FilesArriveWholeAndMissingOnesFail)
{
    struct file_case {
        const char* path;
        int verdict;
        unsigned long long size; // the pattern size to find on disk; 0: check only that it exists
    };
    const file_case cases[] = {
        {"/files/a b.zip", net_done, 3u << 20},
        {"/empty.txt", net_done, 0},
        {"/files/missing.zip", net_failed, 0}, // nginx's error page is no file: none is made
    };
    int n = 0;
    for (const file_case& c : cases) {
        SCOPED_TRACE(c.path);
        const std::string dest = dir / ("got" + std::to_string(n++));
        EXPECT_EQ(pump(2, "dl.skylume.test", c.path, dest), c.verdict);
        if (c.size) {
            EXPECT_TRUE(check_pattern_file(dest, c.size));
        }
        EXPECT_EQ(access(dest.c_str(), F_OK) == 0, c.verdict == net_done);
    }
    EXPECT_EQ(read_file(dir / "got1"), "");
    EXPECT_NE(log().find("   file       =/files/missing.zip\n"), std::string::npos);
    EXPECT_NE(log().find("   response   =Not Found (#404)\n"), std::string::npos);
}

TEST_F(nginx_fixture, ARedirectAnErrorOrAnOversizedFileLeavesTheExistingFileAlone)
{
    struct keep_case {
        const char* path;
        std::uint64_t max_bytes;
        const char* response; // the failure log's response line
    };
    const keep_case cases[] = {
        {"/files", 0, "Moved Permanently (#301)"}, // a folder without its slash: nginx redirects
        {"/files/missing.zip", 0, "Not Found (#404)"},
        {"/files/stream1.zip", 1024 * 1024, "OK (#200)"}, // 1 MiB is allowed, the file is 1000 bytes more
    };
    for (const keep_case& c : cases) {
        SCOPED_TRACE(c.path);
        const std::string dest = dir / "kept.zip";
        write_file(dest, "the file of the last run");
        const std::size_t log_before = log().size();
        int r = net_running;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        for (long i = 0; r == net_running && std::chrono::steady_clock::now() < deadline; ++i) {
            r = http.net_check(2, "dl.skylume.test", c.path, dest, c.max_bytes);
            if (i % 64 == 63) std::this_thread::yield();
        }
        EXPECT_EQ(r, net_failed); // the frame clock stands still: no time-out ends these
        EXPECT_TRUE(read_file(dest) == "the file of the last run"); // no dump of a wrongly written MiB
        EXPECT_NE(log().substr(log_before).find(std::string("   response   =") + c.response + "\n"), std::string::npos)
            << log().substr(log_before);
    }
}

TEST_F(nginx_fixture, FourStreamsDownloadSideBySide)
{
    int result[4] = {net_running, net_running, net_running, net_running};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    auto running = [&] {
        for (int r : result)
            if (r == net_running) return true;
        return false;
    };
    for (long i = 0; i < 5000000 && running() && std::chrono::steady_clock::now() < deadline; ++i) {
        for (int s = 0; s < 4; ++s) {
            if (result[s] != net_running) continue;
            result[s] = http.net_check(slot_first_stream + s, "dl.skylume.test",
                                       "/files/stream" + std::to_string(s) + ".zip", dir / std::to_string(s) + ".zip");
            if (result[s] == net_running) {
                const float p = http.percent_done(slot_first_stream + s);
                EXPECT_TRUE(p == -1.0f || (p >= 0.0f && p <= 100.0f)) << p;
            }
        }
    }
    for (int s = 0; s < 4; ++s) {
        SCOPED_TRACE(s);
        EXPECT_EQ(result[s], net_done);
        EXPECT_TRUE(check_pattern_file(dir / std::to_string(s) + ".zip", (1u << 20) + 1000u * s));
    }
}

TEST_F(nginx_fixture, ARealProxyInBetweenPassesTheFileThrough)
{
    const std::string proxy_work = dir / "proxy";
    ASSERT_EQ(mkdir(proxy_work.c_str(), 0755), 0);
    local_proxy proxy(proxy_work);
    ASSERT_TRUE(proxy.ok()) << read_file(proxy_work + "/tinyproxy.out");
    use_proxy(proxy.port());
    // The proxy reaches nginx by the server text, which here carries nginx's port.
    const std::string server = "127.0.0.1:" + std::to_string(this->server->port());
    EXPECT_EQ(pump(2, server, "/files/a b.zip", dir / "via.zip"), net_done);
    EXPECT_TRUE(check_pattern_file(dir / "via.zip", 3u << 20));
    EXPECT_EQ(pump(2, server, "/files/missing.zip", dir / "via404"), net_failed);
    EXPECT_NE(read_file(proxy_work + "/tinyproxy.log").find("/files/a%20b.zip"), std::string::npos);
}

TEST_F(nginx_fixture, AFileOfSeveralHundredMebibytesArrivesWhole)
{
    const unsigned long long size = 300ull << 20;
    ASSERT_TRUE(write_pattern_file(www + "/big.zip", size));
    const std::string dest = dir / "big.zip";
    EXPECT_EQ(pump(2, "dl.skylume.test", "/big.zip", dest), net_done);
    EXPECT_TRUE(check_pattern_file(dest, size));
}

} // namespace
