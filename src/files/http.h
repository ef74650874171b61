// http.h - the polled HTTP/1.1 download client: the proxy rule, one transfer
// (down_class) and the six numbered download slots of the global `http`.
//
// Main thread only: nothing here is locked, and every step shares one read
// buffer. No call waits for the network except the host-name lookup that
// starts a transfer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

class PCSBSocket;

// ---- proxy rule ----------------------------------------------------------
// Host-name suffixes that bypass the proxy, tried in order; starts empty.
extern std::vector<std::string> gProxyExclude;

bool UseProxy(const char* host, unsigned short port);              // proxy set and host not excluded
const char* ProxyHost(const char* host, unsigned short port);      // proxy host text, else host
unsigned short ProxyPort(const char* host, unsigned short port);   // low 16 bits of proxy_port, else port

// ---- one transfer --------------------------------------------------------
constexpr std::uint64_t down_length_unknown = UINT64_MAX; // content_length before a usable length
constexpr std::size_t down_read_chunk = 65536;            // most bytes one step receives
constexpr std::size_t down_header_limit = 262144;         // most bytes a reply's header blocks may take

// Download states reported by down_class::GetStatus, the first that applies.
enum : int {
    down_no_socket = 0,      // refused or unresolved: never connected
    down_connecting = 1,
    down_socket_error = 2,
    down_closed = 3,
    down_sending = 4,        // request bytes still queued
    down_receiving_body = 5, // final header block ended
    down_awaiting_reply = 6,
};

// One HTTP/1.1 request in flight, made, stepped and deleted by its owner.
// The owner decides success, failure or stall from the queries and fields.
class down_class {
public:
    // Queues the request, resolves the server (or proxy) and starts the connect.
    // body may be null (no body); dest may be null (the body stays in recv_bytes).
    // Control characters in the server, path or header lines refuse the request
    // (error EINVAL, no socket) so that nothing can inject lines into it.
    down_class(const char* server, unsigned short port, const char* path, bool post,
               const std::map<std::string, std::string>& headers, const char* body, int body_length,
               const char* dest);
    // The same for texts that may hold a NUL, which would cut a C string short:
    // a NUL refuses the request like any other control character.
    down_class(const std::string& server, unsigned short port, const std::string& path, bool post,
               const std::map<std::string, std::string>& headers, const char* body, int body_length,
               const char* dest);
    ~down_class(); // closes the file (partial data stays on disk) and the socket
    down_class(const down_class&) = delete;
    down_class& operator=(const down_class&) = delete;

    void DoProcessing(); // one step: one send, at most one receive of down_read_chunk bytes
    // The bytes of one receive: header lines until the final block ends, then
    // body. DoProcessing hands it what the socket gave; tests and the fuzz
    // target feed replies through it in pieces, with or without a socket.
    void TakeReceived(const char* data, std::size_t count);

    bool IsDone();       // the socket exists and is closed
    bool IsComplete();   // bytes_written equals content_length
    bool IsErr();        // error recorded, no socket, or socket error
    int GetStatus();     // down_no_socket .. down_awaiting_reply
    int GetOSError();    // error; else err_net_no_connection without socket; else the socket's
    void GetResponse(std::string* text, int* code) const; // status_text, status_code

    PCSBSocket* socket;                // owned; null when refused or unresolved
    std::vector<char> send_bytes;      // request bytes not yet accepted by the socket
    std::vector<char> recv_bytes;      // header bytes not yet parsed, or body not yet written
    bool headers_done;                 // the final header block (status >= 200) ended
    int status_code;                   // 0 unresolved/refused; -1 until a status line; then the status
    std::string status_text;           // reason phrase of the last status line
    std::map<std::string, std::string> reply_headers; // first occurrence of each name wins
    std::FILE* out_file;               // destination, open from the end of a 2xx header block to completion
    std::string dest_path;             // app_path + dest; empty without a destination
    int error;                         // 0, err_net_no_server, err_net_bad_reply, err_net_too_large,
                                       // err_net_transfer_encoding, EINVAL or an errno;
                                       // EINVAL also when the destination is not a regular file
    std::uint64_t content_length;      // announced body length; down_length_unknown while unknown
    std::uint64_t bytes_written;       // body bytes handed to the destination file
    float last_activity;               // xtim.elapsed_time at the start and at each body step, s
    std::uint64_t body_limit;          // most body bytes the owner takes (set before the first step); 0: no bound.
                                       // A body found longer is refused, and what was written of it removed

private:
    std::size_t header_bytes;          // bytes consumed by header blocks so far
    bool encoded_body;                 // a Transfer-Encoding line named an encoding not decoded here

    bool parse_header_lines();         // true when the final header block ended in this step
    void take_header_line(const std::string& line);
    void end_header_block();
    bool body_refused();               // the final block rules the body out; the transfer is stopped
    void stop(int why);                // drops what came, disconnects; why (if non-zero) becomes error
    void handle_body();
    void write_body();
    void close_out_file();             // checked close: a failed flush is a failed transfer
    void remove_out_file();            // closes and removes the destination this transfer began
};

// ---- download slots ------------------------------------------------------
enum : int { net_running = 0, net_done = 1, net_failed = 2 }; // results of net_check

constexpr int slot_count = 6;
constexpr int slot_serverlist = 0;   // about window: the server list
constexpr int slot_installer = 1;    // about window: a newer installer
constexpr int slot_first_stream = 2; // install engine: stream s uses slot 2 + s

extern const char* const http_product_version; // "Skylume 9.00 Beta-19": its tail is the agent's

// Owner: the main thread. Built with empty proxy settings and free slots.
class http_class {
public:
    std::string proxy_host;      // proxy host name or dotted address; empty: no proxy
    std::string proxy_port_text; // the port as the user typed it
    int proxy_port = 0;          // 0: no proxy; its low 16 bits are the port
    down_class* slots[slot_count] = {}; // owned transfer per slot; null when free

    // One poll of a slot: starts a GET of dir from server (port 80, or through the
    // proxy) into dest when the slot is free, then advances it one step. Returns
    // net_running, net_done (2xx, every announced byte written and the file closed)
    // or net_failed (logged to xer, or silent after 30 s of frame-clock time
    // without body data). dest is created or truncated only for a 2xx reply whose
    // body may be taken: an error or redirect reply leaves it untouched. A body
    // longer than max_bytes (0: no bound; used only when the transfer starts)
    // fails as soon as that shows, and leaves no part of itself in dest. Bad
    // slot, server ending in '/' or dir without a leading '/' are fatal alerts.
    int net_check(int slot, std::string server, std::string dir, const std::string& dest,
                  std::uint64_t max_bytes = 0);
    float percent_done(int slot) const; // 0 free; -1 length unknown; else percent written

    void reset(); // for tests: deletes every transfer, empties the proxy settings and gProxyExclude
};

extern http_class http;
