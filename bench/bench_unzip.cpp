// zip_to_file over a few hundred archives of mixed sizes (text and incompressible
// data) against Info-ZIP unzip extracting the same set, in the same run; prints
// the throughput ratio and both peak memory figures, each from a fresh process.
#include "bench_tools.h"
#include "foundation/hl_types.h"
#include "support/zip_builder.h"
#include "files/zip_io.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int archive_count = 300;

struct archive_set {
    std::string dir;
    std::vector<std::string> archives; // names in dir
    std::uint64_t bytes = 0;           // uncompressed total
    std::size_t largest = 0;           // largest entry
};

std::size_t entry_size(int i)
{
    if (i % 10 < 6) return 2048 + std::size_t(i * 7919) % (62 * 1024);        // small
    if (i % 10 < 9) return 256 * 1024 + std::size_t(i * 104729) % (1792 * 1024); // medium
    return (4 + std::size_t(i) % 9) * 1024 * 1024;                             // large
}

const archive_set& the_set()
{
    static const archive_set set = [] {
        archive_set s;
        s.dir = bench_scratch_dir() + "/unzip-set";
        const bool made = access((s.dir + "/complete").c_str(), F_OK) == 0;
        mkdir(s.dir.c_str(), 0755);
        for (int i = 0; i < archive_count; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "a%03d.zip", i);
            s.archives.push_back(name);
            const std::size_t n = entry_size(i);
            s.bytes += 2 * n;
            s.largest = std::max(s.largest, n);
            if (made) continue;
            const std::string folder = "set" + std::to_string(i) + "/";
            make_zip(s.dir + "/" + name, {{folder, "", 0040755},
                                          {folder + "text.txt", text_bytes(n, i + 1), 0100644},
                                          {folder + "data.bin", random_bytes(n, i + 7), 0100644}});
        }
        if (!made) std::fclose(std::fopen((s.dir + "/complete").c_str(), "w"));
        return s;
    }();
    return set;
}

int extract_all(const archive_set& set, const std::string& out)
{
    for (const std::string& a : set.archives)
        if (int err = zip_to_file(set.dir + "/" + a, out, nullptr, 0)) return err;
    return 0;
}

std::string out_dir(const char* tool)
{
    std::string out = bench_scratch_dir() + "/unzip-out-" + tool + "/";
    mkdir(out.c_str(), 0755);
    return out;
}

void BM_zip_to_file(benchmark::State& state)
{
    app_path.clear();
    const archive_set& set = the_set();
    const std::string out = out_dir("ours");
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        if (extract_all(set, out) != 0) state.SkipWithError("zip_to_file failed");
        record_best("ours", std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * set.bytes));
}
BENCHMARK(BM_zip_to_file)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_unzip(benchmark::State& state)
{
    const archive_set& set = the_set();
    const std::string out = out_dir("unzip");
    for (auto _ : state) {
        child_run run = run_child({"unzip", "-qq", "-o", set.dir + "/*.zip", "-d", out});
        if (run.status != 0) state.SkipWithError("unzip failed");
        record_best("unzip", run.seconds);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * set.bytes));
}
BENCHMARK(BM_unzip)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    // Child mode: one extraction of the set in a fresh process, for its peak memory.
    if (argc == 3 && std::strcmp(argv[1], "--extract-into") == 0) return extract_all(the_set(), argv[2]) ? 1 : 0;

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    const archive_set& set = the_set();
    if (best_of("ours") > 0 && best_of("unzip") > 0)
        std::printf("zip_to_file throughput / unzip throughput (best runs): %.3f\n", best_of("unzip") / best_of("ours"));
    child_run ours = run_child({"/proc/self/exe", "--extract-into", out_dir("ours")});
    child_run unzip = run_child({"unzip", "-qq", "-o", set.dir + "/*.zip", "-d", out_dir("unzip")});
    std::printf("peak memory: zip_to_file %ld KiB, unzip %ld KiB; largest entry %zu KiB\n", ours.peak_kib,
                unzip.peak_kib, set.largest / 1024);
    benchmark::Shutdown();
    return 0;
}
