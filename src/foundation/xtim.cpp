// xtim.cpp - frame clock.
//   process-wide clock state
//   microsecond reading and stopwatch
//   xtim_update: period tracks, tick flags, mouse timing, pulse
//   profiler and calendar helpers
#include "foundation/xtim.h"

#include "foundation/hl_types.h"
#include "foundation/hooks.h"

#include <cmath>
#include <ctime>
#include <iomanip>

xtim_class xtim;
qtim_class qtim;

namespace {

constexpr float start_period = 0.02f;
constexpr float min_period = 0.0010001f;
constexpr float max_period = 0.05263158f;
constexpr float click_time = 0.25f;
constexpr int tick_count = 9;
constexpr float tick_periods[tick_count] = {10.0f, 5.0f, 2.0f, 1.0f, 0.5f, 0.2f, 0.1f, 0.05f, 0.025f};

constexpr int xtim_class::*sim_ticks[tick_count] = {
    &xtim_class::sim_ot01, &xtim_class::sim_ot02, &xtim_class::sim_ot05,
    &xtim_class::sim_ot1,  &xtim_class::sim_ot2,  &xtim_class::sim_ot5,
    &xtim_class::sim_ot10, &xtim_class::sim_ot20, &xtim_class::sim_ot40};
constexpr int xtim_class::*real_ticks[tick_count] = {
    &xtim_class::ot01, &xtim_class::ot02, &xtim_class::ot05, &xtim_class::ot1, &xtim_class::ot2,
    &xtim_class::ot5,  &xtim_class::ot10, &xtim_class::ot20, &xtim_class::ot40};

std::uint64_t monotonic_us()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000u;
}

// One frame-period measuring track (main screen, or sub-windows).
struct period_track {
    float period = start_period;
    unsigned count = 0;
    float start = 0.0f; // elapsed time at which the current ten-frame measurement began
};

struct clock_state {
    time_source_fn source = monotonic_us;
    bool have_base = false;
    std::uint64_t base = 0;
    bool started = false;
    float start = 0.0f;
    period_track main_track, sub_track;
    float last_mouse_x = 999.0f, last_mouse_y = 999.0f;
    float sim_tick_time[tick_count] = {};
    float real_tick_time[tick_count] = {};
    unsigned long long profile_counter = 0;
    bool have_finish = false;
    float last_finish = 0.0f;
};

clock_state& state()
{
    static clock_state s;
    return s;
}

float seconds_now() { return static_cast<float>(static_cast<double>(xtim_class::microsecs()) * 1e-6); }

void smooth(period_track& t, float now)
{
    if (t.count++ % 10 != 0) return;
    float ratio = (now - t.start) * 0.1f / t.period;
    if (!(ratio >= 0.5f)) ratio = 0.5f; // also catches NaN
    if (ratio > 1.5f) ratio = 1.5f;
    xtim.period_ratio = ratio;
    t.period *= std::pow(ratio, 0.25f);
    if (t.period < min_period) t.period = min_period;
    if (t.period > max_period) t.period = max_period;
    t.start = now;
}

void apply_time_rate(float p)
{
    xtim.frame_period = xtim.rated_period = xtim.sim_period = p;
    switch (mnw.time_rate_mode) {
    case 0:
        if (xtim.time_rate != 0.0f) xtim.rated_period = xtim.sim_period = p * xtim.time_rate;
        else xtim.sim_period = 0.0f;
        break;
    case 2: xtim.sim_period = p * -5.0f; break;
    case 3: xtim.sim_period = -p; break;
    case 4: xtim.sim_period = p * -0.2f; break;
    case 5: xtim.sim_period = 0.0f; break;
    case 6: xtim.sim_period = p * 0.2f; break;
    case 8: xtim.sim_period = p * 5.0f; break;
    default: break;
    }
}

void measure_period(clock_state& s, float now)
{
    const bool on_main = mnw.cur_wind == 0 || mnw.sec_mon_inuse != 0;
    const bool in_dialog = mnw.cur_wind >= 995 && mnw.cur_wind <= 999;
    if (on_main) {
        smooth(s.main_track, now);
        apply_time_rate(s.main_track.period);
        s.sub_track.start = now;
    } else if (in_dialog) {
        s.main_track.start = s.sub_track.start = now;
    } else {
        s.main_track.start = now;
        smooth(s.sub_track, now);
        xtim.frame_period = xtim.rated_period = xtim.sim_period = s.sub_track.period;
    }
}

void set_ticks(int xtim_class::*const* flags, float* last, float t)
{
    for (int i = 0; i < tick_count; ++i) {
        xtim.*flags[i] = 0;
        if (std::fabs(t - last[i]) > tick_periods[i]) {
            xtim.*flags[i] = 1;
            last[i] = t;
        }
    }
}

