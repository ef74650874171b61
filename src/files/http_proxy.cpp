// http_proxy.cpp - which requests go through the user's HTTP proxy.
#include "files/http.h"

#include <cstring>

std::vector<std::string> gProxyExclude;

bool UseProxy(const char* host, unsigned short)
{
    if (http.proxy_port == 0 || http.proxy_host.empty()) return false;
    const std::size_t host_len = std::strlen(host);
    for (const std::string& tail : gProxyExclude) {
        if (tail.size() > host_len) continue;
        // A plain suffix test: no dot boundary, and an empty entry matches every host.
        if (std::memcmp(host + host_len - tail.size(), tail.data(), tail.size()) == 0) return false;
    }
    return true;
}

const char* ProxyHost(const char* host, unsigned short port)
{
    return UseProxy(host, port) ? http.proxy_host.c_str() : host;
}

unsigned short ProxyPort(const char* host, unsigned short port)
{
    return UseProxy(host, port) ? static_cast<unsigned short>(http.proxy_port & 0xFFFF) : port;
}
