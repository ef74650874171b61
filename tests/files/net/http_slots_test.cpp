// Download slots against a scripted fault server on 127.0.0.1, reached through
// the proxy setting (the direct port is fixed at 80): the verdict of each kind
// of reply, what lands on disk, the failure log and the idle time-out.
#include "net_fixture.h"

#include "files/io_errors.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

const char* const kServer = "dl.skylume.test";

std::string reply(const std::string& status, const std::string& headers, const std::string& body)
{
    return "HTTP/1.1 " + status + "\r\n" + headers + "\r\n" + body;
}

std::string ok(const std::string& body)
{
    return reply("200 OK", "Content-Length: " + std::to_string(body.size()) + "\r\n", body);
}

// The failure log of a request refused before it was sent: no socket, EINVAL.
std::string refused_log(const std::string& dest, const std::string& server, const std::string& path)
{
    return "Refused a request whose server, path or header lines hold control characters.\n"
           "HTTP Error for " + dest + "\n"
           "   server     =" + server + "\n"
           "   file       =" + path + "\n"
           "   IsDone     =0\n"
           "   IsComplete =0\n"
           "   IsErr      =1\n"
           "   GetStat    =0\n"
           "   GetOSErr   =" + std::to_string(EINVAL) + "\n"
           "   response   = (#0)\n\n";
}

// Caps the size of every file this process writes, so that a write past the
// cap fails with EFBIG (the signal it would raise is ignored meanwhile).
class file_size_cap {
public:
    explicit file_size_cap(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &old_limit);
        old_handler = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit cap{bytes, old_limit.rlim_max};
        setrlimit(RLIMIT_FSIZE, &cap);
    }
    ~file_size_cap()
    {
        setrlimit(RLIMIT_FSIZE, &old_limit);
        std::signal(SIGXFSZ, old_handler);
    }
    file_size_cap(const file_size_cap&) = delete;
    file_size_cap& operator=(const file_size_cap&) = delete;

private:
    rlimit old_limit{};
    void (*old_handler)(int) = SIG_DFL;
};

using slots_fixture = net_fixture;

TEST_F(slots_fixture, EachKindOfReplyGetsItsVerdictAndLeavesItsFile)
{
    struct verdict_case {
        const char* name;
        std::vector<fault_step> script;
        int verdict;
        bool logged;       // a failure log entry was written
        bool file_made;
        std::string file;  // the destination's bytes when made
    };
    const std::string half = "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nhello";
    const verdict_case cases[] = {
        {"whole reply in one piece", {send_bytes(ok("hello"))}, net_done, false, true, "hello"},
        {"reply fed three bytes at a time", {send_bytes(ok("hello world"), 3, 1)}, net_done, false, true, "hello world"},
        {"interim 100 block first, one byte at a time",
         {send_bytes("HTTP/1.1 100 Continue\r\nX-Interim: 1\r\n\r\n" + ok("abc"), 1, 1)}, net_done, false, true, "abc"},
        {"interim block and final reply in one piece, then silence",
         {send_bytes("HTTP/1.1 100 Continue\r\n\r\n" + ok("abc")), step(fault_step::hold)}, net_done, false, true, "abc"},
        {"empty body", {send_bytes(ok(""))}, net_done, false, true, ""},
        {"status 299 is success", {send_bytes(reply("299 Odd", "Content-Length: 2\r\n", "ok"))}, net_done, false, true, "ok"},
        {"status 300 is not, and makes no file", {send_bytes(reply("300 Multiple", "Content-Length: 2\r\n", "no"))}, net_failed, true, false, ""},
        {"404 body is not the file", {send_bytes(reply("404 Not Found", "Content-Length: 4\r\n", "gone"))}, net_failed, true, false, ""},
        {"500 then reset", {send_bytes(reply("500 Oops", "Content-Length: 3\r\n", "bad")), step(fault_step::reset)},
         net_failed, true, false, ""},
        {"redirect not followed", {send_bytes(reply("301 Moved", "Location: /x\r\nContent-Length: 0\r\n", ""))},
         net_failed, true, false, ""},
        {"orderly close before the length: time-out", {send_bytes(half), step(fault_step::close)}, net_failed, false, true, "hello"},
        {"no length: time-out even when whole", {send_bytes(reply("200 OK", "", "hello")), step(fault_step::close)},
         net_failed, false, true, "hello"},
        {"negative length is unknown", {send_bytes(reply("200 OK", "Content-Length: -5\r\n", "hello")), step(fault_step::close)},
         net_failed, false, true, "hello"},
        {"non-numeric length is unknown", {send_bytes(reply("200 OK", "Content-Length: abc\r\n", "hello")), step(fault_step::close)},
         net_failed, false, true, "hello"},
        {"lower-case header name is no length", {send_bytes(reply("200 OK", "content-length: 5\r\n", "hello")), step(fault_step::close)},
         net_failed, false, true, "hello"},
        {"leading blanks and a plus read fine", {send_bytes(reply("200 OK", "Content-Length:   +5\r\n", "hello"))},
         net_done, false, true, "hello"},
        {"length past 4 GiB is not cut to 32 bits", {send_bytes(reply("200 OK", "Content-Length: 4294967301\r\n", "hello")),
                                                     step(fault_step::close)},
         net_failed, false, true, "hello"},
        {"bytes past the length are not written", {send_bytes(ok("hel") + "lo, and more"), step(fault_step::hold)},
         net_done, false, true, "hel"},
        {"first of two lengths wins", {send_bytes(reply("200 OK", "Content-Length: 2\r\nContent-Length: 5\r\n", "hello"))},
         net_done, false, true, "he"},
        {"header without line ends fails", {send_bytes(std::string(300000, 'x')), step(fault_step::hold)},
         net_failed, true, false, ""},
        {"lone LF line ends never end the header", {send_bytes("HTTP/1.1 200 OK\nContent-Length: 2\n\nhi"), step(fault_step::hold)},
         net_failed, false, false, ""},
        {"status line without reason is not one", {send_bytes("HTTP/1.1 200 \r\nContent-Length: 2\r\n\r\nhi"), step(fault_step::hold)},
         net_failed, false, false, ""},
        {"server that never answers", {step(fault_step::hold)}, net_failed, false, false, ""},
        {"reset before any reply", {step(fault_step::reset)}, net_failed, true, false, ""},
    };
    int n = 0;
    for (const verdict_case& c : cases) {
        SCOPED_TRACE(c.name);
        fault_server srv(c.script);
        use_proxy(srv.port());
        const std::string dest = dir / ("case" + std::to_string(n++) + ".zip");
        const std::size_t log_before = log().size();
        EXPECT_EQ(pump(2, kServer, "/files/a.zip", dest, &srv), c.verdict);
        EXPECT_EQ(http.slots[2], nullptr);
        const std::string entry = log().substr(log_before);
        EXPECT_EQ(entry.find("HTTP Error for " + dest + "\n") != std::string::npos, c.logged) << entry;
        EXPECT_EQ(access(dest.c_str(), F_OK) == 0, c.file_made);
        if (c.file_made) {
            EXPECT_EQ(read_file(dest), c.file);
        }
        EXPECT_TRUE(alerts.alerts().empty());
    }
}

