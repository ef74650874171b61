// net_peers.cpp - loopback peers for the download tests.
//
//   helpers        - loopback sockets, bounded sleeps
//   fault_server   - accept loop, request reader (header and body), script player
//   child_process  - spawn with parent-death signal, bounded stop
//   nginx, proxy   - generated configs, start on a free port
//   pattern files  - big files whose every byte depends on its offset
#include "support/net_peers.h"

#include <arpa/inet.h>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using steady = std::chrono::steady_clock;

constexpr int server_life_ms = 60000; // no fault server lives longer than this

sockaddr_in loopback(unsigned short port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    return a;
}

int loopback_listener(unsigned short* port)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in a = loopback(0);
    socklen_t len = sizeof a;
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd, 16) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        ::close(fd);
        return -1;
    }
    *port = ntohs(a.sin_port);
    return fd;
}

bool send_all(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// The body length a request's header announces; 0 without a readable one.
std::size_t request_body_length(const std::string& header)
{
    const std::string name = "\r\ncontent-length:";
    std::string lower = header;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::size_t at = lower.find(name);
    if (at == std::string::npos) return 0;
    const unsigned long long n = std::strtoull(header.c_str() + at + name.size(), nullptr, 10);
    return static_cast<std::size_t>(std::min<unsigned long long>(n, 1 << 20)); // a test body is small
}

std::uint64_t pattern_word(std::uint64_t offset) { return (offset + 1) * 0x9E3779B97F4A7C15ull; }

void fill_pattern(std::vector<char>& block, std::uint64_t offset)
{
    for (std::size_t i = 0; i < block.size(); i += 8) {
        const std::uint64_t w = pattern_word(offset + i);
        std::memcpy(block.data() + i, &w, std::min<std::size_t>(8, block.size() - i));
    }
}

} // namespace

// ---- fault_server --------------------------------------------------------

fault_step send_bytes(std::string bytes, std::size_t chunk, int gap_ms)
{
    return {fault_step::send, std::move(bytes), chunk, gap_ms};
}

fault_step step(fault_step::kind_t kind) { return {kind, {}, 0, 0}; }

fault_server::fault_server(std::vector<fault_step> s) : script(std::move(s)), listen_fd(-1), port_(0)
{
    listen_fd = loopback_listener(&port_);
    if (listen_fd >= 0) worker = std::thread([this] { run(); });
}

fault_server::~fault_server()
{
    stopping.store(true);
    if (worker.joinable()) worker.join();
    if (listen_fd >= 0) ::close(listen_fd);
}

std::string fault_server::request() const
{
    std::lock_guard<std::mutex> g(lock);
    return last_request;
}

