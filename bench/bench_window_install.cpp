// bench_window_install.cpp - the installer program run as a user runs it, on
// Xvfb and pressed through XTest, beside the headless engine on the same disc.
//
//   bench_window_install [small files] [large KiB list]
//
// SKY_WINDOW_PARTS (default "install,ready,idle") picks the parts below.
// 1. Installs of the sample disc: the window with default settings, the
//    window with "use all CPU", the headless engine; sides alternated over
//    SKY_BENCH_ROUNDS rounds (at least 7): min, median and the paired median
//    of the window's time over the engine's. The window's time runs from the
//    AGREE press to the frame that shows the completion alert, the end of a
//    run for its user (the engine's from its decisions to its last step).
//    Frames are seen from a second X client through XDamage: the intervals
//    from AGREE to the alert (p50, p95 and the worst), the time from the
//    product folder's rename (polled every millisecond) to the alert, and the
//    frame log of the last round. Every run installs into a fresh file system
//    of its own (fresh_fs), and the discs sit on one too.
// 2. Start to a usable INSTALL on a fresh destination, for discs of 20,000
//    and 100,000 files, alternated, beside the engine's own manifest reading.
// 3. An idle window: CPU of the program (utime + stime) over SKY_IDLE_SECONDS
//    (default 20) on the ready screen, the preferences window and the licence
//    window, from 11 s after the last input (past the caret's pulse), and
//    whether a screenshot at the start and at the end of that time match.
#include "support/e2e_driver.h"
#include "bench_engine.h"
#include "bench_tools.h"
#include "engine/decisions.h"
#include "engine/folders.h"
#include "engine/manifest.h"
#include "files/find_path.h"
#include "files/zip_io.h"
#include "support/sample_disc.h"
#include "support/testkit.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace fs = std::filesystem;

namespace {

using clock_type = std::chrono::steady_clock;

double since(clock_type::time_point t) { return std::chrono::duration<double>(clock_type::now() - t).count(); }

double median_of(std::vector<double> v)
{
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

double quantile(std::vector<double> v, double q)
{
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(q * static_cast<double>(v.size())))];
}

// ---- frames seen from outside -------------------------------------------------------------------

// Damage the program's drawing makes on the screen, read on a connection of
// its own; the server stamps each report in milliseconds. Reports less than
// 2 ms apart are one frame (a swap may reach the server in several pieces).
// Each frame is also noted at the local time it was read, so that a server
// stamp can be told in local time: the smallest difference seen is the
// offset (the frames read within a millisecond of their swap).
class damage_watch {
public:
    ~damage_watch()
    {
        if (d) XCloseDisplay(d);
    }
    bool open()
    {
        d = XOpenDisplay(nullptr);
        int error = 0;
        return d && XDamageQueryExtension(d, &event_base, &error);
    }
    void start()
    {
        damage = XDamageCreate(d, DefaultRootWindow(d), XDamageReportRawRectangles);
        XSync(d, False);
        drain();
        stamps.clear();
        offset = 1e300;
    }
    void stop()
    {
        drain();
        XDamageDestroy(d, damage);
        XSync(d, False);
    }
    void drain()
    {
        while (XPending(d)) {
            XEvent e;
            XNextEvent(d, &e);
            if (e.type != event_base + XDamageNotify) continue;
            const double t = static_cast<double>(reinterpret_cast<XDamageNotifyEvent&>(e).timestamp) * 1e-3;
            offset = std::min(offset, local_now() - t);
            if (stamps.empty() || t - stamps.back() > 0.002) stamps.push_back(t);
        }
    }
    std::vector<double> intervals() const
    {
        std::vector<double> v;
        for (std::size_t i = 1; i < stamps.size(); ++i) v.push_back(stamps[i] - stamps[i - 1]);
        return v;
    }
    // The local time (local_now's seconds) of the last frame seen; -1 when none.
    double last_frame_local() const { return stamps.empty() ? -1 : stamps.back() + offset; }
    std::vector<double> frames_local() const
    {
        std::vector<double> v;
        for (double t : stamps) v.push_back(t + offset);
        return v;
    }
    static double local_now()
    {
        return std::chrono::duration<double>(clock_type::now().time_since_epoch()).count();
    }

private:
    Display* d = nullptr;
    int event_base = 0;
    Damage damage = 0;
    std::vector<double> stamps;
    double offset = 1e300;
};

