// bench_window_install.cpp - one installation of the sample disc through the
// installer's window on Xvfb (pressed through XTest), with the "use all CPU"
// setting on and off, beside the headless engine on the same disc and Info-ZIP
// unzip of the same archives, in the same run. Also the time from start to the
// first frame and to the ready screen, and the program's peak memory.
//
//   bench_window_install [small files] [large KiB list]
//
// The window's install time runs from the AGREE press to the product folder's
// rename, the last act of a run (the engine's from its decisions to its last
// step); polling the file system every 20 ms bounds its resolution. unzip runs
// first, so every install reads the archives from the page cache. Frame times
// are not seen from outside the program.
#include "support/e2e_driver.h"
#include "bench_engine.h"
#include "engine/decisions.h"
#include "engine/folders.h"
#include "engine/install_records.h"
#include "engine/manifest.h"
#include "engine/stg.h"
#include "engine/streams.h"
#include "files/zip_io.h"
#include "foundation/hl_types.h"
#include "support/sample_disc.h"
#include "support/testkit.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

using clock_type = std::chrono::steady_clock;

double since(clock_type::time_point t) { return std::chrono::duration<double>(clock_type::now() - t).count(); }

std::uint64_t tree_bytes(const std::string& root)
{
    std::uint64_t bytes = 0;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (!e.is_symlink() && e.is_regular_file()) bytes += e.file_size();
    return bytes;
}

// The screen's road for the disc build, headless; the seconds of what follows
// the licence (decisions and the install steps, as the window's time), or -1.
double engine_install(const sample_disc& s, const std::string& product, const std::string& temp)
{
    reset_engine_for_disc(s.root, s.set_name, product, temp);
    if (zip_to_file(dvd_path + install_name + "/directory.txt.zip", temp_path, nullptr, 0) != 0) return -1;
    if (read_directory(temp_path + "directory.txt", "Scanning") != dir_ready) return -1;
    next.reset_all_streams();
    make_dirs();
    const auto start = clock_type::now();
    if (!choose_files()) return -1;
    int r = 0;
    while (r == 0) r = grab_files();
    return r == 1 ? since(start) : -1;
}

// unzip of every archive into its folder, in one shell loop; seconds, or -1.
double unzip_install(const sample_disc& s, const std::string& out)
{
    const std::string set = s.root + s.set_name + "/Skylume/", list = out + ".jobs";
    std::ofstream jobs(list);
    for (const auto& e : fs::recursive_directory_iterator(set)) {
        if (e.path().extension() != ".zip") continue;
        const std::string folder = out + "/" + fs::relative(e.path().parent_path(), set).string();
        fs::create_directories(folder);
        jobs << e.path().string() << '\n' << folder << '\n';
    }
    jobs.close();
    const std::string loop =
        "while IFS= read -r a && IFS= read -r d; do unzip -qq -o \"$a\" -d \"$d\" || exit 1; done < \"$1\"";
    const auto start = clock_type::now();
    const std::string command = "sh -c '" + loop + "' sh " + list;
    return std::system(command.c_str()) == 0 ? since(start) : -1;
}

struct window_run {
    double first_frame = -1, ready = -1, install = -1;
    long peak_kb = -1;
};

long peak_memory_kb(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

window_run window_install(e2e_session& x, const sample_disc& s, const std::string& work, bool max_cpu)
{
    window_run r;
    const std::string home = work + "/home", dest = work + "/Skylume/", renamed = work + "/" + s.set_name;
    fs::create_directories(home);
    const auto start = clock_type::now();
    x.start(s.root, home, {e2e_installer_exe(), "-path", dest, std::string("--pref:_use_max_cpu=") + (max_cpu ? "1" : "0")});
    if (!x.wait_for(120, [&] { return x.grab().at(10, 758) != 0; })) return r;
    r.first_frame = since(start);
    if (!x.wait_for(300, [&] { return x.main_screen_ready(); })) return r;
    r.ready = since(start);
    x.press(at_install);
    if (!x.wait_for(60, [&] { return x.sub_window_open(); })) return r;
    x.press(at_agree);
    const auto agreed = clock_type::now();
    if (!x.wait_for(900, [&] { return fs::exists(renamed); })) return r;
    r.install = since(agreed);
    if (x.wait_for(60, [&] { return x.alert_open(); })) x.key_return(); // the completion alert
    x.wait_for(60, [&] { return x.exit_offered(); });
    r.peak_kb = peak_memory_kb(x.pid());
    x.press(at_exit);
    x.wait_end(60);
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    const int small_files = argc > 1 ? std::atoi(argv[1]) : 3000;
    const std::string large_kb = argc > 2 ? argv[2] : "16384,16384,8192";
    temp_dir tmp;
    const sample_disc s = make_sample_disc(tmp / "sample", small_files, large_kb);
    if (s.root.empty()) return std::fprintf(stderr, "the sample disc could not be made\n"), 1;
    const double mb = double(tree_bytes(s.fresh_expected)) / 1e6;
    xer.open(tmp / "engine_log.txt");

    fs::create_directories(tmp / "engine_temp");
    // unzip first: it also brings the archives into the page cache for all that follow.
    const double unzip = unzip_install(s, tmp / "unzip");
    const double engine = engine_install(s, tmp / "engine/Skylume/", tmp / "engine_temp/");
    std::string why;
    e2e_session x;
    if (!x.open(&why)) return std::fprintf(stderr, "no X display: %s\n", why.c_str()), 1;
    const window_run on = window_install(x, s, tmp / "window_on", true);
    const window_run off = window_install(x, s, tmp / "window_off", false);

    std::printf("sample disc: %d small files, large %s KiB, %.1f MB installed\n", small_files, large_kb.c_str(), mb);
    std::printf("%-34s %8s %8s %10s %10s\n", "install", "s", "MB/s", "vs engine", "vs unzip");
    auto row = [&](const char* name, double s_) {
        if (s_ <= 0) return (void)std::printf("%-34s failed\n", name);
        std::printf("%-34s %8.2f %8.1f %10.2f %10.2f\n", name, s_, mb / s_, engine / s_, unzip / s_);
    };
    row("window, use all CPU on", on.install);
    row("window, use all CPU off", off.install);
    row("headless engine", engine);
    row("unzip, one shell loop", unzip);
    for (const auto* r : {&on, &off})
        std::printf("use all CPU %s: first frame %.2f s, ready screen %.2f s, peak memory %ld KiB\n",
                    r == &on ? "on " : "off", r->first_frame, r->ready, r->peak_kb);
    std::printf("frame times: not measured (not visible from outside the program)\n");
    return on.install > 0 && off.install > 0 && engine > 0 && unzip > 0 ? 0 : 1;
}
