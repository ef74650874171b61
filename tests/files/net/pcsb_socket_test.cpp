// The non-blocking socket against its own listener on this machine: connect,
// data both ways, the peer's close, refusals, failed set-up, and descriptors
// beyond the fixed-size select sets.
#include "files/pcsb_socket.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <memory>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

const unsigned long loopback_addr = htonl(INADDR_LOOPBACK);

// Polls until the status leaves `from`, 5 s at most.
int settle(PCSBSocket& s, int from)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    int st = s.GetStatus();
    while (st == from && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        st = s.GetStatus();
    }
    return st;
}

// A listener and one connection to it, accepted.
struct socket_pair {
    std::unique_ptr<PCSBSocket> listener{new PCSBSocket(0, true)};
    std::unique_ptr<PCSBSocket> client{new PCSBSocket(0, false)};
    std::unique_ptr<PCSBSocket> server;

    unsigned short listen_port()
    {
        PCSBSocket::ConnectionData cd;
        listener->GetAddresses(&cd);
        return cd.local_port;
    }
    void connect_and_accept()
    {
        ASSERT_EQ(listener->GetStatus(), PCSBSocket::sock_idle);
        client->Connect(loopback_addr, listen_port());
        ASSERT_EQ(settle(*client, PCSBSocket::sock_connecting), PCSBSocket::sock_connected);
        ASSERT_EQ(settle(*listener, PCSBSocket::sock_idle), PCSBSocket::sock_connecting);
        server.reset(listener->Accept());
        ASSERT_NE(server, nullptr);
        EXPECT_EQ(listener->GetStatus(), PCSBSocket::sock_idle);
        EXPECT_EQ(server->GetStatus(), PCSBSocket::sock_connected);
    }
};

long read_some(PCSBSocket& s, char* buf, long len)
{
    for (int i = 0; i < 5000; ++i) {
        const long n = s.ReadData(buf, len);
        if (n != 0) return n;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return 0;
}

TEST(PCSBSocket, LookupTakesDottedTextDirectlyAndGivesZeroWithoutAnAddress)
{
    EXPECT_EQ(PCSBSocket::LookupAddress("127.0.0.1"), loopback_addr);
    EXPECT_EQ(PCSBSocket::LookupAddress("127.0.0.7"), htonl(0x7F000007));
    EXPECT_EQ(PCSBSocket::LookupAddress("localhost"), loopback_addr); // from the hosts file
    EXPECT_EQ(PCSBSocket::LookupAddress(""), 0u);
    EXPECT_EQ(PCSBSocket::LookupAddress(nullptr), 0u);
    EXPECT_TRUE(PCSBSocket::StartupNetworking(true));
}

TEST(PCSBSocket, DataFlowsBothWaysAndThePeersCloseIsSeen)
{
    socket_pair p;
    p.connect_and_accept();
    char buf[64];
    EXPECT_EQ(p.client->ReadData(buf, sizeof buf), 0); // nothing waiting
    EXPECT_EQ(p.client->GetStatus(), PCSBSocket::sock_connected);

    EXPECT_EQ(p.client->http_WriteData("ping", 4), 4);
    ASSERT_EQ(read_some(*p.server, buf, sizeof buf), 4);
    EXPECT_EQ(std::string(buf, 4), "ping");
    EXPECT_EQ(p.server->http_WriteData("pong!", 5), 5);
    ASSERT_EQ(read_some(*p.client, buf, sizeof buf), 5);

    p.server.reset(); // the peer closes
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!p.client->ReceivedRelease() && std::chrono::steady_clock::now() < deadline)
        EXPECT_LE(p.client->ReadData(buf, sizeof buf), 0);
    EXPECT_TRUE(p.client->ReceivedRelease());
    EXPECT_EQ(p.client->ReadData(buf, sizeof buf), 0);
    EXPECT_EQ(p.client->GetStatus(), PCSBSocket::sock_connected); // an orderly close alone ends nothing
    p.client->Release();
    EXPECT_EQ(p.client->ReadData(buf, sizeof buf), -1);
    EXPECT_EQ(p.client->GetStatus(), PCSBSocket::sock_closed);
    EXPECT_EQ(p.client->GetOSError(), 0);
}

TEST(PCSBSocket, ARefusedConnectEndsClosedOrFailedNeverConnected)
{
    const unsigned short port = [] {
        PCSBSocket probe(0, true); // a port that nothing listens on once probe is gone
        PCSBSocket::ConnectionData cd;
        probe.GetAddresses(&cd);
        return cd.local_port;
    }();
    PCSBSocket s(0, false);
    s.Connect(loopback_addr, port);
    const int st = settle(s, PCSBSocket::sock_connecting);
    if (st == PCSBSocket::sock_error) {
        EXPECT_EQ(s.GetOSError(), ECONNREFUSED); // refused inside Connect
    } else {
        EXPECT_EQ(st, PCSBSocket::sock_closed); // the poll shows the refusal as an error
        EXPECT_EQ(s.GetOSError(), 0);
    }
    char buf[8];
    EXPECT_EQ(s.ReadData(buf, sizeof buf) <= 0, true);
    EXPECT_EQ(s.GetStatus(), st); // settled: stays as it is
}

TEST(PCSBSocket, ASocketWhoseSetUpFailedRefusesToConnect)
{
    socket_pair p;
    PCSBSocket taken(p.listen_port(), false); // the port is in use: bind fails
    ASSERT_EQ(taken.GetStatus(), PCSBSocket::sock_error);
    EXPECT_EQ(taken.GetOSError(), EADDRINUSE);
    taken.Connect(loopback_addr, p.listen_port());
    EXPECT_EQ(taken.GetStatus(), PCSBSocket::sock_error);
    EXPECT_EQ(taken.GetOSError(), EADDRINUSE);
    EXPECT_EQ(p.listener->GetStatus(), PCSBSocket::sock_idle); // no connection arrived
}

TEST(PCSBSocket, DescriptorsPastTheSelectLimitWork)
{
    rlimit lim{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &lim), 0);
    if (lim.rlim_max < 1300) GTEST_SKIP() << "the descriptor limit is below 1300";
    const rlimit old = lim;
    lim.rlim_cur = 1300;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &lim), 0);
    std::vector<int> filler; // takes every low descriptor; the one that reaches 1100 too, to be closed
    for (int i = 0; i < 1300; ++i) {
        const int fd = open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (fd < 0) break;
        filler.push_back(fd);
        if (fd >= 1100) break;
    }
    {
        socket_pair p;
        p.connect_and_accept();
        EXPECT_EQ(p.client->http_WriteData("x", 1), 1);
        char c;
        EXPECT_EQ(read_some(*p.server, &c, 1), 1);
    }
    for (int fd : filler) close(fd);
    setrlimit(RLIMIT_NOFILE, &old);
    EXPECT_GE(filler.size(), 1000u);
}

} // namespace
