// Folder chooser frames in a folder of 10,000 sub-folders on tmpfs
// (/dev/shm, or $SKY_BENCH_DIR): frame time p50/p95 over 300 frames of the
// chooser's own work (listing, list, levels, buttons; the drawing calls are
// empty so that GL does not hide it), with the folder read every frame as
// the dialog once did, and with the listing kept while the folder is unchanged.
// A last run adds a folder between frames and checks that it shows at once.
#include "files/opensave.h"
#include "files/opensave_cache.h"
#include "foundation/hl_types.h"
#include "shell/folder_chooser.h"
#include "ui/btn_draw.h"
#include "ui/btn_focus.h"

#include <sys/stat.h>
#include <sys/time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int folders = 10000;
constexpr int frames = 300;

void no_quad(int, int, float, float, float, float, float, float, float, float, float, float, float, float, float,
             float, float, float, float, int, int) {}
void no_rect(int, float, float, float, float, float) {}
float no_string(int, float, float y, const std::string&, float, int, int) { return y; }
void no_number(int, float, float, float, int, int, int) {}
void no_scissors(float, float, float, float) {}
void no_call() {}

std::string make_tree()
{
    const char* base = std::getenv("SKY_BENCH_DIR");
    std::string root = std::string(base && *base ? base : "/dev/shm") + "/sky_chooser_bench";
    std::system(("rm -rf '" + root + "'").c_str());
    mkdir(root.c_str(), 0755);
    for (int i = 0; i < folders; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/folder_%05d", (i * 7919) % folders);
        mkdir((root + name).c_str(), 0755);
    }
    timeval past[2] = {{1000000000, 0}, {1000000000, 0}}; // nobody changed it lately
    utimes(root.c_str(), past);
    return root + "/";
}

struct figures {
    double p50, p95;
};

template <class Frame>
figures time_frames(Frame frame)
{
    std::vector<double> ms;
    for (int i = 0; i < frames; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        frame();
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms[ms.size() * 95 / 100]};
}

} // namespace

int main()
{
    const std::string root = make_tree();
    BTN_set_draw_calls({no_quad, no_rect, no_rect, no_string, no_number, no_scissors, no_call, no_call,
                        BTN_default_draw_calls().text_width, BTN_default_draw_calls().char_width});
    mnw.menu_open = -1;
    mnw.wind_dx = 561;
    mnw.wind_dy = 474;
    folder_chooser_state st;
    MACIBM_chooser_open(st, root.c_str());
    char out[500];

    std::vector<std::string> names;
    std::vector<int> kinds;
    const figures listing = time_frames([&] { opensave_getitems(root, file_kind_folder, names, kinds); });
    const figures read_each_frame = time_frames([&] {
        opensave_cache.forget();
        BTN_begin_focus_ring();
        MACIBM_chooser_frame(st, out, sizeof out);
    });
    const figures kept = time_frames([&] {
        BTN_begin_focus_ring();
        MACIBM_chooser_frame(st, out, sizeof out);
    });

    mkdir((root + "zz_new").c_str(), 0755);
    BTN_begin_focus_ring();
    MACIBM_chooser_frame(st, out, sizeof out);
    const bool shown = st.folder_names.size() == static_cast<std::size_t>(folders) + 1;

    std::printf("folder of %d sub-folders, %d frames each, milliseconds\n", folders, frames);
    std::printf("  listing alone             p50 %8.3f  p95 %8.3f\n", listing.p50, listing.p95);
    std::printf("  frame, folder read again  p50 %8.3f  p95 %8.3f\n", read_each_frame.p50, read_each_frame.p95);
    std::printf("  frame, listing kept       p50 %8.3f  p95 %8.3f\n", kept.p50, kept.p95);
    std::printf("  kept listings: %d hits, %d misses; a new folder shows at once: %s\n", opensave_cache.hits,
                opensave_cache.misses, shown ? "yes" : "NO");
    std::system(("rm -rf '" + root + "'").c_str());
    return shown ? 0 : 1;
}
