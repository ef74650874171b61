// bench_tools.cpp - scratch folder, fixture bytes and child-process timing.
#include "bench_tools.h"

#include <chrono>
#include <cstdlib>
#include <map>
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
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return {seconds, usage.ru_maxrss, status};
}

void record_best(const std::string& name, double seconds)
{
    auto it = bests().find(name);
    if (it == bests().end() || seconds < it->second) bests()[name] = seconds;
}

double best_of(const std::string& name) { return bests().count(name) ? bests()[name] : 0; }