// ---- the sides --------------------------------------------------------------------------------------

std::uint64_t tree_bytes(const std::string& root)
{
    std::uint64_t bytes = 0;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (!e.is_symlink() && e.is_regular_file()) bytes += e.file_size();
    return bytes;
}

// The screen's road for the disc build, headless, into a fresh folder; the
// seconds of what follows the licence (decisions and the install steps, as
// the window's time), or -1. *scan gets the seconds of the manifest's reading.
double engine_install(const sample_disc& s, const std::string& work, double* scan = nullptr, bool install = true)
{
    fs::remove_all(work);
    fs::create_directories(work + "/temp");
    reset_engine_for_disc(s.root, s.set_name, work + "/Skylume/", work + "/temp/");
    g_case_sensitive = 1; // as start-up leaves it on this platform: names are looked up in any case
    const auto fetch = clock_type::now();
    if (zip_to_file(dvd_path + install_name + "/directory.txt.zip", temp_path, nullptr, 0) != 0) return -1;
    if (read_directory(temp_path + "directory.txt", "Scanning") != dir_ready) return -1;
    if (scan) *scan = since(fetch);
    if (!install) return 0;
    next.reset_all_streams();
    make_dirs();
    const auto start = clock_type::now();
    if (!choose_files()) return -1;
    int r = 0;
    while (r == 0) r = grab_files();
    return r == 1 ? since(start) : -1;
}

struct window_run {
    double first_frame = -1, ready = -1, install = -1;
    double rename_to_alert = -1;   // s from the product folder's rename to the alert's frame
    long peak_kb = -1;
    std::vector<double> intervals; // s between frames from AGREE to the alert's frame
    std::vector<double> frames;    // s of each of those frames after the AGREE click
};

