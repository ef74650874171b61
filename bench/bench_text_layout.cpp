// Laying out a 5,000-character paragraph, wrapped at 600 units, without GL:
// the layout the text calls use (into storage reused from call to call)
// beside the same wrapping done the straightforward way, a std::string per
// line buffer and a std::vector of lines, in the same run. Allocations per
// call are counted at malloc.
#include "ui/text_layout.h"

#include "bench_text.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <vector>

// Every allocation of the program ends in malloc (the foundation's operator
// new included); the link wraps malloc so that this file counts them.
static std::atomic<long> allocations{0};
extern "C" void* __real_malloc(std::size_t n);
extern "C" void* __wrap_malloc(std::size_t n)
{
    ++allocations;
    return __real_malloc(n);
}

namespace {

// The wrapping rule written plainly: a growing line buffer and a vector of lines.
float plain_wrap(const std::string& text, float wrap, std::vector<std::string>& lines)
{
    lines.clear();
    std::string buffer;
    float pen = 0, y = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        buffer += c;
        pen += static_cast<float>(OGL_char_width(static_cast<signed char>(c)));
        bool end = i + 1 == text.size();
        if (!end && (c == ' ' || c == '-' || c == '/')) {
            float est = pen;
            for (std::size_t j = i + 1; j < text.size() && text[j] != ' ' && text[j] != '-' && text[j] != '/'; ++j)
                est += 6;
            end = est > wrap;
        }
        if (end) {
            lines.push_back(buffer);
            buffer.clear();
            pen = 0;
            y -= 10;
        }
    }
    return y;
}

} // namespace

static void BM_layout_paragraph(benchmark::State& state)
{
    const std::string text = bench_paragraph();
    text_layout layout;
    OGL_layout_string(0, 700, text, 600, 0, 0, layout); // storage grows once
    const long before = allocations.load();
    for (auto _ : state) {
        benchmark::DoNotOptimize(OGL_layout_string(0, 700, text, 600, 0, 0, layout));
        benchmark::ClobberMemory();
    }
    state.counters["allocs_per_call"] =
        benchmark::Counter(static_cast<double>(allocations.load() - before) / static_cast<double>(state.iterations()));
    state.counters["glyphs"] = static_cast<double>(layout.glyphs.size());
    state.counters["lines"] = static_cast<double>(layout.lines.size());
    state.SetItemsProcessed(state.iterations() * static_cast<long>(text.size()));
}
BENCHMARK(BM_layout_paragraph)->Unit(benchmark::kMicrosecond);

static void BM_plain_wrap_paragraph(benchmark::State& state)
{
    const std::string text = bench_paragraph();
    std::vector<std::string> lines;
    const long before = allocations.load();
    for (auto _ : state) {
        benchmark::DoNotOptimize(plain_wrap(text, 600, lines));
        benchmark::ClobberMemory();
    }
    state.counters["allocs_per_call"] =
        benchmark::Counter(static_cast<double>(allocations.load() - before) / static_cast<double>(state.iterations()));
    state.counters["lines"] = static_cast<double>(lines.size());
    state.SetItemsProcessed(state.iterations() * static_cast<long>(text.size()));
}
BENCHMARK(BM_plain_wrap_paragraph)->Unit(benchmark::kMicrosecond);

static void BM_number_text(benchmark::State& state)
{
    std::string out;
    float v = 12345.678f;
    for (auto _ : state) {
        OGL_number_text(v, 9, 2, out);
        benchmark::DoNotOptimize(out.data());
        v += 1.0f;
    }
}
BENCHMARK(BM_number_text);

BENCHMARK_MAIN();
