// Download throughput of the polled client against a local nginx, polled in a
// tight loop (the full-speed mode), beside curl fetching the same files in the
// same run: one slot against one `curl -o` of one file, and four slots side by
// side against one `curl --parallel` fetching the same four files. The sides
// alternate over several rounds (SKY_BENCH_ROUNDS, default 5); min, median and
// ratios are printed. Every download is checked byte for byte afterwards.
#include "bench_tools.h"
#include "files/http.h"
#include "support/net_peers.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <sys/stat.h>

namespace {

constexpr unsigned long long kFileSize = 128ull << 20;
constexpr int kFiles = 4;

std::string file_name(int i) { return "/f" + std::to_string(i) + ".zip"; }

struct bench_site {
    std::string dir;
    std::unique_ptr<local_nginx> nginx;
    bool ok = false;

    bench_site()
    {
        char tmpl[] = "/tmp/sky_bench_http_XXXXXX";
        if (!mkdtemp(tmpl)) return;
        dir = tmpl;
        mkdir((dir + "/www").c_str(), 0755);
        mkdir((dir + "/nginx").c_str(), 0755);
        mkdir((dir + "/got").c_str(), 0755);
        for (int i = 0; i < kFiles; ++i)
            if (!write_pattern_file(dir + "/www" + file_name(i), kFileSize)) return;
        nginx.reset(new local_nginx(dir + "/nginx", dir + "/www"));
        ok = nginx->ok();
        http.proxy_host = "127.0.0.1";
        http.proxy_port = nginx->port();
    }
    ~bench_site()
    {
        nginx.reset();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    std::string got(int i) const { return dir + "/got" + file_name(i); }
};

// Every one of the first `files` downloads is whole and right; they are removed
// so that the next run writes new files, as the other side does.
bool all_good(const bench_site& s, int files)
{
    bool good = true;
    for (int i = 0; i < files; ++i) {
        good = good && check_pattern_file(s.got(i), kFileSize);
        std::remove(s.got(i).c_str());
    }
    return good;
}

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// One curl process fetching the first `files` files, in parallel when more than one.
double by_curl(const bench_site& s, int files)
{
    std::vector<std::string> argv = {"curl", "-s", "--no-progress-meter", "--fail"};
    if (files > 1) argv.insert(argv.end(), {"--parallel", "--parallel-max", std::to_string(files)});
    for (int i = 0; i < files; ++i)
        argv.insert(argv.end(), {"-o", s.got(i), "http://127.0.0.1:" + std::to_string(s.nginx->port()) + file_name(i)});
    const child_run run = run_child(argv);
    return run.status == 0 && all_good(s, files) ? run.seconds : -1;
}

// Polls `files` slots side by side, slot s fetching file s, until all end.
double by_slots(const bench_site& s, int files)
{
    const auto start = std::chrono::steady_clock::now();
    int result[kFiles] = {net_running, net_running, net_running, net_running};
    int left = files;
    for (long polls = 0; left > 0 && polls < 100000000; ++polls) {
        for (int i = 0; i < files; ++i) {
            if (result[i] != net_running) continue;
            result[i] = http.net_check(slot_first_stream + i, "dl.skylume.test", file_name(i), s.got(i));
            if (result[i] != net_running) --left;
        }
    }
    const double secs = seconds_since(start);
    for (int i = 0; i < files; ++i)
        if (result[i] != net_done) return -1;
    return all_good(s, files) ? secs : -1;
}

} // namespace

int main()
{
    bench_site site;
    if (!site.ok) {
        std::fprintf(stderr, "nginx did not start\n");
        return 1;
    }
    const int rounds = bench_rounds(5);
    const double mib = static_cast<double>(kFileSize) / (1 << 20);
    print_comparison("one download of " + std::to_string(kFileSize >> 20) + " MiB",
                     alternate({{"one slot", [&] { return by_slots(site, 1); }},
                                {"curl, one file", [&] { return by_curl(site, 1); }}},
                               rounds),
                     mib, "MiB");
    print_comparison("four downloads of " + std::to_string(kFileSize >> 20) + " MiB each, side by side",
                     alternate({{"four slots", [&] { return by_slots(site, kFiles); }},
                                {"curl --parallel, four files", [&] { return by_curl(site, kFiles); }}},
                               rounds),
                     kFiles * mib, "MiB");
    return 0;
}
