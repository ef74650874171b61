// xtim.h - the frame clock, its tick flags and click timing, and the frame-stage
// profiler. Main thread only.
#pragma once

#include <cstdint>
#include <string>

// Source of the microsecond clock: a monotonic reading, so that setting the
// wall clock never moves time-outs. Tests replace it to step time by hand.
using time_source_fn = std::uint64_t (*)();

class xtim_class {
public:
    xtim_class();

    int first_frame;    // 1 until the frame loop has run the application once
    float time_rate;    // multiplier of the simulated step in time-rate mode 0
    float frame_period; // smoothed real frame period, s
    float rated_period; // frame_period times time_rate (mode 0), else frame_period
    float sim_period;   // simulated step per frame, s; 0 paused, < 0 backwards
    float period_ratio; // clamped ratio of the last smoothing step, 0.5..1.5
    int frame_count;    // frames completed; the frame loop counts them
    float elapsed_time; // seconds since the first xtim_update: the program's "now"
    float sim_time;     // simulated time; nothing advances it here
    int day_of_year;    // 0 = 1 January .. 364
    int sim_ot01, sim_ot02, sim_ot05, sim_ot1, sim_ot2, sim_ot5, sim_ot10, sim_ot20, sim_ot40;
    int ot01, ot02, ot05, ot1, ot2, ot5, ot10, ot20, ot40; // 1 for one frame per period

    void xtim_update(); // one clock step per frame, after the frame's X events

    static std::uint64_t microsecs();               // microseconds since the first reading
    static int del_time(unsigned long long* since); // low 32 bits of the delta; updates *since
    static void profile_chart(const std::string& stage, int finish); // logs when mnw.profile_on

    void current_month_day(int* month, int* day) const; // month from 0, day from 1
    static void xtim_hrs_min_sec(float secs, float* hrs, float* min, float* sec);

    // Replaces the microsecond source; returns the old one. nullptr: the monotonic clock.
    static time_source_fn set_time_source(time_source_fn fn);
    // Forgets the process-wide clock state (base, tracks, tick times); for tests.
    static void reset_process_state();
};

extern xtim_class xtim;

// Movie recording: nothing on this platform.
class qtim_class {
public:
    void stop_thread() {}
    int mov_add_frame() { return 0; }
    void mov_toggle(int) {}
    int mov_per_frame() { return 0; } // 0: the frame loop swaps the buffers itself
    void draw_record_lgt() {}
};

extern qtim_class qtim;
