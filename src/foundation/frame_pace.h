// frame_pace.h - when the next frame is drawn. A picture that holds still is
// not drawn again until something on it changes: input, a window switch, a
// time it asked for (a tool-tip, a pulse step) or a probe that finds it out
// of date. Frames are drawn at most once per screen refresh.
// Main thread only. Times are seconds of xtim_class::microsecs().
#pragma once

class frame_pace_class {
public:
    // ---- asked by what draws a pass
    void hold_still();                    // this pass's picture stays right until input or a wake
    void wake_in(double seconds);         // ...except that it changes by itself this much later
    void probe(int (*still_right)());     // asked about once a second while held; 0 wakes it
    void redraw();                        // the picture on screen is out of date
    void switched();                      // another window is current: redraw; its first picture is not shown yet
    void busy();                          // this pass has work of its own: the next must not wait

    // ---- the frame loop's side
    int due(double now);                  // the coming pass must be drawn; runs the probe when its time came
    void begin_pass();                    // a pass is drawn: its declarations start afresh
    void swapped(double now);             // any buffer swap: counted and timed
    void pass_shown();                    // the frame loop showed its pass: the pass's declarations now hold
    int resting() const;                  // the picture on screen holds still
    int keeps_busy() const;               // the picture on screen asked for no wait
    int window_unshown() const;           // the current window has shown no picture yet
    double next_swap_at() const;          // the earliest time the next swap may show, by the refresh
    double wake_at() const;               // when a resting picture wants drawing again; 1e300 when never

    double refresh = 1.0 / 60;            // s between screen refreshes
    long swaps = 0;                       // buffer swaps of the run, for tests and benchmarks
    double last_swap = -1;                // s of the last swap; -1 before the first
    double last_input = 0;                // s of the last frame that handled an X event; the frame loop writes it

    static double now();                  // seconds of the microsecond clock
    void reset();                         // as at start-up; for tests

private:
    struct pass_asks {
        int hold = 0, busy = 0;
        double wake = 1e300;
        int (*probe)() = nullptr;
    };
    pass_asks drawing;  // collected from the pass being drawn
    pass_asks shown;    // of the picture on screen
    int stale = 1;      // the picture on screen is out of date
    int unshown = 0;    // a window was switched to and its first picture is not shown yet
    double probed_at = 0;
};

extern frame_pace_class fpace;