void time_mouse(clock_state& s, float t)
{
    const float pressed = mnw.press_time;
    mnw.mouse_held_long = (mnw.mouse_held && t > pressed + click_time) ? 1 : 0;
    mnw.mouse_dbl = (mnw.mouse_down && t < pressed + click_time) ? 1 : 0;
    mnw.mouse_click = (mnw.mouse_up && t < pressed + click_time) ? 1 : 0;
    if (mnw.mouse_down) {
        mnw.mouse_held = 1;
        mnw.mouse_time = t;
        mnw.press_time = t;
        BTN_unfocus_any();
    }
    if (mnw.mouse_up) mnw.mouse_held = mnw.mouse_held_long = 0;
    if (std::fabs(mnw.mouse_x - s.last_mouse_x) > 0.5f || std::fabs(mnw.mouse_y - s.last_mouse_y) > 0.5f)
        mnw.mouse_time = t;
    s.last_mouse_x = mnw.mouse_x;
    s.last_mouse_y = mnw.mouse_y;
}

} // namespace

xtim_class::xtim_class()
    : first_frame(1), time_rate(1.0f), frame_period(start_period), rated_period(start_period),
      sim_period(0.0f), period_ratio(1.0f), frame_count(0), elapsed_time(0.0f), sim_time(0.0f),
      day_of_year(90), sim_ot01(0), sim_ot02(0), sim_ot05(0), sim_ot1(0), sim_ot2(0), sim_ot5(0),
      sim_ot10(0), sim_ot20(0), sim_ot40(0), ot01(0), ot02(0), ot05(0), ot1(0), ot2(0), ot5(0),
      ot10(0), ot20(0), ot40(0)
{
}

std::uint64_t xtim_class::microsecs()
{
    clock_state& s = state();
    const std::uint64_t now = s.source();
    if (!s.have_base) {
        s.base = now;
        s.have_base = true;
    }
    return now - s.base;
}

int xtim_class::del_time(unsigned long long* since)
{
    if (!since) since = &state().profile_counter;
    const unsigned long long now = microsecs();
    const auto delta = static_cast<std::uint32_t>(now - *since);
    *since = now;
    return static_cast<int>(delta);
}

void xtim_class::xtim_update()
{
    clock_state& s = state();
    if (!s.started) {
        s.start = seconds_now();
        s.started = true;
    }
    elapsed_time = seconds_now() - s.start;
    measure_period(s, elapsed_time);
    set_ticks(sim_ticks, s.sim_tick_time, sim_time);
    set_ticks(real_ticks, s.real_tick_time, elapsed_time);
    time_mouse(s, elapsed_time);
    COLR_set_pulse(0.7f + 0.3f * std::sin(20.0f * elapsed_time));
}

void xtim_class::profile_chart(const std::string& stage, int finish)
{
    if (!mnw.profile_on) return;
    clock_state& s = state();
    const int d = del_time(&s.profile_counter);
    xer << std::setw(1) << std::setprecision(0) << stage << "=" << std::setw(6) << std::setprecision(0)
        << d * 0.1 << " | ";
    if (!finish) return;
    if (!s.have_finish) {
        s.last_finish = seconds_now();
        s.have_finish = true;
    }
    const float t1 = seconds_now();
    xer << "   total: " << std::setw(5) << std::setprecision(3) << t1 - s.last_finish
        << " sec for topwi=" << mnw.cur_wind << "\n";
    s.last_finish = seconds_now();
}

void xtim_class::current_month_day(int* month, int* day) const
{
    static const int month_days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int doy = day_of_year;
    if (doy < 0) doy = 0; // the month table covers one common year only
    if (doy > 364) doy = 364;
    *month = 0;
    if (doy < 31) {
        *day = doy + 1;
        return;
    }
    int s = 31;
    for (int m = 1;; ++m) {
        *month = m;
        const int next = s + month_days[m];
        if (next > doy) break;
        s = next;
    }
    *day = doy - s + 1;
}

void xtim_class::xtim_hrs_min_sec(float secs, float* hrs, float* min, float* sec)
{
    *hrs = std::trunc(secs / 3600.0f);
    *min = std::trunc(secs / 60.0f) - std::trunc(*hrs * 60.0f);
    *sec = std::trunc(secs) - std::trunc(3600.0f * *hrs) - std::trunc(*min * 60.0f);
}

time_source_fn xtim_class::set_time_source(time_source_fn fn)
{
    clock_state& s = state();
    time_source_fn old = s.source;
    s.source = fn ? fn : monotonic_us;
    return old;
}

void xtim_class::reset_process_state()
{
    clock_state& s = state();
    const time_source_fn source = s.source;
    s = clock_state{};
    s.source = source;
}
