// One transfer object on its own: the request bytes as the server receives
// them, straight or through the proxy, and the reply fields it keeps.
#include "net_fixture.h"

#include "files/io_errors.h"
#include "files/pcsb_socket.h"

#include <cerrno>

namespace {

using down_fixture = net_fixture;

const std::map<std::string, std::string> kSlotHeaders = {
    {"Host", "dl.skylume.test"}, {"User-agent", "Installer-LIN/a-19"}, {"Connection", "close"}};

std::string ok_reply() { return "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"; }

// Steps the object until `done` holds, 10 s at most.
template <typename Pred>
void step_until(down_class& d, Pred done)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (long i = 0; i < 100000000 && !done() && std::chrono::steady_clock::now() < deadline; ++i) {
        d.DoProcessing();
        if (i % 64 == 63) std::this_thread::yield();
    }
    ASSERT_TRUE(done());
}

TEST_F(down_fixture, TheRequestGoesOutByteExactStraightOrThroughTheProxy)
{
    struct request_case {
        const char* name;
        bool proxy;
        const char* path;
        const char* body;
        std::string wire;
    };
    const std::string tail = "Connection: close\r\nHost: dl.skylume.test\r\nUser-agent: Installer-LIN/a-19\r\n";
    const request_case cases[] = {
        {"straight, blanks escaped", false, "/a b/c d.zip", nullptr, "GET /a%20b/c%20d.zip HTTP/1.1\r\n" + tail + "\r\n"},
        {"straight, other bytes untouched", false, "/x%41+y?z=1", nullptr, "GET /x%41+y?z=1 HTTP/1.1\r\n" + tail + "\r\n"},
        {"through the proxy", true, "/a b.zip", nullptr,
         "GET http://dl.skylume.test/a%20b.zip HTTP/1.1\r\n" + tail + "\r\n"},
        {"with a body", false, "/post", "abc", "POST /post HTTP/1.1\r\n" + tail + "Content-Length: 3\r\n\r\nabc"},
    };
    for (const request_case& c : cases) {
        SCOPED_TRACE(c.name);
        fault_server srv({send_bytes(ok_reply())});
        http.reset();
        if (c.proxy) use_proxy(srv.port());
        // Straight requests name the server by address; the proxied one by a name
        // that only the proxy (here the fault server) sees.
        const char* server = c.proxy ? "dl.skylume.test" : "127.0.0.1";
        down_class d(server, c.proxy ? 80 : srv.port(), c.path, c.body != nullptr, kSlotHeaders, c.body,
                     c.body ? 3 : 0, nullptr);
        step_until(d, [&] { return d.IsDone() || d.IsErr(); });
        EXPECT_FALSE(d.IsErr());
        EXPECT_EQ(srv.request(), c.wire);
    }
}

TEST_F(down_fixture, ReplyFieldsKeepTheFirstHeaderAndTheBodyStaysWithoutADestination)
{
    fault_server srv({send_bytes("HTTP/1.1 100 Continue\r\nX-Step: interim\r\n\r\n"), send_bytes(
                          "HTTP/1.1 200 Fine Thanks\r\nX-Step: final\r\nContent-Length: 5\r\nJunk line\r\n"
                          "Content-Length: 9\r\nName : v\r\n\r\nhello",
                          2, 1)});
    down_class d("127.0.0.1", srv.port(), "/", false, kSlotHeaders, nullptr, 0, nullptr);
    EXPECT_EQ(d.status_code, -1);
    EXPECT_EQ(d.content_length, down_length_unknown);
    step_until(d, [&] { return d.IsDone(); });
    std::string text;
    int code = 0;
    d.GetResponse(&text, &code);
    EXPECT_EQ(code, 200);
    EXPECT_EQ(text, "Fine Thanks");
    EXPECT_EQ(d.content_length, 5u);
    EXPECT_EQ(d.bytes_written, 0u); // nothing written without a file
    EXPECT_EQ(std::string(d.recv_bytes.begin(), d.recv_bytes.end()), "hello");
    const std::map<std::string, std::string> want = {
        {"X-Step", "interim"}, {"Content-Length", "5"}, {"Name ", "v"}};
    EXPECT_EQ(d.reply_headers, want);
    EXPECT_EQ(d.GetStatus(), down_closed);
}