long peak_memory_kb(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

// The program started on a fresh destination, up to its ready screen.
window_run start_program(e2e_session& x, const sample_disc& s, const std::string& work, bool max_cpu)
{
    window_run r;
    fs::remove_all(work);
    const std::string home = work + "/home", dest = work + "/Skylume/";
    fs::create_directories(home);
    const auto start = clock_type::now();
    x.start(s.root, home, {e2e_installer_exe(), "-path", dest, std::string("--pref:_use_max_cpu=") + (max_cpu ? "1" : "0")});
    if (!x.wait_for(120, [&] { return x.grab().at(10, 758) != 0; })) return r;
    r.first_frame = since(start);
    if (!x.wait_for(300, [&] { return x.main_screen_ready(); })) return r;
    r.ready = since(start);
    return r;
}

void end_program(e2e_session& x)
{
    x.press(at_exit);
    x.wait_end(60);
}

// Looks for the product folder's rename every millisecond, then for the
// completion alert on the screen, taking the frames' damage meanwhile. The
// alert's frame is the last frame seen once a grab shows the alert (its next
// frame comes 160 ms later). The local times of the rename and of that frame,
// or false when the program ended or nothing came.
bool wait_for_alert(e2e_session& x, damage_watch& frames, const std::string& renamed, double& rename_at,
                    double& alert_at)
{
    const auto give_up = clock_type::now() + std::chrono::seconds(900);
    rename_at = -1;
    while (clock_type::now() < give_up) {
        if (rename_at < 0 && fs::exists(renamed)) rename_at = damage_watch::local_now();
        if (!x.running()) return false;
        frames.drain();
        if (rename_at >= 0 && x.alert_open()) {
            frames.drain();
            alert_at = frames.last_frame_local();
            return alert_at >= 0;
        }
        usleep(1000);
    }
    return false;
}

// A fresh file system for a run's product folder and home: room for the disc's product twice.
std::unique_ptr<fresh_fs> run_space(const sample_disc& s)
{
    std::uint64_t files = 0;
    for (const auto& e : fs::recursive_directory_iterator(s.fresh_expected)) files += e.is_directory() ? 0 : 1;
    return std::make_unique<fresh_fs>(2 * tree_bytes(s.fresh_expected), 2 * files + 1000);
}

window_run window_install(e2e_session& x, damage_watch& frames, const sample_disc& s, bool max_cpu)
{
    const std::unique_ptr<fresh_fs> space = run_space(s);
    const std::string work = space->dir() + "/w";
    window_run r = start_program(x, s, work, max_cpu);
    if (r.ready < 0) return r;
    x.press(at_install);
    if (!x.wait_for(60, [&] { return x.sub_window_open(); })) return r;
    // The frames are counted from the click on AGREE: the licence rests while
    // the hand hovers over it, and that pause is no frame interval of the install.
    x.hover(at_agree);
    frames.start();
    x.click();
    const double agreed = damage_watch::local_now();
    double rename_at = -1, alert_at = -1;
    const bool alerted = wait_for_alert(x, frames, work + "/" + s.set_name, rename_at, alert_at);
    frames.stop();
    if (!alerted) return r;
    r.install = alert_at - agreed;
    r.rename_to_alert = alert_at - rename_at;
    r.intervals = frames.intervals();
    for (double t : frames.frames_local()) r.frames.push_back(t - agreed);
    x.key_return(); // the completion alert
    x.wait_for(60, [&] { return x.exit_offered(); });
    r.peak_kb = peak_memory_kb(x.pid());
    end_program(x);
    return r;
}

// ---- an idle window ------------------------------------------------------------------------------------

double cpu_seconds(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string all((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream rest(all.substr(all.rfind(')') + 2)); // the name may hold blanks
    std::string field;
    double ticks = 0;
    for (int i = 3; rest >> field && i <= 15; ++i)
        if (i == 14 || i == 15) ticks += std::stod(field);
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

struct idle_figure {
    const char* screen;
    double cpu_percent = -1;
    bool same_pixels = false;
    int l = 9999, b = 9999, r = -1, t = -1; // where the screenshots differ, interface units
};

// The rectangle in which two screenshots differ.
void note_difference(const e2e_screen& a, const e2e_screen& z, idle_figure& f)
{
    for (int y = 1; y <= 768; ++y)
        for (int x = 0; x < 1024; ++x) {
            if (a.at(x, y) == z.at(x, y)) continue;
            f.l = std::min(f.l, x), f.r = std::max(f.r, x);
            f.b = std::min(f.b, y), f.t = std::max(f.t, y);
        }
}

idle_figure idle_on(e2e_session& x, const char* screen, int seconds)
{
    idle_figure f{screen};
    sleep(11); // the caret pulses for 10 s after the last input
    const e2e_screen before = x.grab();
    const double c0 = cpu_seconds(x.pid());
    const auto t0 = clock_type::now();
    sleep(static_cast<unsigned>(seconds));
    f.cpu_percent = 100.0 * (cpu_seconds(x.pid()) - c0) / since(t0);
    const e2e_screen after = x.grab();
    f.same_pixels = !before.px.empty() && before.px == after.px;
    if (!f.same_pixels) note_difference(before, after, f);
    x.shoot(std::string("idle_") + screen);
    return f;
}

std::vector<idle_figure> idle_window(e2e_session& x, const sample_disc& s, const std::string& work, int seconds)
{
    std::vector<idle_figure> figures;
    if (start_program(x, s, work, false).ready < 0) return figures;
    figures.push_back(idle_on(x, "ready screen", seconds));
    x.press({50, 750}); // preferences
    if (x.wait_for(30, [&] { return x.sub_window_open(); })) figures.push_back(idle_on(x, "preferences", seconds));
    x.key_return();
    x.wait_for(30, [&] { return x.main_screen_ready(); });
    x.press(at_install);
    if (x.wait_for(30, [&] { return x.sub_window_open(); })) figures.push_back(idle_on(x, "licence", seconds));
    x.press(at_disagree);
    x.wait_for(30, [&] { return x.exit_offered(); });
    end_program(x);
    return figures;
}

// ---- printing ---------------------------------------------------------------------------------------------

void print_times(const char* name, const std::vector<double>& t, const std::vector<double>& engine)
{
    if (t.empty() || std::count(t.begin(), t.end(), -1.0) > 0) return (void)std::printf("  %-30s failed\n", name);
    std::vector<double> ratios;
    for (std::size_t i = 0; i < t.size() && i < engine.size(); ++i) ratios.push_back(t[i] / engine[i]);
    std::printf("  %-30s %8.3f %8.3f %12.2f   rounds:", name, *std::min_element(t.begin(), t.end()), median_of(t),
                median_of(ratios));
    for (double x : t) std::printf(" %.3f", x);
    std::printf("\n");
}

void print_intervals(const char* name, const std::vector<double>& v)
{
    if (v.empty()) return (void)std::printf("  %-30s no frames seen\n", name);
    std::printf("  %-30s p50 %5.1f ms  p95 %5.1f ms  worst %5.1f ms  (%zu intervals)\n", name, 1e3 * quantile(v, 0.5),
                1e3 * quantile(v, 0.95), 1e3 * *std::max_element(v.begin(), v.end()), v.size());
}

// The frames of one run from AGREE to the alert, ms after the click; the last is the alert's.
void print_frame_log(const char* name, const window_run& r)
{
    if (r.frames.empty()) return (void)std::printf("  %-30s no frames seen\n", name);
    std::printf("  %s, last round, ms after AGREE (the last frame is the alert's):\n   ", name);
    for (std::size_t i = 0; i < r.frames.size(); ++i) std::printf(" %.0f%s", 1e3 * r.frames[i], i % 16 == 15 ? "\n   " : "");
    const std::size_t n = r.frames.size();
    std::printf("\n    the alert %.0f ms after the frame before it, %.0f ms after the rename\n",
                n > 1 ? 1e3 * (r.frames[n - 1] - r.frames[n - 2]) : -1.0, 1e3 * r.rename_to_alert);
}

} // namespace

int main(int argc, char** argv)
{
    const int small_files = argc > 1 ? std::atoi(argv[1]) : 3000;
    const std::string large_kb = argc > 2 ? argv[2] : "16384,16384,8192";
    const int rounds = std::max(7, bench_rounds(7));
    const char* idle_env = std::getenv("SKY_IDLE_SECONDS");
    const int idle_seconds = idle_env ? std::max(1, std::atoi(idle_env)) : 20;
    const char* parts_env = std::getenv("SKY_WINDOW_PARTS");
    const std::string parts = parts_env ? parts_env : "install,ready,idle";
    const bool part_install = parts.find("install") != std::string::npos;
    const bool part_ready = parts.find("ready") != std::string::npos;
    const bool part_idle = parts.find("idle") != std::string::npos;
    // The discs on a file system of their own, removed whole at the end: no
    // deletion of their 120,000 files shadows the host's file system.
    const std::uint64_t disc_files = 4 * (std::uint64_t(small_files) + (part_ready ? 120000 : 0)) + 10000;
    const fresh_fs disc_space((std::uint64_t(256) << 20) + disc_files * 16384, disc_files);
    const std::string tmp = disc_space.dir();
    auto in_tmp = [&tmp](const char* name) { return tmp + "/" + name; };
    const sample_disc s = make_sample_disc(in_tmp("sample"), small_files, large_kb);
    const sample_disc s20k = part_ready ? make_sample_disc(in_tmp("sample20k"), 20000, ",") : sample_disc{};
    const sample_disc s100k = part_ready ? make_sample_disc(in_tmp("sample100k"), 100000, ",") : sample_disc{};
    if (s.root.empty() || (part_ready && (s20k.root.empty() || s100k.root.empty())))
        return std::fprintf(stderr, "the sample discs could not be made\n"), 1;
    const double mb = double(tree_bytes(s.fresh_expected)) / 1e6;
    xer.open(in_tmp("engine_log.txt"));
    std::string why;
    e2e_session x;
    damage_watch frames;
    if (!x.open(&why)) return std::fprintf(stderr, "no X display: %s\n", why.c_str()), 1;
    if (!frames.open()) return std::fprintf(stderr, "no XDamage on the display\n"), 1;

    // 1. installs, the sides' order rotated each round
    std::vector<window_run> off, on;
    std::vector<double> engine;
    engine_install(s, in_tmp("warm")); // the archives into the page cache for every side
    for (int round = 0; round < rounds && part_install; ++round)
        for (int k = 0; k < 3; ++k) switch ((round + k) % 3) {
            case 0: off.push_back(window_install(x, frames, s, false)); break;
            case 1: on.push_back(window_install(x, frames, s, true)); break;
            default: {
                const std::unique_ptr<fresh_fs> space = run_space(s);
                engine.push_back(engine_install(s, space->dir() + "/engine"));
                break;
            }
            }
    auto installs = [](const std::vector<window_run>& runs) {
        std::vector<double> t;
        for (const window_run& r : runs) t.push_back(r.install);
        return t;
    };
    auto intervals = [](const std::vector<window_run>& runs) {
        std::vector<double> v;
        for (const window_run& r : runs) v.insert(v.end(), r.intervals.begin(), r.intervals.end());
        return v;
    };

    // 2. start to a usable INSTALL, beside the engine's fetch and reading of the manifest
    std::vector<double> ready20k, ready100k, scan20k, scan100k;
    for (int round = 0; round < rounds && part_ready; ++round) {
        for (int k = 0; k < 2; ++k) {
            const bool big = (round + k) % 2;
            const window_run r = start_program(x, big ? s100k : s20k, in_tmp("ready"), false);
            (big ? ready100k : ready20k).push_back(r.ready);
            if (r.ready >= 0) end_program(x);
        }
        double scan = -1;
        engine_install(s20k, in_tmp("scan"), &scan, false);
        scan20k.push_back(scan);
        engine_install(s100k, in_tmp("scan"), &scan, false);
        scan100k.push_back(scan);
    }

    // 3. an idle window
    const std::vector<idle_figure> idle =
        part_idle ? idle_window(x, s, in_tmp("idle"), idle_seconds) : std::vector<idle_figure>{};

    std::printf("sample disc: %d small files, large %s KiB, %.1f MB installed; load average %.1f\n", small_files,
                large_kb.c_str(), mb, load_average());
    if (part_install) {
        std::printf("\ninstall (%d alternated rounds)       min s  median s  paired median / engine\n", rounds);
        print_times("window, default settings", installs(off), engine);
        print_times("window, use all CPU", installs(on), engine);
        print_times("headless engine", engine, engine);
        std::printf("\nframe intervals from AGREE to the completion alert, seen through XDamage\n");
        print_intervals("window, default settings", intervals(off));
        print_intervals("window, use all CPU", intervals(on));
        std::vector<double> rename_off, rename_on;
        for (const window_run& r : off) rename_off.push_back(r.rename_to_alert);
        for (const window_run& r : on) rename_on.push_back(r.rename_to_alert);
        std::printf("  rename to alert, median: default settings %.0f ms, use all CPU %.0f ms\n",
                    1e3 * median_of(rename_off), 1e3 * median_of(rename_on));
        if (!off.empty()) print_frame_log("window, default settings", off.back());
        if (!on.empty()) print_frame_log("window, use all CPU", on.back());
    }
    if (part_install || part_ready) {
        std::printf("\nstart to a usable INSTALL, fresh destination   min s  median s  paired median / engine scan\n");
        std::vector<double> ready3k;
        for (const window_run& r : off) ready3k.push_back(r.ready);
        char label[64];
        std::snprintf(label, sizeof label, "%d-file sample disc", small_files);
        if (part_install) print_times(label, ready3k, ready3k);
        if (part_ready) {
            print_times("20,000 files", ready20k, scan20k);
            print_times("100,000 files", ready100k, scan100k);
            print_times("engine scan, 20,000 files", scan20k, scan20k);
            print_times("engine scan, 100,000 files", scan100k, scan100k);
        }
        if (part_install)
            std::printf("  first frame (median of the default runs): %.2f s; peak memory %ld KiB\n",
                        median_of([&] {
                            std::vector<double> v;
                            for (const window_run& r : off) v.push_back(r.first_frame);
                            return v;
                        }()),
                        off.empty() ? -1L : off.back().peak_kb);
    }
    if (part_idle) {
        std::printf("\nan idle window, %d s from 11 s after the last input (limit 5 %% of one core)\n", idle_seconds);
        for (const idle_figure& f : idle) {
            std::printf("  %-30s %6.2f %% of one core, screenshots %s", f.screen, f.cpu_percent,
                        f.same_pixels ? "identical" : "differ");
            if (!f.same_pixels) std::printf(" in x %d..%d, y %d..%d", f.l, f.r, f.b, f.t);
            std::printf("\n");
        }
    }
    return (!part_idle || idle.size() == 3) && (!part_install || !installs(off).empty()) ? 0 : 1;
}
