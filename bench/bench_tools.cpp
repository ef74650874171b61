// bench_tools.cpp - scratch folder, fixture bytes, child-process timing,
// side-by-side comparisons, CPU seconds, fresh file systems, pinned reruns.
#include "bench_tools.h"

#include "support/zip_builder.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sched.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

std::string bench_scratch_dir()
{
    const char* base = std::getenv("SKY_BENCH_DIR");
    std::string dir = std::string(base ? base : "/tmp") + "/sky-bench";
    mkdir(dir.c_str(), 0755);
    return dir;
}

namespace {

std::uint64_t next_random(std::uint64_t& s)
{
    s ^= s << 13;
    s ^= s >> 7;
    s ^= s << 17;
    return s;
}

std::map<std::string, double>& bests()
{
    static std::map<std::string, double> table;
    return table;
}

} // namespace

std::string random_bytes(std::size_t n, std::uint64_t seed)
{
    std::string s(n, '\0');
    std::uint64_t r = seed | 1;
    for (std::size_t i = 0; i < n; i += 8) {
        std::uint64_t v = next_random(r);
        for (std::size_t k = 0; k < 8 && i + k < n; ++k) s[i + k] = static_cast<char>(v >> (8 * k));
    }
    return s;
}

unsigned long product_file_date(std::uint64_t index)
{
    const int i = int(index % 840);
    return dos_date(2008, 3, 1 + i % 28, 6 + i % 12, i % 60, (i * 2) % 60);
}

std::string text_bytes(std::size_t n, std::uint64_t seed)
{
    static const char* words[] = {"runway ", "heading ", "altitude ", "flaps ", "throttle ", "vector ",
                                  "approach ", "glide ", "slope ", "tower ", "cleared ", "land\n"};
    std::string s;
    s.reserve(n + 16);
    std::uint64_t r = seed | 1;
    while (s.size() < n) s += words[next_random(r) % 12];
    s.resize(n);
    return s;
}

child_run run_child(const std::vector<std::string>& argv)
{
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = -1;
    waitpid(pid, &status, 0);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return {seconds, status};
}

long peak_kib_of(const std::vector<std::string>& argv)
{
    const std::string report = bench_scratch_dir() + "/peak-" + std::to_string(getpid()) + ".txt";
    std::vector<std::string> timed = {"/usr/bin/time", "-f", "%M", "-o", report};
    timed.insert(timed.end(), argv.begin(), argv.end());
    long kib = 0;
    if (run_child(timed).status == 0)
        if (std::FILE* f = std::fopen(report.c_str(), "r")) {
            if (std::fscanf(f, "%ld", &kib) != 1) kib = 0;
            std::fclose(f);
        }
    std::remove(report.c_str());
    return kib;
}

void record_best(const std::string& name, double seconds)
{
    auto it = bests().find(name);
    if (it == bests().end() || seconds < it->second) bests()[name] = seconds;
}

double best_of(const std::string& name) { return bests().count(name) ? bests()[name] : 0; }

