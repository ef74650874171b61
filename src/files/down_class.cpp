// down_class.cpp - one HTTP/1.1 transfer, stepped once per frame.
//
//   helpers        - request text, control-character guard, reply field readers
//   life           - constructors (request, lookup, connect), destructor
//   step           - DoProcessing: send, receive, header lines, body to file
//   queries        - IsDone, IsComplete, IsErr, GetStatus, GetOSError, GetResponse
#include "files/http.h"

#include "foundation/hl_types.h"
#include "files/io_errors.h"
#include "files/pcsb_socket.h"
#include "foundation/xtim.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

char readChunk[down_read_chunk]; // shared by every transfer; never outlives one step

constexpr std::uint64_t max_content_length = INT64_MAX;

bool has_control_chars(const std::string& text)
{
    return std::any_of(text.begin(), text.end(), [](char c) {
        const unsigned char u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7F;
    });
}

bool request_is_clean(const std::string& server, const std::string& path,
                      const std::map<std::string, std::string>& headers, bool proxied)
{
    if (has_control_chars(server) || has_control_chars(path)) return false;
    if (proxied && has_control_chars(http.proxy_host)) return false;
    for (const auto& h : headers)
        if (has_control_chars(h.first) || has_control_chars(h.second)) return false;
    return true;
}

std::string request_text(const std::string& server, const std::string& path, bool post, bool proxied,
                         const std::map<std::string, std::string>& headers, const char* body,
                         int body_length)
{
    std::string req = post ? "POST " : "GET ";
    if (proxied) {
        const auto host = headers.find("Host");
        req += "http://";
        req += host != headers.end() ? host->second : server;
    }
    for (const char c : path) {
        if (c == ' ') req += "%20";
        else req += c;
    }
    req += " HTTP/1.1\r\n";
    for (const auto& h : headers) req += h.first + ": " + h.second + "\r\n";
    if (body) req += "Content-Length: " + std::to_string(body_length) + "\r\n";
    req += "\r\n";
    if (body) req.append(body, static_cast<std::size_t>(body_length));
    return req;
}

// Leading blanks and a '+' are allowed and reading stops at the first non-digit;
// no digit, a '-' sign or a value past 2^63 - 1 leaves the length unknown.
std::uint64_t parse_content_length(const std::string& value)
{
    std::size_t i = value.find_first_not_of(" \t");
    if (i == std::string::npos) return down_length_unknown;
    if (value[i] == '+') ++i;
    if (i >= value.size() || value[i] < '0' || value[i] > '9') return down_length_unknown;
    std::uint64_t n = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
        const unsigned digit = static_cast<unsigned>(value[i] - '0');
        if (n > (max_content_length - digit) / 10) return down_length_unknown;
        n = n * 10 + digit;
    }
    return n;
}

// Opens the destination for writing without ever waiting and without following
// a link: a FIFO planted there would otherwise hold the frame until a reader
// came, and a device is no file to download into. Returns the descriptor
// (blocking again, for ordinary writes) or -1 with errno set; anything but a
// regular file is refused with EINVAL.
int open_destination(const std::string& path)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0) return -1;
    struct stat st{};
    int err = 0;
    if (fstat(fd, &st) != 0) err = errno;
    else if (!S_ISREG(st.st_mode)) err = EINVAL;
    else {
        const int flags = fcntl(fd, F_GETFL);
        if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) err = errno;
    }
    if (err == 0) return fd;
    close(fd);
    errno = err;
    return -1;
}

std::string lower_trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    const std::size_t last = text.find_last_not_of(" \t");
    std::string out = text.substr(first, last - first + 1);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// True for a header line that names a transfer coding this client cannot undo.
// The name is matched without regard to case or blanks around it, and a line
// without the blank after its colon counts too: a server that chunks its body
// must never have the chunk framing written into the file as data.
bool names_unread_encoding(const std::string& line)
{
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos || lower_trimmed(line.substr(0, colon)) != "transfer-encoding") return false;
    return lower_trimmed(line.substr(colon + 1)) != "identity";
}

bool is_success(int status) { return status >= 200 && status <= 299; }

bool is_status_line(const std::string& line) { return line.size() > 13 && line.compare(0, 5, "HTTP/") == 0; }

int status_of(const std::string& line) { return std::atoi(line.substr(9, 3).c_str()); }

} // namespace

