// calc_file_md5 on a 1 GiB file against coreutils md5sum on the same file, in
// the same run, from a warm page cache; prints the throughput ratio.
#include "bench_tools.h"
#include "foundation/hl_types.h"
#include "files/md5.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sys/stat.h>

namespace {

const std::size_t file_size = std::size_t(1) << 30;

const std::string& big_file()
{
    static const std::string path = [] {
        std::string p = bench_scratch_dir() + "/md5-1GiB.bin";
        struct stat st;
        if (stat(p.c_str(), &st) != 0 || std::size_t(st.st_size) != file_size) {
            std::ofstream out(p, std::ios::binary | std::ios::trunc);
            for (std::size_t at = 0; at < file_size; at += 1 << 24) out << random_bytes(1 << 24, at + 1);
        }
        return p;
    }();
    return path;
}

void BM_calc_file_md5(benchmark::State& state)
{
    app_path.clear();
    std::string hex;
    calc_file_md5(big_file(), hex); // warm the page cache
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        if (calc_file_md5(big_file(), hex) != 0) state.SkipWithError("calc_file_md5 failed");
        record_best("ours", std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(file_size));
    state.SetLabel(hex);
}
BENCHMARK(BM_calc_file_md5)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_md5sum(benchmark::State& state)
{
    for (auto _ : state) {
        child_run run = run_child({"sh", "-c", "exec md5sum " + big_file() + " >/dev/null"});
        if (run.status != 0) state.SkipWithError("md5sum failed");
        record_best("md5sum", run.seconds);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(file_size));
}
BENCHMARK(BM_md5sum)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    if (best_of("ours") > 0 && best_of("md5sum") > 0)
        std::printf("calc_file_md5 throughput / md5sum throughput (best runs): %.3f\n",
                    best_of("md5sum") / best_of("ours"));
    benchmark::Shutdown();
    return 0;
}