bool fault_server::stopped_or(int ms)
{
    const auto until = steady::now() + std::chrono::milliseconds(ms);
    while (!stopping.load()) {
        if (steady::now() >= until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void fault_server::run()
{
    const auto deadline = steady::now() + std::chrono::milliseconds(server_life_ms);
    while (!stopping.load() && steady::now() < deadline) {
        pollfd p{listen_fd, POLLIN, 0};
        if (poll(&p, 1, 10) <= 0) continue;
        const int fd = accept4(listen_fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        accepted.fetch_add(1);
        serve(fd);
    }
}

void fault_server::serve(int fd)
{
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    const std::string req = read_request(fd);
    {
        std::lock_guard<std::mutex> g(lock);
        last_request = req;
    }
    for (const fault_step& s : script) {
        if (!play(fd, s)) {
            done.store(true);
            return;
        }
    }
    ::shutdown(fd, SHUT_WR);
    ::close(fd);
    done.store(true);
}

// Reads through the header's empty line, then on for the body its
// Content-Length announces; returns what arrived of both (no more), or
// everything read when the header never ends.
std::string fault_server::read_request(int fd)
{
    std::string req;
    std::size_t wanted = 0; // header plus body once the header has ended
    char buf[4096];
    const auto deadline = steady::now() + std::chrono::seconds(10);
    while ((wanted == 0 || req.size() < wanted) && req.size() < (2u << 20) && steady::now() < deadline &&
           !stopping.load()) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 10) <= 0) continue;
        const ssize_t n = recv(fd, buf, sizeof buf, 0);
        if (n <= 0) break;
        req.append(buf, static_cast<std::size_t>(n));
        const std::size_t end = req.find("\r\n\r\n");
        if (wanted == 0 && end != std::string::npos) wanted = end + 4 + request_body_length(req.substr(0, end + 2));
    }
    return wanted == 0 ? req : req.substr(0, wanted);
}

bool fault_server::play(int fd, const fault_step& s)
{
    switch (s.kind) {
    case fault_step::send: {
        const std::size_t piece = s.chunk ? s.chunk : s.bytes.size();
        for (std::size_t at = 0; at < s.bytes.size(); at += piece) {
            if (at > 0 && s.gap_ms > 0 && stopped_or(s.gap_ms)) break;
            if (!send_all(fd, s.bytes.data() + at, std::min(piece, s.bytes.size() - at))) break;
        }
        return true;
    }
    case fault_step::wait_go: {
        const auto deadline = steady::now() + std::chrono::milliseconds(server_life_ms);
        while (!released.load() && !stopping.load() && steady::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return true;
    }
    case fault_step::reset: {
        const linger hard{1, 0}; // a zero linger turns the close into a reset
        setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        ::close(fd);
        return false;
    }
    case fault_step::close:
        ::shutdown(fd, SHUT_WR);
        ::close(fd);
        return false;
    case fault_step::hold:
        in_hold.store(true);
        done.store(true);
        stopped_or(server_life_ms);
        ::close(fd);
        return false;
    }
    return true;
}

// ---- child_process -------------------------------------------------------

bool child_process::start(const std::vector<std::string>& argv, const std::string& log_path)
{
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const pid_t parent = getpid();
    pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        // Only async-signal-safe calls between fork and exec.
        prctl(PR_SET_PDEATHSIG, SIGKILL); // never outlive the test
        if (getppid() != parent) _exit(127);
        const int log = open(log_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (log >= 0) {
            dup2(log, 1);
            dup2(log, 2);
        }
        execv(args[0], args.data());
        _exit(127);
    }
    return true;
}

bool child_process::running()
{
    if (pid <= 0) return false;
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == 0) return true;
    pid = -1;
    return false;
}

void child_process::stop()
{
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    for (int i = 0; i < 500; ++i) { // 5 s at most, then no more asking
        if (!running()) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    pid = -1;
}

unsigned short free_loopback_port()
{
    unsigned short port = 0;
    const int fd = loopback_listener(&port);
    if (fd >= 0) ::close(fd);
    return port;
}

bool wait_for_port(unsigned short port, child_process& owner, int ms)
{
    const auto deadline = steady::now() + std::chrono::milliseconds(ms);
    while (steady::now() < deadline && owner.running()) {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const sockaddr_in a = loopback(port);
        const bool up = connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
        ::close(fd);
        if (up) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// ---- nginx and tinyproxy -------------------------------------------------

namespace {

bool write_text(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::trunc);
    out << text;
    return static_cast<bool>(out);
}

// Tries a few free ports: another program may take one between asking and binding.
template <typename Write_config>
unsigned short start_on_free_port(child_process& proc, const std::vector<std::string>& argv,
                                   const std::string& log, Write_config write_config)
{
    for (int attempt = 0; attempt < 5; ++attempt) {
        const unsigned short port = free_loopback_port();
        if (port == 0 || !write_config(port) || !proc.start(argv, log)) continue;
        if (wait_for_port(port, proc, 10000)) return port;
        proc.stop();
    }
    return 0;
}

} // namespace

local_nginx::local_nginx(const std::string& work, const std::string& root)
{
    if (access("/usr/sbin/nginx", X_OK) != 0) return;
    const std::string conf = work + "/nginx.conf";
    auto write_config = [&](unsigned short port) {
        std::string c;
        if (geteuid() == 0) c += "user root;\n";
        c += "daemon off;\nmaster_process off;\nworker_processes 1;\n";
        c += "pid " + work + "/nginx.pid;\nerror_log " + work + "/error.log;\n";
        c += "events { worker_connections 64; }\n";
        c += "http {\n  access_log off;\n  default_type application/octet-stream;\n  sendfile on;\n";
        for (const char* t : {"client_body", "proxy", "fastcgi", "uwsgi", "scgi"})
            c += std::string("  ") + t + "_temp_path " + work + "/" + t + "_temp;\n";
        c += "  server {\n    listen 127.0.0.1:" + std::to_string(port) + ";\n";
        c += "    root " + root + ";\n  }\n}\n";
        return write_text(conf, c);
    };
    port_ = start_on_free_port(proc, {"/usr/sbin/nginx", "-p", work, "-e", work + "/error.log", "-c", conf},
                               work + "/nginx.out", write_config);
}

local_proxy::local_proxy(const std::string& work)
{
    if (access("/usr/bin/tinyproxy", X_OK) != 0) return;
    const std::string conf = work + "/tinyproxy.conf";
    auto write_config = [&](unsigned short port) {
        std::string c = "Port " + std::to_string(port) + "\nListen 127.0.0.1\nTimeout 60\n";
        if (geteuid() == 0) c += "User root\nGroup root\n";
        c += "Allow 127.0.0.1\nMaxClients 16\nLogLevel Info\n";
        c += "LogFile \"" + work + "/tinyproxy.log\"\nPidFile \"" + work + "/tinyproxy.pid\"\n";
        return write_text(conf, c);
    };
    port_ = start_on_free_port(proc, {"/usr/bin/tinyproxy", "-d", "-c", conf}, work + "/tinyproxy.out",
                               write_config);
}

// ---- pattern files -------------------------------------------------------

bool write_pattern_file(const std::string& path, unsigned long long size)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::vector<char> block(1 << 20);
    for (unsigned long long at = 0; at < size && out; at += block.size()) {
        block.resize(static_cast<std::size_t>(std::min<unsigned long long>(1 << 20, size - at)));
        fill_pattern(block, at);
        out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    out.close();
    return static_cast<bool>(out);
}

bool check_pattern_file(const std::string& path, unsigned long long size)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<char> want(1 << 20), got(1 << 20);
    unsigned long long at = 0;
    while (in) {
        in.read(got.data(), static_cast<std::streamsize>(got.size()));
        const std::size_t n = static_cast<std::size_t>(in.gcount());
        if (n == 0) break;
        want.resize(n);
        fill_pattern(want, at);
        if (std::memcmp(want.data(), got.data(), n) != 0) return false;
        at += n;
    }
    return at == size;
}
