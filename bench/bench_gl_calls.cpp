// A GL call through the call table beside the same call made directly, in the
// same run. Without a current context both reach libGL's dispatch stub, so the
// difference is the table's own cost: one load and an indirect jump.
#include "graphics/gl_calls.h"

#include <benchmark/benchmark.h>

static void BM_direct_glIsEnabled(benchmark::State& state)
{
    for (auto _ : state) benchmark::DoNotOptimize(glIsEnabled(GL_BLEND));
}
BENCHMARK(BM_direct_glIsEnabled);

static void BM_table_glIsEnabled(benchmark::State& state)
{
    for (auto _ : state) benchmark::DoNotOptimize(gl.IsEnabled(GL_BLEND));
}
BENCHMARK(BM_table_glIsEnabled);

static void BM_direct_glColor4f(benchmark::State& state)
{
    for (auto _ : state) {
        glColor4f(1, 0.5f, 0.25f, 1);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_direct_glColor4f);

static void BM_table_glColor4f(benchmark::State& state)
{
    for (auto _ : state) {
        gl.Color4f(1, 0.5f, 0.25f, 1);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_table_glColor4f);

BENCHMARK_MAIN();
