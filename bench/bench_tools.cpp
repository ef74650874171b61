// bench_tools.cpp - scratch folder, fixture bytes and child-process timing.
#include "bench_tools.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
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

std::vector<contender_times> alternate(const std::vector<contender>& sides, int rounds)
{
    std::vector<contender_times> times(sides.size());
    for (std::size_t i = 0; i < sides.size(); ++i) times[i].name = sides[i].name;
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t k = 0; k < sides.size(); ++k) {
            const std::size_t i = (k + static_cast<std::size_t>(round)) % sides.size();
            if (times[i].failed) continue;
            const double s = sides[i].run();
            if (s < 0) {
                times[i].failed = true;
                std::fprintf(stderr, "%s failed\n", sides[i].name.c_str());
            } else {
                times[i].seconds.push_back(s);
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
    std::printf("  %-34s %9s %9s %12s %24s\n", "", "min s", "median s", "rate", "first's speed x");
    const contender_times& first = times.front();
    for (const contender_times& t : times) {
        if (t.failed || t.seconds.empty()) {
            std::printf("  %-34s failed\n", t.name.c_str());
            continue;
        }
        char rate[32];
        std::snprintf(rate, sizeof rate, "%.0f %s/s", work / t.median(), unit);
        std::printf("  %-34s %9.3f %9.3f %12s", t.name.c_str(), t.min(), t.median(), rate);
        if (&t != &first && !first.failed && !first.seconds.empty())
            std::printf("   %5.2f / %5.2f / %5.2f", t.min() / first.min(), t.median() / first.median(),
                        paired_median(t, first));
        std::printf("\n");
    }
    std::printf("  (last column: min/min, median/median, and the median of each round's own ratio)\n");
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
