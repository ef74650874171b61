// about_limits_test.cpp - the about window's two downloads against a scripted
// fault server on 127.0.0.1, reached through the proxy setting: a server that
// sends more than a download may take, with or without announcing a length,
// fails the download and leaves no part of it on disk. The frame clock stands
// still, so only a failure that comes at once gives a verdict.
#include "about_fixture.h"

#include "files/io_errors.h"
#include "foundation/xtim.h"
#include "support/net_peers.h"

#include <chrono>
#include <thread>
#include <unistd.h>

namespace {

std::string reply_head(const std::string& headers) { return "HTTP/1.1 200 OK\r\n" + headers + "\r\n"; }

// A header announcing `announced` bytes (0: no length), then `sent` bytes in
// 8 KiB pieces, then silence.
std::vector<fault_step> oversized(std::uint64_t announced, std::size_t sent)
{
    const std::string length = announced ? "Content-Length: " + std::to_string(announced) + "\r\n" : "";
    return {send_bytes(reply_head(length)), send_bytes(std::string(sent, 'z'), 8192, 0), step(fault_step::hold)};
}

struct about_limits_fixture : about_fixture {
    about_ops ops = about_real_ops;

    void SetUp() override
    {
        about_fixture::SetUp();
        xtim = xtim_class(); // the frame clock stands still: no idle time-out
    }
    void use_server(const fault_server& srv)
    {
        http.proxy_host = "127.0.0.1";
        http.proxy_port = srv.port();
    }
    bool exists(const char* file) { return access((app_path + file).c_str(), F_OK) == 0; }
    std::string os_error_line(int code) { return "   GetOSErr   =" + std::to_string(code) + "\n"; }
};

// The list's passes until its request is over; false when it never ends.
bool list_request_ends(const about_ops& ops)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    ABOUT_poll_list(0.0f, ops);
    for (long i = 0; about_check.list_in_flight && std::chrono::steady_clock::now() < deadline; ++i) {
        ABOUT_poll_list(0.0f, ops);
        if (i % 64 == 63) std::this_thread::yield();
    }
    return !about_check.list_in_flight;
}

// The archive's passes until its download is over; false when it never ends.
bool archive_download_ends(const about_ops& ops)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (long i = 0; about_check.ins_state == ins_awaiting_download && std::chrono::steady_clock::now() < deadline;
         ++i) {
        ABOUT_state_work(ops);
        if (i % 64 == 63) std::this_thread::yield();
    }
    return about_check.ins_state != ins_awaiting_download;
}

// The archive's ceiling as the check passes it is the fake tests'; here it is
// met for real through the download slot, scaled down so that the test need
// not send half a gibibyte.
constexpr std::uint64_t scaled_archive_ceiling = 256 * 1024;

int scaled_net_check(int slot, const std::string& server, const std::string& path, const std::string& dest,
                     std::uint64_t max_bytes)
{
    const std::uint64_t ceiling = max_bytes == about_archive_max_bytes ? scaled_archive_ceiling : max_bytes;
    return about_real_ops.net_check(slot, server, path, dest, ceiling);
}

} // namespace

TEST_F(about_limits_fixture, AListLargerThanItsCeilingFailsAndLeavesNoFile)
{
    struct list_case {
        const char* name;
        std::vector<fault_step> script;
    };
    const list_case cases[] = {
        {"announced one byte past the ceiling", oversized(about_list_max_bytes + 1, about_list_max_bytes + 1)},
        {"without a length, far past the ceiling", oversized(0, 4 * about_list_max_bytes)},
    };
    for (const list_case& c : cases) {
        SCOPED_TRACE(c.name);
        about_check.reset();
        fault_server srv(c.script);
        use_server(srv);
        const std::size_t log_before = log.text().size();
        ASSERT_TRUE(list_request_ends(ops)) << "the list's download did not stop";
        EXPECT_EQ(about_check.ins_state, ins_awaiting_list);
        EXPECT_FALSE(about_check.versions.version_str_found);
        EXPECT_FALSE(exists(about_list_file)) << "a part of the list was left";
        const std::string entry = log.text().substr(log_before);
        EXPECT_NE(entry.find(os_error_line(err_net_too_large)), std::string::npos) << entry;
    }
}

// A list of the ordinary size, announced, comes through the same ceiling.
TEST_F(about_limits_fixture, AnOrdinaryListPassesItsCeiling)
{
    const std::string list = final_release_list("dl.example", "/inst.zip", std::string(32, 'a'));
    fault_server srv({send_bytes(reply_head("Content-Length: " + std::to_string(list.size()) + "\r\n") + list),
                      step(fault_step::hold)});
    use_server(srv);
    ASSERT_TRUE(list_request_ends(ops));
    EXPECT_EQ(about_check.ins_state, ins_awaiting_click);
    EXPECT_EQ(read_file(app_path + about_list_file), list);
}

TEST_F(about_limits_fixture, AnArchiveLargerThanItsCeilingFailsAndLeavesNoFile)
{
    struct archive_case {
        const char* name;
        std::vector<fault_step> script;
        about_ops ops;
    };
    about_ops scaled = about_real_ops;
    scaled.net_check = scaled_net_check;
    const archive_case cases[] = {
        {"announced one byte past the ceiling", oversized(about_archive_max_bytes + 1, 65536), about_real_ops},
        {"without a length, past the ceiling", oversized(0, 2 * scaled_archive_ceiling), scaled},
    };
    for (const archive_case& c : cases) {
        SCOPED_TRACE(c.name);
        about_check.reset();
        about_check.installer = {"dl.example", "/inst.zip", std::string(32, 'a')};
        about_check.ins_state = ins_awaiting_download;
        fault_server srv(c.script);
        use_server(srv);
        const std::size_t log_before = log.text().size();
        ASSERT_TRUE(archive_download_ends(c.ops)) << "the archive's download did not stop";
        EXPECT_EQ(about_check.ins_state, ins_showing_message);
        EXPECT_EQ(about_check.err_msg, "I was unable to download the installer from the net.");
        EXPECT_FALSE(exists(about_archive_file)) << "a part of the archive was left";
        const std::string entry = log.text().substr(log_before);
        EXPECT_NE(entry.find(os_error_line(err_net_too_large)), std::string::npos) << entry;
    }
}