namespace {

double median_of(std::vector<double> v)
{
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The median over rounds of side's time over first's time in the same round:
// a load spike that slows one round slows both sides of it, so this ratio
// shakes less than the ratio of the medians.
double paired_median(const contender_times& side, const contender_times& first)
{
    std::vector<double> ratios;
    for (std::size_t r = 0; r < side.seconds.size() && r < first.seconds.size(); ++r)
        if (first.seconds[r] > 0) ratios.push_back(side.seconds[r] / first.seconds[r]);
    return median_of(ratios);
}

} // namespace

double contender_times::min() const
{
    return seconds.empty() ? 0 : *std::min_element(seconds.begin(), seconds.end());
}

double contender_times::median() const { return median_of(seconds); }

double contender_times::cpu_median() const { return cpu.empty() ? -1 : median_of(cpu); }

namespace {

// The median over rounds of first's CPU seconds over side's in the same round; -1 unmeasured.
double paired_cpu_ratio(const contender_times& side, const contender_times& first)
{
    std::vector<double> ratios;
    for (std::size_t r = 0; r < side.cpu.size() && r < first.cpu.size(); ++r)
        if (side.cpu[r] > 0) ratios.push_back(first.cpu[r] / side.cpu[r]);
    return ratios.empty() ? -1 : median_of(ratios);
}

} // namespace

std::vector<contender_times> alternate(const std::vector<contender>& sides, int rounds)
{
    std::vector<contender_times> times(sides.size());
    for (std::size_t i = 0; i < sides.size(); ++i) times[i].name = sides[i].name;
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t k = 0; k < sides.size(); ++k) {
            const std::size_t i = (k + static_cast<std::size_t>(round)) % sides.size();
            if (times[i].failed) continue;
            const side_run s = sides[i].run();
            if (s.seconds < 0) {
                times[i].failed = true;
                std::fprintf(stderr, "%s failed\n", sides[i].name.c_str());
            } else {
                times[i].seconds.push_back(s.seconds);
                if (s.cpu >= 0) times[i].cpu.push_back(s.cpu);
                if (s.switches >= 0) times[i].switches.push_back(s.switches);
            }
        }
    }
    return times;
}

void print_comparison(const std::string& title, const std::vector<contender_times>& times, double work,
                      const char* unit)
{
    std::size_t rounds = 0;
    for (const contender_times& t : times) rounds = std::max(rounds, t.seconds.size());
    std::printf("\n%s (%zu alternated rounds, load average %.1f)\n", title.c_str(), rounds, load_average());
    std::printf("  %-30s %8s %8s %8s %8s %13s  %19s %9s\n", "", "min s", "median s", "cpu s", "sleeps", "rate",
                "first's speed x", "cpu x");
    const contender_times& first = times.front();
    for (const contender_times& t : times) {
        if (t.failed || t.seconds.empty()) {
            std::printf("  %-30s failed\n", t.name.c_str());
            continue;
        }
        char rate[32], cpu[16] = "-", switches[16] = "-";
        std::snprintf(rate, sizeof rate, "%.0f %s/s", work / t.median(), unit);
        if (t.cpu_median() >= 0) std::snprintf(cpu, sizeof cpu, "%.3f", t.cpu_median());
        if (!t.switches.empty()) std::snprintf(switches, sizeof switches, "%.0f", median_of(t.switches));
        std::printf("  %-30s %8.3f %8.3f %8s %8s %13s", t.name.c_str(), t.min(), t.median(), cpu, switches, rate);
        if (&t != &first && !first.failed && !first.seconds.empty()) {
            std::printf("  %5.2f / %5.2f / %5.2f", t.min() / first.min(), t.median() / first.median(),
                        paired_median(t, first));
            const double c = paired_cpu_ratio(t, first);
            if (c >= 0) std::printf(" %9.2f", c);
        }
        std::printf("\n");
    }
    std::printf("  (cpu s: user + system of the side's threads or processes, median; sleeps: the times they\n"
                "   waited (voluntary context switches), median; first's speed x: min/min, median/median and the\n"
                "   median of each round's own ratio; cpu x: the median of each round's first's cpu over this\n"
                "   side's, above 1 when the first costs more)\n");
}

int bench_rounds(int fallback)
{
    const char* v = std::getenv("SKY_BENCH_ROUNDS");
    const int n = v ? std::atoi(v) : 0;
    return n > 0 ? n : fallback;
}

double load_average()
{
    double load[1] = {0};
    return getloadavg(load, 1) == 1 ? load[0] : 0;
}

// ---- CPU --------------------------------------------------------------------------------

namespace {
double seconds_of(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6; }
} // namespace

double cpu_seconds_used()
{
    rusage self{}, children{};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_CHILDREN, &children);
    return seconds_of(self.ru_utime) + seconds_of(self.ru_stime) + seconds_of(children.ru_utime) +
           seconds_of(children.ru_stime);
}

