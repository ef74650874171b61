// pcsb_socket.cpp - the non-blocking TCP socket.
//
//   helpers      - error classes, the zero-time-out poll
//   class-wide   - start-up hooks, address lookup
//   life         - constructors, destructor
//   operations   - status, connect, receive, send, shutdown, accept, addresses
#include "files/pcsb_socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Errors that end a connection without being a fault of this side.
bool is_connection_ending(int err)
{
    switch (err) {
    case ECONNABORTED: case ECONNREFUSED: case ECONNRESET: case EHOSTUNREACH:
    case ENETDOWN: case ENETRESET: case ENETUNREACH: case ETIMEDOUT:
        return true;
    default:
        return false;
    }
}

// One poll of one descriptor with a zero time-out: poll has no limit on the
// descriptor's number, unlike the fixed-size sets of select.
int poll_now(int fd, short events, short* revents)
{
    pollfd p{fd, events, 0};
    const int n = poll(&p, 1, 0);
    *revents = p.revents;
    return n;
}

} // namespace

// ---- class-wide ----------------------------------------------------------

bool PCSBSocket::StartupNetworking(bool) { return true; }
void PCSBSocket::ShutdownNetworking(bool) {}

unsigned long PCSBSocket::LookupAddress(const char* name)
{
    if (!name) return 0;
    const in_addr_t direct = inet_addr(name);
    if (direct != INADDR_NONE) return direct;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &list) != 0 || !list) return 0;
    const unsigned long found = reinterpret_cast<sockaddr_in*>(list->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(list);
    return found;
}

int printf_null(char*, ...) { return 0; }

// ---- life ----------------------------------------------------------------

PCSBSocket::PCSBSocket(unsigned short port, bool listen)
    : sock(-1), status(sock_idle), os_error(0), received_release(false), released(false),
      listening(false)
{
    // Non-blocking from the start, so that no later failure leaves a descriptor that waits.
    sock = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (sock < 0) {
        fail("LINUX: NET: I could not even create the socket! Uh-oh!\n", errno);
        return;
    }
    const int one = 1;
    if (setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one) != 0)
        std::printf("-----------------------Could not set TCP_NODELAY on port %d-------------\n", port);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(port);
    if (bind(sock, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        fail("LINUX: NET: I could not even bind the socket! Uh-oh!\n", errno);
        return;
    }
    if (!listen) return;
    listening = true;
    if (::listen(sock, 128) != 0) fail("LINUX: NET: I could not start listening! Uh-oh!\n", errno);
}

PCSBSocket::PCSBSocket(int descriptor)
    : sock(descriptor), status(sock_connected), os_error(0), received_release(false),
      released(false), listening(false)
{
    const int flags = fcntl(sock, F_GETFL);
    if (flags >= 0) fcntl(sock, F_SETFL, flags | O_NONBLOCK);
    fcntl(sock, F_SETFD, FD_CLOEXEC);
}

PCSBSocket::~PCSBSocket()
{
    if (sock < 0) return;
    shutdown(sock, SHUT_RDWR);
    close(sock);
}

void PCSBSocket::fail(const char* message, int err)
{
    std::fputs(message, stderr);
    os_error = err;
    status = sock_error;
}

// ---- operations ----------------------------------------------------------

int PCSBSocket::GetStatus()
{
    char line[160];
    short revents = 0;
    if (status == sock_idle) {
        if (!listening) return status;
        const int n = poll_now(sock, POLLIN, &revents);
        if (n > 0) status = (revents & POLLIN) ? sock_connecting : sock_closed;
        else if (n < 0 && errno != EINTR) {
            std::snprintf(line, sizeof line, "LINUX: NET: Some sort of socket error! %d\n", n);
            fail(line, errno);
        }
        return status;
    }
    if (status != sock_connecting) return status; // settled: no system call
    const int n = poll_now(sock, POLLOUT | POLLPRI, &revents);
    if (n > 0) {
        // The poll reports a connect refused after Connect returned as an error
        // or hang-up condition; it ends closed at once, with no errno, where a
        // refusal inside Connect ends failed. Deliberate: the download's verdict
        // is the same either way (it ends without its bytes).
        const bool clean = (revents & POLLOUT) && !(revents & (POLLERR | POLLHUP | POLLPRI | POLLNVAL));
        status = clean ? sock_connected : sock_closed;
    } else if (n < 0 && errno != EINTR) {
        const int err = errno;
        std::snprintf(line, sizeof line,
                      "LINUX: NET: Some sort of socket error while connecting! %d (errno=%d sock=%d)\n", n,
                      err, sock);
        fail(line, err);
    }
    return status;
}

void PCSBSocket::Connect(unsigned long address, unsigned short port)
{
    // A socket whose set-up failed has nothing to connect: it keeps its error.
    if (status == sock_error || sock < 0) return;
    status = sock_connecting;
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_addr.s_addr = static_cast<in_addr_t>(address);
    peer.sin_port = htons(port);
    if (connect(sock, reinterpret_cast<sockaddr*>(&peer), sizeof peer) == 0) {
        status = sock_connected;
        return;
    }
    const int err = errno;
    if (err == EAGAIN || err == EINPROGRESS) return;
    char line[96];
    std::snprintf(line, sizeof line, "LINUX: NET: Some sort of connect error! %d\n", err);
    fail(line, err);
}

long PCSBSocket::ReadData(void* buffer, long length)
{
    if (length <= 0) return 0; // a zero-length receive would read as the peer's close
    const ssize_t got = recv(sock, buffer, static_cast<size_t>(length), 0);
    if (got > 0) return static_cast<long>(got);
    if (got == 0) {
        received_release = true;
        if (!released) return 0;
        status = sock_closed;
        return -1;
    }
    return transfer_failure(errno, "recving");
}

long PCSBSocket::http_WriteData(const void* buffer, long length)
{
    if (length <= 0) return 0;
    // MSG_NOSIGNAL: a peer that went away is an error result, never a signal.
    const ssize_t sent = send(sock, buffer, static_cast<size_t>(length), MSG_NOSIGNAL);
    if (sent >= 0) return static_cast<long>(sent);
    return transfer_failure(errno, "sending");
}

long PCSBSocket::transfer_failure(int err, const char* verb)
{
    if (err == EAGAIN || err == EWOULDBLOCK) return 0;
    if (is_connection_ending(err)) {
        status = sock_closed;
        return -1;
    }
    char line[96];
    std::snprintf(line, sizeof line, "LINUX: NET: Some sort of error while %s! %d\n", verb, err);
    fail(line, err);
    return -1;
}

void PCSBSocket::Disconnect()
{
    if (sock >= 0) shutdown(sock, SHUT_RDWR);
    status = sock_closed;
}

void PCSBSocket::Release()
{
    if (shutdown(sock, SHUT_WR) != 0) {
        os_error = errno;
        status = sock_error;
    }
    released = true;
}

void PCSBSocket::GetAddresses(ConnectionData* out)
{
    *out = ConnectionData{};
    sockaddr_in addr{};
    socklen_t len = sizeof addr;
    if (getpeername(sock, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
        out->remote_addr = addr.sin_addr.s_addr;
        out->remote_port = ntohs(addr.sin_port);
    }
    len = sizeof addr;
    if (getsockname(sock, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
        out->local_addr = ntohl(addr.sin_addr.s_addr);
        out->local_port = ntohs(addr.sin_port);
    }
}

PCSBSocket* PCSBSocket::Accept()
{
    status = sock_idle;
    const int fd = accept4(sock, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return nullptr;
    return new PCSBSocket(fd);
}
