// net_peers.h - the peers that the download tests and benchmarks talk to, all
// on 127.0.0.1 and all started and stopped by the test itself:
//   fault_server  - a thread that answers one connection after another from a script
//   local_nginx   - Debian's nginx in the foreground, serving a folder
//   local_proxy   - tinyproxy in the foreground, loopback only
// Every wait is bounded in time; the destructors stop what the constructors started.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

// One step of a fault server's answer.
struct fault_step {
    enum kind_t {
        send,    // bytes, in pieces of `chunk` (0: all at once) with `gap_ms` between them
        wait_go, // stop until the test calls go()
        reset,   // end with a reset (RST)
        close,   // end with an orderly close
        hold,    // keep the connection open, silent, until the server stops
    };
    kind_t kind;
    std::string bytes;
    std::size_t chunk;
    int gap_ms;
};

fault_step send_bytes(std::string bytes, std::size_t chunk = 0, int gap_ms = 0);
fault_step step(fault_step::kind_t kind);

// Listens on 127.0.0.1 (any free port); each connection reads one request
// (through its empty line, then the body its Content-Length announces) and
// then plays the script. A script without an
// ending step ends with an orderly close.
class fault_server {
public:
    explicit fault_server(std::vector<fault_step> script);
    ~fault_server();
    fault_server(const fault_server&) = delete;
    fault_server& operator=(const fault_server&) = delete;

    unsigned short port() const { return port_; }
    std::string request() const; // the last request's header and announced body, as far as they came
    int connections() const { return accepted.load(); }
    bool holding() const { return in_hold.load(); } // the script reached hold
    bool played() const { return done.load(); }     // the script has played out (hold or an end)
    void go() { released.store(true); }             // lets a wait_go step pass

private:
    std::vector<fault_step> script;
    int listen_fd;
    unsigned short port_;
    std::thread worker;
    std::atomic<bool> stopping{false}, in_hold{false}, released{false}, done{false};
    std::atomic<int> accepted{0};
    mutable std::mutex lock;
    std::string last_request;

    void run();
    void serve(int fd);
    std::string read_request(int fd); // header, then the announced body; bounded in size and time
    bool play(int fd, const fault_step& s); // false: the connection has ended
    bool stopped_or(int ms);                // sleeps up to ms; true when stopping
};

// A child process that is killed with the test process and stopped in the
// destructor: SIGTERM, a bounded wait, then SIGKILL.
class child_process {
public:
    child_process() = default;
    ~child_process() { stop(); }
    child_process(const child_process&) = delete;
    child_process& operator=(const child_process&) = delete;
    bool start(const std::vector<std::string>& argv, const std::string& log_path);
    bool running();
    void stop();

private:
    pid_t pid = -1;
};

unsigned short free_loopback_port(); // a port free on 127.0.0.1 at the moment of asking
bool wait_for_port(unsigned short port, child_process& owner, int ms); // connectable in time

// nginx serving `root`, on 127.0.0.1:port(), with config, pid, logs and temp
// folders under `work`. ok() is false when it could not be started.
class local_nginx {
public:
    local_nginx(const std::string& work, const std::string& root);
    bool ok() const { return port_ != 0; }
    unsigned short port() const { return port_; }

private:
    child_process proc;
    unsigned short port_ = 0;
};

// tinyproxy on 127.0.0.1:port(), admitting only 127.0.0.1.
class local_proxy {
public:
    explicit local_proxy(const std::string& work);
    bool ok() const { return port_ != 0; }
    unsigned short port() const { return port_; }

private:
    child_process proc;
    unsigned short port_ = 0;
};

// Writes `size` bytes of a position-dependent pattern; false when the write fails.
bool write_pattern_file(const std::string& path, unsigned long long size);
// True when the file holds exactly that pattern of that size.
bool check_pattern_file(const std::string& path, unsigned long long size);