TEST_F(slots_fixture, ResetInTheMiddleFailsAtOnceWithTheFullLog)
{
    fault_server srv({send_bytes("HTTP/1.1 200 OK\r\nContent-Length: 8\r\n\r\nhalf"), step(fault_step::wait_go),
                      step(fault_step::reset)});
    use_proxy(srv.port());
    const std::string dest = dir / "0.zip";
    int r = net_running;
    for (int i = 0; i < 1000000 && r == net_running && (!http.slots[2] || http.slots[2]->bytes_written < 4); ++i)
        r = http.net_check(2, kServer, "/a b.zip", dest);
    ASSERT_EQ(r, net_running);
    EXPECT_FLOAT_EQ(http.percent_done(2), 50.0f);
    srv.go();
    EXPECT_EQ(pump(2, kServer, "/a b.zip", dest), net_failed);
    EXPECT_EQ(read_file(dest), "half");
    EXPECT_EQ(log(), "HTTP Error for " + dest + "\n"
                     "   server     =dl.skylume.test\n"
                     "   file       =/a b.zip\n"
                     "   IsDone     =1\n"
                     "   IsComplete =0\n"
                     "   IsErr      =0\n"
                     "   GetStat    =3\n"
                     "   GetOSErr   =0\n"
                     "   response   =OK (#200)\n\n");
}

TEST_F(slots_fixture, TimeOutCountsFromTheLastBodyDataAndNotBefore30Seconds)
{
    fault_server srv({step(fault_step::wait_go), send_bytes("HTTP/1.1 200 OK\r\nContent-Length: 8\r\n\r\nhalf"),
                      step(fault_step::hold)});
    use_proxy(srv.port());
    const std::string dest = dir / "0.zip";
    EXPECT_FLOAT_EQ(http.percent_done(2), 0.0f); // free
    int r = http.net_check(2, kServer, "/a.zip", dest);
    EXPECT_FLOAT_EQ(http.percent_done(2), -1.0f); // no header block yet
    srv.go();
    for (int i = 0; i < 1000000 && r == net_running && http.slots[2]->bytes_written < 4; ++i)
        r = http.net_check(2, kServer, "/a.zip", dest);
    ASSERT_EQ(r, net_running);
    const float stalled_at = http.slots[2]->last_activity;
    advance(30.0 - stalled_at);
    EXPECT_EQ(http.net_check(2, kServer, "/a.zip", dest), net_running); // exactly 30 s: still running
    advance(0.01);
    EXPECT_EQ(http.net_check(2, kServer, "/a.zip", dest), net_failed);
    EXPECT_EQ(http.slots[2], nullptr);
    EXPECT_EQ(log(), ""); // a time-out is not logged
    EXPECT_EQ(read_file(dest), "half");
}

