// screen_mode_test.cpp - the decisions of the window layer that need no X
// server: the visual ladder through an injected chooser, the full-screen
// state and the screen-mode change.
#include "foundation/hl_types.h"
#include "shell/window.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

int a_visual = 0; // stands for the visual a chooser finds

struct ladder_run {
    std::vector<std::pair<int, int>> asked; // (sample buffers, samples) of each request
    int level;
    void* chosen;
};

// found_from: the highest level at which the display has a visual (-1: none).
ladder_run climb_down(int start, int found_from)
{
    ladder_run run;
    int level_of_request = start;
    run.level = LIN_visual_ladder(
        start,
        [&](const int* attributes) -> void* {
            run.asked.push_back({attributes[1], attributes[3]});
            const bool found = found_from >= 0 && level_of_request <= found_from;
            --level_of_request;
            return found ? &a_visual : nullptr;
        },
        &run.chosen);
    return run;
}

} // namespace

TEST(VisualLadder, StepsDownThroughTheSampleCounts)
{
    struct {
        const char* what;
        int start, found_from;
        std::vector<std::pair<int, int>> asked;
        int level;
    } const cases[] = {
        {"no multisampling asked: one request without samples", 0, 0, {{0, 0}}, 0},
        {"level 3 on a display without multisampling", 3, 0, {{1, 8}, {1, 4}, {1, 2}, {0, 0}}, 0},
        {"level 4 found at once", 4, 4, {{1, 16}}, 4},
        {"level 2 found at 1", 2, 1, {{1, 4}, {1, 2}}, 1},
        {"above 4: sample buffers, template's sample count", 6, 5, {{1, 0}, {1, 0}}, 5},
        {"no visual at any level", 2, -1, {{1, 4}, {1, 2}, {0, 0}}, -1},
        {"a negative level asks nothing", -1, 0, {}, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const ladder_run run = climb_down(c.start, c.found_from);
        EXPECT_EQ(run.asked, c.asked);
        EXPECT_EQ(run.level, c.level);
        EXPECT_EQ(run.chosen, c.level >= 0 ? &a_visual : nullptr);
    }
}

TEST(ScreenMode, FullScreenState)
{
    const struct {
        LIN_screen screen;
        bool at_creation, at_setres;
    } cases[] = {
        {{1024, 768, 24}, true, true},
        {{1024, 1024, 24}, true, false}, // the width matches, the height does not
        {{1280, 768, 24}, true, false},
        {{1280, 1024, 24}, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.screen.width << "x" << c.screen.height);
        EXPECT_EQ(LIN_fullscreen_at_creation(c.screen, 1024, 768), c.at_creation);
        EXPECT_EQ(LIN_fullscreen_at_setres(c.screen, 1024, 768), c.at_setres);
    }
}

TEST(ScreenMode, ChangeDecision)
{
    struct {
        const char* what;
        LIN_screen screen;
        int set_res, fit;
        bool at_start, at_exit; // MACIBM_setres(1) first, then MACIBM_setres(0)
        int x_now, y_now;
    } const cases[] = {
        {"a large screen, nothing asked", {1280, 1024, 24}, 0, 0, false, false, 1024, 768},
        {"a narrow screen forces the change", {800, 600, 24}, 0, 0, true, true, 1024, 768},
        {"a low screen forces it too", {1280, 700, 24}, 0, 0, true, true, 1024, 768},
        {"asked, on a screen already in that mode", {1024, 768, 32}, 1, 0, false, true, 1024, 768},
        {"asked, other depth", {1024, 768, 24}, 1, 0, true, true, 1024, 768},
        {"fit to the screen", {1600, 1200, 24}, 1, 1, true, true, 1560, 1140},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        HL_reset_globals();
        MACIBM_setres_forget();
        mnw.x_res_req = 1024;
        mnw.y_res_req = 768;
        mnw.col_res_req = 32;
        mnw.set_res = c.set_res;
        mnw.fit_to_screen = c.fit;
        EXPECT_EQ(MACIBM_setres_decide(1, c.screen), c.at_start);
        EXPECT_EQ(mnw.x_res_now, c.x_now);
        EXPECT_EQ(mnw.y_res_now, c.y_now);
        EXPECT_EQ(mnw.col_res_now, 32);
        // At exit only the first call's finding counts: preferences read since change nothing.
        mnw.set_res = 1 - c.set_res;
        EXPECT_EQ(MACIBM_setres_decide(0, c.screen), c.at_exit);
    }
    HL_reset_globals();
    MACIBM_setres_forget();
}