// ---- life ----------------------------------------------------------------

down_class::down_class(const char* server, unsigned short port, const char* path, bool post,
                       const std::map<std::string, std::string>& headers, const char* body, int body_length,
                       const char* dest)
    : down_class(std::string(server), port, std::string(path), post, headers, body, body_length, dest)
{
}

down_class::down_class(const std::string& server, unsigned short port, const std::string& path, bool post,
                       const std::map<std::string, std::string>& headers, const char* body, int body_length,
                       const char* dest)
    : socket(nullptr), headers_done(false), status_code(0), out_file(nullptr),
      dest_path(dest ? app_path + dest : std::string()), error(0), content_length(down_length_unknown),
      bytes_written(0), last_activity(xtim.elapsed_time), body_limit(0), header_bytes(0), encoded_body(false)
{
    const bool proxied = UseProxy(server.c_str(), port);
    if (!request_is_clean(server, path, headers, proxied)) {
        xer << "Refused a request whose server, path or header lines hold control characters.\n";
        error = EINVAL;
        return;
    }
    const unsigned long address = PCSBSocket::LookupAddress(proxied ? http.proxy_host.c_str() : server.c_str());
    if (address == 0) {
        xer << "Translated server " << server << " to IP addy: 0.0.0.0 and port = " << port << "\n";
        error = err_net_no_server;
        return;
    }
    status_code = -1;
    socket = new PCSBSocket(0, false);
    socket->Connect(address, proxied ? static_cast<unsigned short>(http.proxy_port & 0xFFFF) : port);
    if (body_length < 0) body_length = 0;
    const std::string req = request_text(server, path, post, proxied, headers, body, body_length);
    send_bytes.assign(req.begin(), req.end());
}

down_class::~down_class()
{
    if (out_file) std::fclose(out_file);
    delete socket;
}

// ---- step ----------------------------------------------------------------

void down_class::DoProcessing()
{
    if (!socket) return;
    const int st = socket->GetStatus();
    if (st == PCSBSocket::sock_closed || st == PCSBSocket::sock_error) {
        close_out_file();
        return;
    }
    if (st != PCSBSocket::sock_connected) return;
    if (!send_bytes.empty()) {
        const long sent = socket->http_WriteData(send_bytes.data(), static_cast<long>(send_bytes.size()));
        if (sent > 0) send_bytes.erase(send_bytes.begin(), send_bytes.begin() + sent);
    }
    const long got = socket->ReadData(readChunk, sizeof readChunk);
    if (got > 0) TakeReceived(readChunk, static_cast<std::size_t>(got));
}

void down_class::TakeReceived(const char* data, std::size_t count)
{
    recv_bytes.insert(recv_bytes.end(), data, data + count);
    if (!headers_done && !parse_header_lines()) return;
    handle_body();
}

bool down_class::parse_header_lines()
{
    static const char crlf[] = {'\r', '\n'};
    for (;;) {
        const auto end = std::search(recv_bytes.begin(), recv_bytes.end(), crlf, crlf + 2);
        if (end == recv_bytes.end()) break;
        const std::string line(recv_bytes.begin(), end);
        recv_bytes.erase(recv_bytes.begin(), end + 2);
        header_bytes += line.size() + 2;
        if (!line.empty()) {
            take_header_line(line);
            continue;
        }
        // An interim block (1xx, or no status yet) ends here; the next block may
        // already be waiting, so parsing goes on rather than waiting for more data
        // that may never come.
        if (status_code < 200) continue;
        end_header_block();
        return true;
    }
    // A reply whose header never ends (no line ends, endless lines) fails
    // instead of growing without bound.
    if (header_bytes + recv_bytes.size() > down_header_limit) {
        xer << "HTTP reply header longer than " << down_header_limit << " bytes; transfer stopped.\n";
        stop(err_net_bad_reply);
    }
    return false;
}

void down_class::take_header_line(const std::string& line)
{
    if (is_status_line(line)) {
        status_code = status_of(line);
        status_text = line.substr(13);
        return;
    }
    if (names_unread_encoding(line)) encoded_body = true;
    const std::size_t colon = line.find(": ");
    if (colon == std::string::npos) return; // a malformed line is dropped
    reply_headers.emplace(line.substr(0, colon), line.substr(colon + 2));
}