double context_switches()
{
    rusage self{}, children{};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_CHILDREN, &children);
    return static_cast<double>(self.ru_nvcsw + children.ru_nvcsw);
}

unsigned usable_cores()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) != 0) return 1;
    return static_cast<unsigned>(std::max(1, CPU_COUNT(&set)));
}

// ---- a fresh file system --------------------------------------------------------------------

namespace {

bool quiet_child_ok(const std::vector<std::string>& argv)
{
    std::vector<std::string> sh = {"sh", "-c", "exec \"$0\" \"$@\" >/dev/null 2>&1"};
    sh.insert(sh.end(), argv.begin(), argv.end());
    return run_child(sh).status == 0;
}

bool fresh_fs_failed = false; // a mount failed once: the host file system stands in from then on

} // namespace

fresh_fs::fresh_fs(std::uint64_t bytes, std::uint64_t files)
{
    static unsigned made;
    const std::string base = bench_scratch_dir() + "/fs-" + std::to_string(getpid()) + "-" + std::to_string(++made);
    dir_ = base;
    std::filesystem::create_directories(dir_);
    if (fresh_fs_failed) return;
    image_ = base + ".img";
    // Room for the bytes twice over, a block or two per file, and the file system's own tables.
    const std::uint64_t size = 2 * bytes + 8192 * files + (512ull << 20);
    const std::string inodes = std::to_string(2 * files + 4096);
    mounted_ = quiet_child_ok({"truncate", "-s", std::to_string(size), image_}) &&
               quiet_child_ok({"mkfs.ext4", "-q", "-F", "-O", "^has_journal", "-m", "0", "-N", inodes, "-E",
                               "lazy_itable_init=0,lazy_journal_init=0,nodiscard", image_}) &&
               quiet_child_ok({"mount", "-o", "loop", image_, dir_});
    if (mounted_) return;
    fresh_fs_failed = true;
    std::remove(image_.c_str());
    image_.clear();
    std::fprintf(stderr, "no fresh file system could be mounted (root and a loop device are needed): "
                         "the runs write to the host file system\n");
}

fresh_fs::~fresh_fs()
{
    if (mounted_) {
        quiet_child_ok({"umount", dir_});
        std::remove(image_.c_str());
        rmdir(dir_.c_str());
        return;
    }
    // On the host, whatever the run made stays until the scratch folder goes:
    // deleting it here would put the next run in its shadow.
}

const char* fresh_fs::where()
{
    return fresh_fs_failed ? "each run into a new folder of the host file system (no fresh file system could be mounted)"
                           : "each run into a fresh ext4 file system of its own (loop-mounted image)";
}

// ---- pinned reruns --------------------------------------------------------------------------------

std::string pinned_cores()
{
    const char* v = std::getenv("SKY_BENCH_PINNED");
    const std::string cores = v && *v ? v : "0,1";
    return cores == "none" ? std::string() : cores;
}

bool in_pinned_pass() { return std::getenv("SKY_BENCH_PINNED_PASS") != nullptr; }

bool run_pinned_pass(const std::vector<std::string>& env)
{
    const std::string cores = pinned_cores();
    if (cores.empty() || in_pinned_pass()) return true;
    std::error_code ec;
    const std::string self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return false;
    std::vector<std::string> argv = {"env", "SKY_BENCH_PINNED_PASS=1"};
    argv.insert(argv.end(), env.begin(), env.end());
    argv.insert(argv.end(), {"taskset", "-c", cores, self});
    std::fflush(stdout);
    return run_child(argv).status == 0;
}

void print_pass_header()
{
    std::printf("\n==== %s: %u cores usable", in_pinned_pass() ? "pinned pass" : "all cores", usable_cores());
    if (in_pinned_pass()) std::printf(" (taskset -c %s)", pinned_cores().c_str());
    std::printf("; %s\n", fresh_fs::where());
}