TEST_F(slots_fixture, ASlowTrickleNeverTimesOut)
{
    const std::string body(40, 't');
    fault_server srv({send_bytes(reply("200 OK", "Content-Length: 40\r\n", ""), 0, 0), send_bytes(body, 4, 20)});
    use_proxy(srv.port());
    const std::string dest = dir / "0.zip";
    int r = net_running;
    std::uint64_t seen = 0;
    int jumps = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (r == net_running && std::chrono::steady_clock::now() < deadline) {
        r = http.net_check(2, kServer, "/a.zip", dest);
        if (r == net_running && http.slots[2]->bytes_written != seen) {
            seen = http.slots[2]->bytes_written;
            advance(29.0); // every piece comes 29 s of frame time after the last
            ++jumps;
        }
    }
    EXPECT_EQ(r, net_done);
    EXPECT_GE(jumps, 3);
    EXPECT_EQ(read_file(dest), body);
}

TEST_F(slots_fixture, ABusySlotGoesOnWithItsFirstArgumentsAndLogsTheCurrentOnes)
{
    fault_server srv({step(fault_step::wait_go), send_bytes(reply("404 Not Found", "Content-Length: 2\r\n", "no")),
                      step(fault_step::hold)});
    use_proxy(srv.port());
    const std::string first = dir / "first.zip";
    int r = http.net_check(3, kServer, "/first.zip", first);
    srv.go(); // the reply comes only after the call that started the transfer
    for (int i = 0; i < 1000000 && r == net_running && !http.slots[3]->headers_done; ++i)
        r = http.net_check(3, "other.test", "/second.zip", dir / "second.zip");
    EXPECT_EQ(r, net_failed);
    EXPECT_EQ(srv.connections(), 1);
    EXPECT_NE(srv.request().find("/first.zip"), std::string::npos);
    EXPECT_EQ(access(first.c_str(), F_OK), -1); // an error reply makes no file
    EXPECT_EQ(access((dir / "second.zip").c_str(), F_OK), -1);
    EXPECT_NE(log().find("HTTP Error for " + dir / "second.zip" + "\n   server     =other.test\n"
                         "   file       =/second.zip\n"), std::string::npos);
}

TEST_F(slots_fixture, ProgrammingErrorsAreFatalAndAnUnknownServerFailsAtOnce)
{
    struct alert_case {
        int slot;
        const char* server;
        const char* path;
        const char* first_line;
    };
    const alert_case cases[] = {
        {-1, kServer, "/a.zip", "Too many download objects requested!"},
        {6, kServer, "/a.zip", "Too many download objects requested!"},
        {2, "dl.skylume.test/", "/a.zip", "net_check error! You have a dirchar at the end of the server name!"},
        {2, kServer, "a.zip", "net_check error! You do not have a dirchar at the beginning of the directory name!"},
        {2, kServer, "", "net_check error! You do not have a dirchar at the beginning of the directory name!"},
    };
    for (const alert_case& c : cases) {
        SCOPED_TRACE(c.first_line);
        try {
            http.net_check(c.slot, c.server, c.path, dir / "x");
            ADD_FAILURE() << "no fatal alert";
        } catch (const fatal_alert& a) {
            EXPECT_EQ(a.lines.l1, c.first_line);
        }
        EXPECT_EQ(http.slots[2], nullptr);
    }
    for (int slot : {0, 5}) // the first and last slots exist: an unknown (empty) server fails in one call
        EXPECT_EQ(http.net_check(slot, "", "/a.zip", dir / "x"), net_failed);
    EXPECT_NE(log().find("Translated server  to IP addy: 0.0.0.0 and port = 80\n"), std::string::npos);
    EXPECT_NE(log().find("   GetStat    =0\n   GetOSErr   =20011\n   response   = (#0)\n\n"), std::string::npos);
}

