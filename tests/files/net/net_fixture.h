// net_fixture.h - what the download tests share: a stepped frame clock, an
// alert recorder, a log file in place of "Log.txt", a clean `http`, and a
// pump that polls a slot to its verdict under a count and time bound.
#pragma once

#include "foundation/hl_types.h"
#include "files/http.h"
#include "support/net_peers.h"
#include "support/testkit.h"
#include "foundation/xtim.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

struct net_fixture : ::testing::Test {
    stepped_clock clock;
    alert_recorder alerts;
    temp_dir dir;

    void SetUp() override
    {
        HL_reset_globals();
        app_path.clear();
        http.reset();
        xtim = xtim_class();
        xtim.xtim_update(); // "now" is 0
        xer.open(dir / "Log.txt");
    }
    void TearDown() override
    {
        http.reset();
        xer.close();
    }

    void advance(double seconds)
    {
        clock.advance(seconds);
        xtim.xtim_update();
    }
    std::string log()
    {
        xer.flush();
        return read_file(dir / "Log.txt");
    }
    void use_proxy(unsigned short port)
    {
        http.proxy_host = "127.0.0.1";
        http.proxy_port = port;
    }

    // Polls the slot until it gives a verdict. When `server` has played its
    // script and the transfer has been quiet for a moment, the frame clock
    // jumps by `stall_jump` seconds, so a stalled transfer meets its time-out
    // without any real waiting.
    int pump(int slot, const std::string& server, const std::string& path, const std::string& dest,
             const fault_server* quiet_server = nullptr, double stall_jump = 31.0)
    {
        using steady = std::chrono::steady_clock;
        const auto deadline = steady::now() + std::chrono::seconds(30);
        auto last_change = steady::now();
        std::uint64_t last_seen = ~0ull;
        for (long i = 0; i < 5000000 && steady::now() < deadline; ++i) {
            const int r = http.net_check(slot, server, path, dest);
            if (r != net_running) return r;
            const down_class* d = http.slots[slot];
            const std::uint64_t seen = d->bytes_written + d->recv_bytes.size() + (d->headers_done ? 1 : 0);
            if (seen != last_seen) {
                last_seen = seen;
                last_change = steady::now();
            }
            if (quiet_server && quiet_server->played() && steady::now() - last_change > std::chrono::milliseconds(150)) {
                advance(stall_jump);
                last_change = steady::now();
            }
            if (i % 64 == 63) std::this_thread::yield();
        }
        ADD_FAILURE() << "the transfer gave no verdict in time";
        return -1;
    }
};
