// A 5,000-character wrapped paragraph drawn frame after frame in the real
// window (Xvfb, Mesa's software GL): frame time p50/p95 over 500 frames
// beside the 60 Hz frame budget, and the GL calls of a frame counted through
// the call table, binds and state changes apart. A second copy of the string
// in the same frame must add no bind and no state change.
#include "bench_text.h"
#include "foundation/hl_types.h"
#include "graphics/gl_calls.h"
#include "shell/window.h"
#include "support/main_window.h"
#include "ui/colr.h"
#include "ui/ogl_draw.h"
#include "ui/ogl_sbuff.h"
#include "ui/ogl_state.h"
#include "ui/ogl_text.h"
#include "ui/ogl_view.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <type_traits>
#include <vector>

namespace {

// ---- GL calls counted through the call table ----------------------------------------
enum call_id {
#define SKY_GL_ID(result, name, params, args) id_##name,
    SKY_GL_CALLS(SKY_GL_ID)
#undef SKY_GL_ID
        call_kinds
};
long counts[call_kinds];
gl_call_table real;

template <int I, auto M, class F>
struct counter_of;
template <int I, auto M, class R, class... A>
struct counter_of<I, M, R(A...)> {
    static R GLAPIENTRY call(A... a)
    {
        ++counts[I];
        return (real.*M)(a...);
    }
};

void count_gl_calls()
{
    real = gl;
#define SKY_GL_COUNT(result, name, params, args) \
    gl.name = &counter_of<id_##name, &gl_call_table::name, std::remove_pointer_t<decltype(gl.name)>>::call;
    SKY_GL_CALLS(SKY_GL_COUNT)
#undef SKY_GL_COUNT
}

struct frame_counts {
    long calls = 0, binds = 0, state_changes = 0, begins = 0;
};
frame_counts take_counts()
{
    frame_counts f;
    for (long c : counts) f.calls += c;
    f.binds = counts[id_BindTexture];
    f.state_changes = counts[id_Enable] + counts[id_Disable] + counts[id_ActiveTextureARB] + counts[id_TexEnvi] +
                      counts[id_TexEnvf] + counts[id_TexEnvfv] + counts[id_BlendFunc] + counts[id_DepthMask];
    f.begins = counts[id_Begin];
    std::fill(std::begin(counts), std::end(counts), 0);
    return f;
}

bool open_window()
{
    const std::string why = open_main_window();
    if (!why.empty()) {
        std::fprintf(stderr, "%s\n", why.c_str());
        return false;
    }
    load_interface_textures();
    OGL_pix_specs(0);
    return true;
}

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5)];
}

} // namespace

int main()
{
    if (!open_window()) return 1;
    const std::string text = bench_paragraph();
    count_gl_calls();

    const int frames = 500;
    std::vector<double> ms;
    frame_counts per_frame;
    for (int f = 0; f < frames + 20; ++f) { // 20 frames to warm up
        const auto t0 = std::chrono::steady_clock::now();
        OGL_plot_back_col();
        OGL_string(col_spectrum_label, 20, 740, text, 980, font_interface, 0);
        OGL_sbuff();
        gl.Finish();
        const auto t1 = std::chrono::steady_clock::now();
        per_frame = take_counts();
        if (f >= 20) ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    }

    // The same string twice in one frame: what the second copy adds.
    take_counts();
    OGL_string(col_spectrum_label, 20, 740, text, 980, font_interface, 0);
    const frame_counts first = take_counts();
    OGL_string(col_spectrum_label, 20, 740, text, 980, font_interface, 0);
    const frame_counts second = take_counts();

    const double p50 = percentile(ms, 0.5), p95 = percentile(ms, 0.95), budget = 1000.0 / 60;
    std::printf("paragraph of %zu characters, wrapped at 980 units, %d frames (Xvfb, %s)\n", text.size(), frames,
                ren.gl_renderer ? ren.gl_renderer : reinterpret_cast<const char*>(real.GetString(GL_RENDERER)));
    std::printf("frame time  p50 %.2f ms  p95 %.2f ms   (60 Hz budget %.2f ms: p95 is %.2f of it)\n", p50, p95,
                budget, p95 / budget);
    std::printf("per frame   %ld GL calls, %ld texture binds, %ld state changes, %ld glBegin\n", per_frame.calls,
                per_frame.binds, per_frame.state_changes, per_frame.begins);
    std::printf("string      first: %ld calls, %ld binds, %ld state changes; again: %ld calls, %ld binds, %ld "
                "state changes\n",
                first.calls, first.binds, first.state_changes, second.calls, second.binds, second.state_changes);
    gl = real;
    close_main_window();
    return second.binds == 0 && second.state_changes == 0 ? 0 : 2;
}
