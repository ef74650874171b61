// http_slots.cpp - the six numbered download slots of the global `http`:
// start, step, verdict, failure log and the idle time-out.
#include "files/http.h"

#include "foundation/hl_types.h"
#include "foundation/hooks.h"
#include "files/pcsb_socket.h"
#include "foundation/xtim.h"

const char* const http_product_version = "Skylume 9.00 Beta-19";

http_class http;

namespace {

constexpr unsigned short http_port = 80;
constexpr float idle_timeout = 30.0f; // seconds of frame-clock time without body data

std::string agent_text()
{
    const std::string version = http_product_version;
    const std::string tail = version.size() < 4 ? version : version.substr(version.size() - 4);
    return "Installer-LIN/" + tail;
}

void check_request_args(const std::string& server, const std::string& dir)
{
    if (!server.empty() && server.back() == '/')
        MACIBM_alert(0, "net_check error! You have a dirchar at the end of the server name!", "You should not!",
                     "Our convention is that a server name is simply a server name... with no slash!", server,
                     t_exit);
    if (dir.empty() || dir.front() != '/')
        MACIBM_alert(0, "net_check error! You do not have a dirchar at the beginning of the directory name!",
                     "You should!",
                     "Our convention is that a directory name does start with a slash because it must "
                     "include the hard drive,which is a dir char on unix!",
                     dir, t_exit);
}

down_class* start_transfer(const std::string& server, const std::string& dir, const std::string& dest,
                           std::uint64_t max_bytes)
{
    const std::map<std::string, std::string> headers = {
        {"Host", server}, {"User-agent", agent_text()}, {"Connection", "close"}};
    // The texts go whole: a NUL in them is refused by the transfer, logged like any
    // other failure, instead of cutting the request short.
    down_class* d = new down_class(server, http_port, dir, false, headers, nullptr, 0, dest.c_str());
    d->body_limit = max_bytes;
    return d;
}

void log_failure(down_class& d, const std::string& server, const std::string& dir, const std::string& dest)
{
    xer << "HTTP Error for " << dest << "\n";
    xer << "   server     =" << server << "\n";
    xer << "   file       =" << dir << "\n";
    xer << "   IsDone     =" << (d.IsDone() ? 1 : 0) << "\n";
    xer << "   IsComplete =" << (d.IsComplete() ? 1 : 0) << "\n";
    xer << "   IsErr      =" << (d.IsErr() ? 1 : 0) << "\n";
    xer << "   GetStat    =" << d.GetStatus() << "\n";
    xer << "   GetOSErr   =" << d.GetOSError() << "\n";
    xer << "   response   =" << d.status_text << " (#" << d.status_code << ")\n\n";
}

} // namespace

int http_class::net_check(int slot, std::string server, std::string dir, const std::string& dest,
                          std::uint64_t max_bytes)
{
    static int inited_any = 0;
    static int soc_inited = 0;
    if (slot < 0 || slot >= slot_count) {
        MACIBM_alert(0, "Too many download objects requested!", "", "", "", t_exit);
        return net_failed; // only when a fatal alert came back
    }
    if (!inited_any) {
        inited_any = 1;
        for (down_class*& s : slots) s = nullptr;
        if (!soc_inited) {
            PCSBSocket::StartupNetworking(ot_inited == 0);
            ot_inited = 1;
            soc_inited = 1;
        }
    }
    if (!slots[slot]) {
        check_request_args(server, dir);
        slots[slot] = start_transfer(server, dir, dest, max_bytes);
    }
    down_class& d = *slots[slot];
    d.DoProcessing();
    const bool finished = d.IsDone() || d.IsComplete() || d.IsErr();
    if (finished) {
        const bool whole = d.status_code >= 200 && d.status_code <= 299 && d.IsComplete() && !d.IsErr();
        if (!whole) log_failure(d, server, dir, dest);
        delete slots[slot];
        slots[slot] = nullptr;
        return whole ? net_done : net_failed;
    }
    if (xtim.elapsed_time > d.last_activity + idle_timeout) {
        delete slots[slot];
        slots[slot] = nullptr;
        return net_failed;
    }
    return net_running;
}

float http_class::percent_done(int slot) const
{
    if (slot < 0 || slot >= slot_count || !slots[slot]) return 0.0f;
    const down_class& d = *slots[slot];
    if (d.content_length == down_length_unknown) return -1.0f;
    if (d.content_length == 0) return 100.0f;
    return static_cast<float>(static_cast<double>(d.bytes_written) * 100.0 / static_cast<double>(d.content_length));
}

void http_class::reset()
{
    for (down_class*& s : slots) {
        delete s;
        s = nullptr;
    }
    proxy_host.clear();
    proxy_port_text.clear();
    proxy_port = 0;
    gProxyExclude.clear();
}
