// recall_ins_texes (the four built-in pictures, about 10 MB, staged through
// scratch_array and uploaded) on Mesa's software GL under Xvfb, beside a plain
// memcpy of the same bytes and a bare glTexImage2D of the same pictures from
// ready-made buffers, in the same run; prints the ratios at the end.
#include "bench_tools.h"
#include "foundation/cmdline.h"
#include "foundation/hl_types.h"
#include "graphics/builtin_images.h"
#include "graphics/builtin_textures.h"
#include "graphics/gl_calls.h"
#include "graphics/ogl_extensions.h"
#include "graphics/tex_bind.h"
#include "graphics/tman.h"
#include "support/glx_window.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

std::int64_t picture_bytes()
{
    std::int64_t n = 0;
    for (const builtin_image_struct& img : builtin_images) n += std::int64_t(img.dx) * img.dy * 4;
    return n;
}

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The GL window of the whole run, made once.
bool gl_ready(benchmark::State& state)
{
    static glx_window* window = [] {
        auto* w = new glx_window(1024, 768);
        if (w->ok()) {
            HL_fill_tables();
            mnw.tex_res = 5;
            glExt.init_extensions();
            gl.PixelStorei(GL_UNPACK_ALIGNMENT, 1);
        }
        return w;
    }();
    if (!window->ok()) state.SkipWithError(("no GL window: " + window->why()).c_str());
    return window->ok();
}

// As at start-up: an empty texture table, so every picture gets new storage.
void BM_recall_ins_texes(benchmark::State& state)
{
    if (!gl_ready(state)) return;
    for (auto _ : state) {
        tman.reset();
        TEX_reset_bind();
        const auto start = std::chrono::steady_clock::now();
        recall_ins_texes();
        gl.Finish();
        record_best("recall_ins_texes", seconds_since(start));
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * picture_bytes());
}
BENCHMARK(BM_recall_ins_texes)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void BM_memcpy_same_bytes(benchmark::State& state)
{
    std::vector<unsigned char> dest(tex_staging_bytes);
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        for (const builtin_image_struct& img : builtin_images)
            std::memcpy(dest.data(), img.pixels, std::size_t(img.dx) * img.dy * 4);
        benchmark::DoNotOptimize(dest.data());
        benchmark::ClobberMemory();
        record_best("memcpy", seconds_since(start));
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * picture_bytes());
}
BENCHMARK(BM_memcpy_same_bytes)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

// The same four textures straight from buffers already laid out at the
// texture's width, into new storage each time.
void BM_bare_glTexImage2D(benchmark::State& state)
{
    if (!gl_ready(state)) return;
    struct ready { int dx, dy; std::vector<unsigned char> px; };
    std::vector<ready> pictures;
    for (const builtin_image_struct& img : builtin_images) {
        int dx = 1, dy = 1;
        while (dx < img.dx) dx *= 2;
        while (dy < img.dy) dy *= 2;
        ready r{dx, dy, std::vector<unsigned char>(std::size_t(dx) * dy * 4, 0)};
        for (int y = 0; y < img.dy; ++y)
            std::memcpy(&r.px[std::size_t(y) * dx * 4], img.pixels + std::size_t(y) * img.dx * 4, std::size_t(img.dx) * 4);
        pictures.push_back(std::move(r));
    }
    GLuint names[4] = {2001, 2002, 2003, 2004};
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        for (std::size_t i = 0; i < pictures.size(); ++i) {
            gl.BindTexture(GL_TEXTURE_2D, names[i]);
            gl.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, pictures[i].dx, pictures[i].dy, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                          pictures[i].px.data());
        }
        gl.Finish();
        record_best("glTexImage2D", seconds_since(start));
    }
    TEX_reset_bind();
    state.SetBytesProcessed(std::int64_t(state.iterations()) * picture_bytes());
}
BENCHMARK(BM_bare_glTexImage2D)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    const double mb = double(picture_bytes()) / 1e6;
    const double ours = best_of("recall_ins_texes"), copy = best_of("memcpy"), bare = best_of("glTexImage2D");
    if (ours > 0 && copy > 0 && bare > 0) {
        std::printf("\nbest of each, %.1f MB of pictures:\n", mb);
        std::printf("  recall_ins_texes  %7.2f ms  %7.0f MB/s\n", ours * 1e3, mb / ours);
        std::printf("  memcpy            %7.2f ms  %7.0f MB/s  (recall_ins_texes takes %.1fx its time)\n", copy * 1e3,
                    mb / copy, ours / copy);
        std::printf("  glTexImage2D      %7.2f ms  %7.0f MB/s  (recall_ins_texes takes %.2fx its time)\n", bare * 1e3,
                    mb / bare, ours / bare);
    }
    benchmark::Shutdown();
    return 0;
}
