// Input latency of the frame loop on the tests' Xvfb: a key made by XTest on
// a second connection, counted in frames (and milliseconds) until the frame
// loop has raised its key flag. Beside it, in the same run: an X round trip,
// and the case the loop guards against, a key already read into Xlib's queue
// while the socket is quiet: the frame handles it without waiting, where a
// plain select on the socket would sleep out the 16 ms frame wait.
#include "foundation/hl_types.h"
#include "foundation/xtim.h"
#include "shell/frame.h"
#include "support/main_window.h"
#include "support/x_peer.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <sys/select.h>

#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using clock_type = std::chrono::steady_clock;

double ms_since(clock_type::time_point t0)
{
    return std::chrono::duration<double, std::milli>(clock_type::now() - t0).count();
}

Display* own() { return static_cast<Display*>(mnw.display); }

struct latency {
    int frames;
    double ms;
};

// A key tap from the peer; frames from the press until the loop's key flag.
// With pre_read the event is pulled into Xlib's queue first, so the socket
// holds nothing when the frame starts.
latency key_to_flag(x_peer& peer, KeySym key, bool pre_read)
{
    peer.key(key, true);
    if (pre_read) XEventsQueued(own(), QueuedAfterReading);
    const auto t0 = clock_type::now();
    latency result{-1, 0};
    for (int frames = 1; frames <= 100; ++frames) {
        MACIBM_event_proc();
        if (mnw.key_hit) {
            result = {frames, ms_since(t0)};
            break;
        }
    }
    peer.key(key, false);
    for (int i = 0; i < 2; ++i) MACIBM_event_proc();
    return result;
}

// What a frame without the queue check would do in the pre-read case: select
// on a quiet socket for the whole frame wait.
double plain_select_ms()
{
    const int fd = ConnectionNumber(own());
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(fd, &readable);
    timeval timeout{0, 16000};
    const auto t0 = clock_type::now();
    select(fd + 1, &readable, nullptr, nullptr, &timeout);
    return ms_since(t0);
}

void report(const char* name, const std::vector<latency>& runs)
{
    double frames = 0, ms = 0, worst_ms = 0;
    int worst_frames = 0, lost = 0;
    for (const latency& l : runs) {
        if (l.frames < 0) {
            ++lost;
            continue;
        }
        frames += l.frames;
        ms += l.ms;
        worst_frames = std::max(worst_frames, l.frames);
        worst_ms = std::max(worst_ms, l.ms);
    }
    const double n = static_cast<double>(runs.size() - static_cast<std::size_t>(lost));
    std::printf("%-34s frames mean %.2f max %d   ms mean %.3f max %.3f   lost %d of %zu\n", name, frames / n,
                worst_frames, ms / n, worst_ms, lost, runs.size());
}

} // namespace

int main()
{
    x_peer peer;
    std::string why = open_main_window();
    if (why.empty()) why = peer.open();
    if (!why.empty()) {
        std::fprintf(stderr, "%s\n", why.c_str());
        return 1;
    }
    fresh_frame_loop();
    peer.move(512, 384); // keys follow the pointer here
    settle_frames();

    const KeySym a = XK_a;
    constexpr int trials = 40;
    std::vector<latency> fresh, queued;
    std::vector<double> selects;
    double round_trip = 0;
    for (int i = 0; i < trials; ++i) {
        fresh.push_back(key_to_flag(peer, a, false));
        queued.push_back(key_to_flag(peer, a, true));
        peer.key(a, true);
        XEventsQueued(own(), QueuedAfterReading);
        selects.push_back(plain_select_ms());
        peer.key(a, false);
        for (int k = 0; k < 2; ++k) MACIBM_event_proc();
        const auto t0 = clock_type::now();
        XSync(peer.display(), False);
        round_trip += ms_since(t0);
    }
    double select_ms = 0;
    for (double s : selects) select_ms += s;

    std::printf("key press (XTest) to key flag, %d trials each, frame wait 16 ms\n", trials);
    report("key arriving on the socket", fresh);
    report("key already in Xlib's queue", queued);
    std::printf("%-34s ms mean %.3f   (what the queued key would cost without the check)\n",
                "peer: select on the quiet socket", select_ms / trials);
    std::printf("%-34s ms mean %.3f\n", "peer: X round trip (XSync)", round_trip / trials);
    peer.close();
    close_main_window();
    return 0;
}
