// What a download refuses, against a scripted fault server on 127.0.0.1 reached
// through the proxy setting: error and redirect replies, transfer codings the
// client does not decode, and bodies past the caller's size limit. No test here
// moves the frame clock, so a reply that stalled until the idle time-out instead
// of failing at once would give no verdict at all.
#include "net_fixture.h"

#include "files/io_errors.h"

#include <cerrno>

namespace {

const char* const kServer = "dl.skylume.test";

std::string reply(const std::string& status, const std::string& headers, const std::string& body)
{
    return "HTTP/1.1 " + status + "\r\n" + headers + "\r\n" + body;
}

std::string os_error_line(int code) { return "   GetOSErr   =" + std::to_string(code) + "\n"; }

// Polls slot 2 until its verdict, 20 s at most, with the frame clock standing
// still: only a failure that comes at once can end it.
int poll_to_verdict(const std::string& dest, std::uint64_t max_bytes)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    int r = net_running;
    for (long i = 0; r == net_running && std::chrono::steady_clock::now() < deadline; ++i) {
        r = http.net_check(2, kServer, "/a.zip", dest, max_bytes);
        if (i % 64 == 63) std::this_thread::yield();
    }
    return r;
}

using limits_fixture = net_fixture;

TEST_F(limits_fixture, ARefusedReplyFailsAtOnceAndLeavesTheExistingFileUntouched)
{
    struct refuse_case {
        const char* name;
        std::string reply;
        std::uint64_t max_bytes;
        int error;        // GetOSErr of the failure log
        const char* status; // its response line
    };
    const std::string chunked = "5\r\nhello\r\n0\r\n\r\n";
    const refuse_case cases[] = {
        {"404 with a body", reply("404 Not Found", "Content-Length: 4\r\n", "gone"), 0, 0, "Not Found (#404)"},
        {"404 without a length", reply("404 Not Found", "", "gone"), 0, 0, "Not Found (#404)"},
        {"301 redirect", reply("301 Moved Permanently", "Location: /b.zip\r\nContent-Length: 3\r\n", "moo"), 0, 0,
         "Moved Permanently (#301)"},
        {"302 redirect without a length", reply("302 Found", "Location: http://elsewhere.test/a.zip\r\n", ""), 0, 0,
         "Found (#302)"},
        {"500 after an interim 100", "HTTP/1.1 100 Continue\r\n\r\n" + reply("500 Oops", "Content-Length: 3\r\n", "bad"),
         0, 0, "Oops (#500)"},
        {"chunked body with a length as well",
         reply("200 OK", "Content-Length: " + std::to_string(chunked.size()) + "\r\nTransfer-Encoding: chunked\r\n",
               chunked),
         0, err_net_transfer_encoding, "OK (#200)"},
        {"chunked body without a length", reply("200 OK", "Transfer-Encoding: chunked\r\n", chunked), 0,
         err_net_transfer_encoding, "OK (#200)"},
        {"coding name in lower case", reply("200 OK", "transfer-encoding: chunked\r\nContent-Length: 3\r\n", "3\r\n"), 0,
         err_net_transfer_encoding, "OK (#200)"},
        {"coding line without the blank", reply("200 OK", "Transfer-Encoding:gzip\r\nContent-Length: 3\r\n", "abc"), 0,
         err_net_transfer_encoding, "OK (#200)"},
        {"announced length past the limit", reply("200 OK", "Content-Length: 2049\r\n", std::string(2049, 'x')), 2048,
         err_net_too_large, "OK (#200)"},
    };
    int n = 0;
    for (const refuse_case& c : cases) {
        SCOPED_TRACE(c.name);
        fault_server srv({send_bytes(c.reply), step(fault_step::hold)});
        use_proxy(srv.port());
        const std::string dest = dir / ("kept" + std::to_string(n++) + ".zip");
        write_file(dest, "the file of the last run");
        const std::size_t log_before = log().size();
        EXPECT_EQ(poll_to_verdict(dest, c.max_bytes), net_failed);
        EXPECT_EQ(read_file(dest), "the file of the last run");
        const std::string entry = log().substr(log_before);
        EXPECT_NE(entry.find(os_error_line(c.error)), std::string::npos) << entry;
        EXPECT_NE(entry.find(std::string("   response   =") + c.status + "\n"), std::string::npos) << entry;
    }
}