// The reply reader on its own, without a socket: a request refused for its
// control character leaves a transfer that only the bytes handed in drive.
TEST_F(down_fixture, AReplyReadsTheSameInPiecesOfEverySize)
{
    const std::string reply = "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 6\r\n"
                              "X-A: first\r\nX-A: second\r\n\r\nsix by"
                              "tes and more";
    const std::string dest = dir / "body";
    for (std::size_t piece = 1; piece <= reply.size(); ++piece) {
        SCOPED_TRACE(piece);
        {
            down_class d("\x01", 80, "/", false, {}, nullptr, 0, dest.c_str());
            for (std::size_t at = 0; at < reply.size(); at += piece)
                d.TakeReceived(reply.data() + at, std::min(piece, reply.size() - at));
            EXPECT_TRUE(d.headers_done);
            EXPECT_EQ(d.status_code, 200);
            EXPECT_EQ(d.content_length, 6u);
            EXPECT_EQ(d.bytes_written, 6u);
            const std::map<std::string, std::string> want = {{"Content-Length", "6"}, {"X-A", "first"}};
            EXPECT_EQ(d.reply_headers, want);
        }
        EXPECT_EQ(read_file(dest), "six by"); // the bytes past the announced length are dropped
    }

    down_class endless("\x01", 80, "/", false, {}, nullptr, 0, nullptr);
    endless.error = 0; // forget the refusal, so that the header limit's own code shows
    const std::string line = "X: " + std::string(1000, 'x') + "\r\n";
    for (std::size_t sent = 0; sent <= down_header_limit; sent += line.size())
        endless.TakeReceived(line.data(), line.size());
    EXPECT_EQ(endless.error, err_net_bad_reply); // a header that never ends stops the transfer
    EXPECT_FALSE(endless.headers_done);
}

TEST_F(down_fixture, RefusedAndUnresolvedRequestsHaveNoSocket)
{
    struct refuse_case {
        const char* name;
        std::string server;
        std::string path;
        std::map<std::string, std::string> headers;
        int error;
    };
    const refuse_case cases[] = {
        {"unknown server", "", "/a.zip", kSlotHeaders, err_net_no_server},
        {"CR in the path", "127.0.0.1", "/a\r.zip", kSlotHeaders, EINVAL},
        {"NUL in the path", "127.0.0.1", std::string("/a.zip\0/b", 9), kSlotHeaders, EINVAL},
        {"LF in a header value", "127.0.0.1", "/a.zip", {{"Host", "x\nEvil: 1"}}, EINVAL},
    };
    for (const refuse_case& c : cases) {
        SCOPED_TRACE(c.name);
        down_class d(c.server, 80, c.path, false, c.headers, nullptr, 0, nullptr);
        EXPECT_EQ(d.socket, nullptr);
        EXPECT_TRUE(d.send_bytes.empty());
        EXPECT_EQ(d.status_code, 0);
        EXPECT_EQ(d.GetStatus(), down_no_socket);
        EXPECT_TRUE(d.IsErr());
        EXPECT_FALSE(d.IsDone());
        EXPECT_EQ(d.GetOSError(), c.error);
        d.DoProcessing(); // does nothing
    }
}

TEST_F(down_fixture, AProxyHostWithControlCharactersIsRefused)
{
    http.proxy_host = "127.0.0.1\r\nX: y";
    http.proxy_port = 3128;
    down_class d("dl.skylume.test", 80, "/a.zip", false, kSlotHeaders, nullptr, 0, nullptr);
    EXPECT_EQ(d.socket, nullptr);
    EXPECT_EQ(d.error, EINVAL);
}

} // namespace
