// The clock step runs once per frame; it must stay far below a frame's budget.
#include "foundation/hl_types.h"
#include "foundation/xtim.h"

#include <benchmark/benchmark.h>

static void BM_xtim_update(benchmark::State& state)
{
    for (auto _ : state) {
        xtim.xtim_update();
        benchmark::DoNotOptimize(xtim.elapsed_time);
    }
}
BENCHMARK(BM_xtim_update);

static void BM_profile_mark_off(benchmark::State& state)
{
    mnw.profile_on = 0;
    for (auto _ : state) xtim_class::profile_chart("event", 0);
}
BENCHMARK(BM_profile_mark_off);

BENCHMARK_MAIN();