void down_class::end_header_block()
{
    headers_done = true;
    const auto length = reply_headers.find("Content-Length");
    if (length != reply_headers.end()) content_length = parse_content_length(length->second);
    if (body_refused() || dest_path.empty()) return;
    // The destination is created or truncated only now, for a body that will be
    // taken, so that a refused reply leaves an existing file as it was. A link
    // planted at the destination is refused, never written through.
    const int fd = open_destination(dest_path);
    out_file = fd >= 0 ? fdopen(fd, "wb") : nullptr;
    if (!out_file) {
        error = errno;
        if (fd >= 0) close(fd);
    }
}

bool down_class::body_refused()
{
    if (encoded_body) {
        xer << "HTTP reply body has a Transfer-Encoding that is not decoded here; transfer stopped.\n";
        stop(err_net_transfer_encoding);
        return true;
    }
    if (body_limit != 0 && content_length != down_length_unknown && content_length > body_limit) {
        xer << "HTTP reply announces " << content_length << " bytes, more than the " << body_limit
            << " allowed; transfer stopped.\n";
        stop(err_net_too_large);
        return true;
    }
    // An error or redirect reply to a download has no file to give: it ends
    // here, and the status tells why. Without a destination the body is kept
    // for the owner, whatever the status.
    if (!dest_path.empty() && !is_success(status_code)) {
        stop(0);
        return true;
    }
    return false;
}

void down_class::stop(int why)
{
    if (why != 0 && error == 0) error = why;
    recv_bytes.clear();
    if (socket) socket->Disconnect(); // a reply fed in without a connection has none
}

void down_class::handle_body()
{
    last_activity = xtim.elapsed_time;
    // Without an announced length the limit is checked on what came; an
    // announced length was checked against it with the header.
    if (body_limit != 0 && content_length == down_length_unknown && bytes_written + recv_bytes.size() > body_limit) {
        xer << "HTTP reply body longer than the " << body_limit << " bytes allowed; transfer stopped.\n";
        stop(err_net_too_large);
        remove_out_file();
        return;
    }
    const bool known = content_length != down_length_unknown;
    if (known && socket && recv_bytes.size() >= content_length - bytes_written) socket->Disconnect();
    if (out_file && !recv_bytes.empty()) write_body();
    if (out_file && known && bytes_written >= content_length) close_out_file();
}

void down_class::write_body()
{
    last_activity = xtim.elapsed_time;
    std::size_t count = recv_bytes.size();
    if (content_length != down_length_unknown)
        count = static_cast<std::size_t>(std::min<std::uint64_t>(count, content_length - bytes_written));
    // Bytes past the announced length are not the file's: they are dropped.
    if (count > 0 && std::fwrite(recv_bytes.data(), 1, count, out_file) < count && error == 0)
        error = errno ? errno : EIO;
    bytes_written += count;
    recv_bytes.clear();
}

// The part of a body that was refused is no file anybody can use: it goes,
// rather than stay behind as large as the limit let it grow.
void down_class::remove_out_file()
{
    if (!out_file) return;
    std::fclose(out_file);
    out_file = nullptr;
    unlink(dest_path.c_str());
}

void down_class::close_out_file()
{
    if (!out_file) return;
    errno = 0;
    const int failed = std::fclose(out_file);
    out_file = nullptr;
    if (failed && error == 0) error = errno ? errno : EIO;
}

// ---- queries -------------------------------------------------------------

bool down_class::IsDone() { return socket && socket->GetStatus() == PCSBSocket::sock_closed; }

bool down_class::IsComplete() { return content_length == bytes_written; }

bool down_class::IsErr() { return error != 0 || !socket || socket->GetStatus() == PCSBSocket::sock_error; }

int down_class::GetStatus()
{
    if (!socket) return down_no_socket;
    switch (socket->GetStatus()) {
    case PCSBSocket::sock_connecting: return down_connecting;
    case PCSBSocket::sock_error: return down_socket_error;
    case PCSBSocket::sock_closed: return down_closed;
    default: break;
    }
    if (!send_bytes.empty()) return down_sending;
    return headers_done ? down_receiving_body : down_awaiting_reply;
}

int down_class::GetOSError()
{
    if (error != 0) return error;
    if (!socket) return err_net_no_connection;
    return socket->GetOSError();
}

void down_class::GetResponse(std::string* text, int* code) const
{
    if (text) *text = status_text;
    if (code) *code = status_code;
}
