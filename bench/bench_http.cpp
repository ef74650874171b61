// Download throughput of the polled client against a local nginx, polled in a
// tight loop (the full-speed mode), beside `curl -o` of the same file in the
// same run. Each client benchmark reports its rate as a ratio to curl's.
#include "files/http.h"
#include "support/net_peers.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <sys/stat.h>

namespace {

constexpr unsigned long long kFileSize = 256ull << 20;

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
        if (!write_pattern_file(dir + "/www/big.zip", kFileSize)) return;
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
};

bench_site& site()
{
    static bench_site s;
    return s;
}

double curl_rate = 0; // bytes per second of the curl run

void set_rate(benchmark::State& state, unsigned long long bytes_per_iteration, double seconds)
{
    const double rate = static_cast<double>(bytes_per_iteration) * static_cast<double>(state.iterations()) / seconds;
    state.counters["MiB_per_s"] = rate / (1 << 20);
    if (curl_rate > 0) state.counters["ratio_to_curl"] = rate / curl_rate;
}

void BM_curl(benchmark::State& state)
{
    if (!site().ok) return state.SkipWithError("nginx did not start");
    const std::string cmd = "curl -s -o " + site().dir + "/curl.zip http://127.0.0.1:" +
                            std::to_string(site().nginx->port()) + "/big.zip";
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state)
        if (std::system(cmd.c_str()) != 0) return state.SkipWithError("curl failed");
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    curl_rate = static_cast<double>(kFileSize) * static_cast<double>(state.iterations()) / secs;
    set_rate(state, kFileSize, secs);
}

// Polls `streams` slots side by side, each fetching the big file, until all end.
bool download(int streams)
{
    int result[4] = {net_running, net_running, net_running, net_running};
    int left = streams;
    for (long polls = 0; left > 0 && polls < 100000000; ++polls) {
        for (int s = 0; s < streams; ++s) {
            if (result[s] != net_running) continue;
            result[s] = http.net_check(slot_first_stream + s, "dl.skylume.test", "/big.zip",
                                       site().dir + "/slot" + std::to_string(s) + ".zip");
            if (result[s] != net_running) --left;
        }
    }
    for (int s = 0; s < streams; ++s)
        if (result[s] != net_done) return false;
    return true;
}

void BM_net_check(benchmark::State& state)
{
    if (!site().ok) return state.SkipWithError("nginx did not start");
    const int streams = static_cast<int>(state.range(0));
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state)
        if (!download(streams)) return state.SkipWithError("a download failed");
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    set_rate(state, kFileSize * static_cast<unsigned long long>(streams), secs);
}

BENCHMARK(BM_curl)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_net_check)->Arg(1)->Arg(4)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