TEST_F(limits_fixture, TheBodyMayNotPassTheLimitAndALimitOfZeroSetsNone)
{
    struct limit_case {
        const char* name;
        std::vector<fault_step> script;
        std::uint64_t max_bytes;
        int verdict;
        int error;         // GetOSErr of the failure log when failed
        bool file_made;
        std::string file;  // the destination's bytes when made
    };
    const std::string body(3000, 'b');
    const std::string length_3000 = "Content-Length: 3000\r\n";
    const limit_case cases[] = {
        {"length equal to the limit", {send_bytes(reply("200 OK", length_3000, body))}, 3000, net_done, 0, true, body},
        {"length one past the limit", {send_bytes(reply("200 OK", "Content-Length: 3001\r\n", body + "b")),
                                       step(fault_step::hold)},
         3000, net_failed, err_net_too_large, false, ""},
        {"bytes past an allowed length are dropped, not counted",
         {send_bytes(reply("200 OK", length_3000, body + "trailing junk")), step(fault_step::hold)}, 3000, net_done, 0,
         true, body},
        {"no length: the limit stops the body as it comes, and what came goes",
         {send_bytes(reply("200 OK", "", ""), 0, 0), send_bytes(body + "b", 500, 2), step(fault_step::hold)}, 3000,
         net_failed, err_net_too_large, false, ""},
        {"a length past 4 GiB against a small limit", {send_bytes(reply("200 OK", "Content-Length: 4294967297\r\n", "x")),
                                                       step(fault_step::hold)},
         4096, net_failed, err_net_too_large, false, ""},
        {"limit 0 sets no bound", {send_bytes(reply("200 OK", length_3000, body))}, 0, net_done, 0, true, body},
        {"identity is no coding", {send_bytes(reply("200 OK", "Transfer-Encoding: Identity\r\n" + length_3000, body))},
         3000, net_done, 0, true, body},
    };
    int n = 0;
    for (const limit_case& c : cases) {
        SCOPED_TRACE(c.name);
        fault_server srv(c.script);
        use_proxy(srv.port());
        const std::string dest = dir / ("limit" + std::to_string(n++) + ".zip");
        const std::size_t log_before = log().size();
        EXPECT_EQ(poll_to_verdict(dest, c.max_bytes), c.verdict);
        EXPECT_EQ(access(dest.c_str(), F_OK) == 0, c.file_made);
        if (c.file_made && c.verdict == net_done) {
            EXPECT_EQ(read_file(dest), c.file);
        }
        if (c.verdict == net_failed) {
            const std::string entry = log().substr(log_before);
            EXPECT_NE(entry.find(os_error_line(c.error)), std::string::npos) << entry;
        }
    }
}

TEST_F(limits_fixture, ALimitAlsoBoundsABodyKeptInMemory)
{
    fault_server srv({send_bytes(reply("200 OK", "", "")), send_bytes(std::string(5000, 'm'), 1000, 2),
                      step(fault_step::hold)});
    use_proxy(srv.port());
    down_class d(kServer, 80, "/list.txt", false, {{"Host", kServer}}, nullptr, 0, nullptr);
    d.body_limit = 2500;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (long i = 0; !d.IsErr() && !d.IsDone() && std::chrono::steady_clock::now() < deadline; ++i) {
        d.DoProcessing();
        if (i % 64 == 63) std::this_thread::yield();
    }
    EXPECT_EQ(d.error, err_net_too_large);
    EXPECT_LE(d.recv_bytes.size(), 2500u);
}

TEST(DownloadErrors, EveryCodeTheDownloadLayerReturnsHasAPlainText)
{
    // Its own codes, the socket's, and what opening or writing the destination reports.
    const int codes[] = {err_net_no_server, err_net_no_connection, err_net_bad_reply, err_net_too_large,
                         err_net_transfer_encoding, ECONNREFUSED, ECONNRESET, ECONNABORTED, ETIMEDOUT, EHOSTUNREACH,
                         ENETUNREACH, ENETDOWN, ENETRESET, EADDRINUSE, EADDRNOTAVAIL, ENOBUFS, EAFNOSUPPORT, EMFILE,
                         ENFILE, ENOMEM, EINVAL, ELOOP, EISDIR, ENOENT, ENOTDIR, ENXIO, EACCES, EPERM, EROFS, ENOSPC,
                         EDQUOT, EFBIG, EIO, ENAMETOOLONG};
    for (const int code : codes) {
        SCOPED_TRACE(code);
        EXPECT_EQ(error_str(code).find("Unknown error"), std::string::npos) << error_str(code);
    }
}

} // namespace
