// frame_pace.cpp - the held picture, its wakes, and the refresh pacing.
#include "foundation/frame_pace.h"

#include "foundation/xtim.h"

#include <algorithm>

frame_pace_class fpace;

namespace {

constexpr double probe_period = 1.0; // s between looks at a held picture's probe

} // namespace

void frame_pace_class::hold_still() { drawing.hold = 1; }

void frame_pace_class::wake_in(double seconds) { drawing.wake = std::min(drawing.wake, now() + seconds); }

void frame_pace_class::probe(int (*still_right)()) { drawing.probe = still_right; }

void frame_pace_class::redraw() { stale = 1; }

void frame_pace_class::switched()
{
    stale = 1;
    unshown = 1;
}

void frame_pace_class::busy() { drawing.busy = 1; }

int frame_pace_class::due(double t)
{
    if (stale || !shown.hold || t >= shown.wake) return 1;
    if (shown.probe && t - probed_at >= probe_period) {
        probed_at = t;
        if (!shown.probe()) stale = 1;
    }
    return stale;
}

void frame_pace_class::begin_pass()
{
    drawing = pass_asks{};
    stale = 0;
}

void frame_pace_class::swapped(double t)
{
    last_swap = t;
    ++swaps;
}

void frame_pace_class::pass_shown()
{
    shown = drawing;
    drawing = pass_asks{};
    probed_at = last_swap;
    unshown = 0;
}

int frame_pace_class::resting() const { return shown.hold && !stale; }

int frame_pace_class::keeps_busy() const { return shown.busy; }

int frame_pace_class::window_unshown() const { return unshown; }

double frame_pace_class::next_swap_at() const { return last_swap < 0 ? 0 : last_swap + refresh; }

double frame_pace_class::wake_at() const { return shown.wake; }

double frame_pace_class::now() { return static_cast<double>(xtim_class::microsecs()) * 1e-6; }

void frame_pace_class::reset() { *this = frame_pace_class{}; }