TEST_F(slots_fixture, ControlCharactersInServerOrPathAreNeverSent)
{
    struct inject_case {
        const char* name;
        std::string server;
        std::string path;
    };
    const inject_case cases[] = {
        {"CR LF in the path", kServer, "/a.zip HTTP/1.1\r\nX-Evil: 1\r\n\r\nGET /b.zip"},
        {"LF in the server", std::string(kServer) + "\nX-Evil: 1", "/a.zip"},
        {"NUL in the path", kServer, std::string("/a.zip\0/../../etc/passwd", 24)},
        {"NUL in the server", std::string("dl\0evil.test", 12), "/a.zip"},
        {"tab in the path", kServer, "/a\t.zip"},
        {"DEL in the server", std::string(kServer) + "\x7f", "/a.zip"},
    };
    fault_server srv({send_bytes(ok("hello"))});
    use_proxy(srv.port());
    for (const inject_case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::size_t log_before = log().size();
        EXPECT_EQ(http.net_check(2, c.server, c.path, dir / "x.zip"), net_failed);
        EXPECT_EQ(http.slots[2], nullptr);
        EXPECT_EQ(log().substr(log_before), refused_log(dir / "x.zip", c.server, c.path));
    }
    EXPECT_EQ(srv.connections(), 0);
    EXPECT_EQ(access((dir / "x.zip").c_str(), F_OK), -1);
}

TEST_F(slots_fixture, TheDestinationIsNeverWrittenThroughALinkAndItsCloseIsChecked)
{
    struct dest_case {
        const char* name;
        std::string dest;
        std::string body;
        rlim_t size_cap; // 0: none
        int error;
    };
    write_file(dir / "victim", "precious");
    ASSERT_EQ(symlink((dir / "victim").c_str(), (dir / "link.zip").c_str()), 0);
    ASSERT_EQ(mkdir((dir / "folder.zip").c_str(), 0755), 0);
    const dest_case cases[] = {
        {"symbolic link", dir / "link.zip", "hello", 0, ELOOP},
        {"a folder", dir / "folder.zip", "hello", 0, EISDIR},
        {"missing folder", dir / "none/a.zip", "hello", 0, ENOENT},
        {"a device is no file", "/dev/null", "hello", 0, EINVAL},
        {"no room at the final flush", dir / "capped1.zip", "hello", 4, EFBIG},
        {"no room while writing", dir / "capped2.zip", std::string(200000, 'b'), 4, EFBIG},
    };
    for (const dest_case& c : cases) {
        SCOPED_TRACE(c.name);
        fault_server srv({send_bytes(ok(c.body)), step(fault_step::hold)});
        use_proxy(srv.port());
        const std::size_t log_before = log().size(); // flushes the log: nothing of it is written under the cap
        std::optional<file_size_cap> cap;
        if (c.size_cap) cap.emplace(c.size_cap);
        EXPECT_EQ(pump(2, kServer, "/a.zip", c.dest, &srv), net_failed);
        cap.reset();
        EXPECT_NE(log().substr(log_before).find("   GetOSErr   =" + std::to_string(c.error) + "\n"), std::string::npos)
            << log().substr(log_before);
    }
    EXPECT_EQ(read_file(dir / "victim"), "precious");
}

TEST_F(slots_fixture, AFifoAtTheDestinationFailsTheDownloadWithoutWaitingForAReader)
{
    struct fifo_case {
        const char* name;
        bool reader; // a reader holds the FIFO open
        int error;
    };
    const fifo_case cases[] = {
        {"nobody reads: the open itself is refused", false, ENXIO},
        {"someone reads: refused as no regular file", true, EINVAL},
    };
    int n = 0;
    for (const fifo_case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string dest = dir / ("fifo" + std::to_string(n++) + ".zip");
        ASSERT_EQ(mkfifo(dest.c_str(), 0644), 0);
        const int reader = c.reader ? open(dest.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC) : -1;
        // Should the open wait after all, a late reader lets it go after 3 s,
        // so the test fails instead of hanging.
        std::atomic<bool> finished{false}, rescued{false};
        std::thread watchdog([&] {
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
            while (!finished.load() && std::chrono::steady_clock::now() < until)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            if (finished.load()) return;
            const int late = open(dest.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
            rescued.store(true);
            while (!finished.load()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
            if (late >= 0) close(late);
        });
        fault_server srv({send_bytes(ok("hello")), step(fault_step::hold)});
        use_proxy(srv.port());
        const std::size_t log_before = log().size();
        const int verdict = pump(2, kServer, "/a.zip", dest, &srv);
        finished.store(true);
        watchdog.join();
        EXPECT_FALSE(rescued.load()) << "the open waited for a reader";
        EXPECT_EQ(verdict, net_failed);
        EXPECT_NE(log().substr(log_before).find("   GetOSErr   =" + std::to_string(c.error) + "\n"), std::string::npos)
            << log().substr(log_before);
        if (reader >= 0) {
            char byte;
            EXPECT_LE(read(reader, &byte, 1), 0) << "bytes went into the FIFO"; // empty: EOF or would block
            close(reader);
        }
    }
}

} // namespace
