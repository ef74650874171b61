// gl_frame_test.h - the fixture of the tests that draw below the shell on a
// real frame buffer: a bare 1024 x 768 window on the tests' Xvfb, GL set up
// as the program's context set-up leaves it, the interface textures loaded,
// the 2D projection over the whole window, alerts recorded and the colour
// table kept. Each test's frame is left as "<prefix><test>.png" in the
// test program's build folder to look at. Header-only; include it
// after gtest, like gl_window.h.
#pragma once

#include "foundation/hl_types.h"
#include "support/testkit.h"
#include "support/window_kit.h"
#include "ui/ogl_view.h"

#include <gtest/gtest.h>

#include "support/gl_window.h"

#include <string>

class gl_frame_test : public ::testing::Test {
protected:
    explicit gl_frame_test(std::string picture_prefix) : prefix(std::move(picture_prefix)) {}

    // A test fixture built on this one returns from its own SetUp when HasFatalFailure().
    void SetUp() override
    {
        ASSERT_TRUE(window.ok()) << "no X server for the window tests: " << window.why();
        HL_reset_globals();
        HL_fill_tables();
        mnw.x_res_now = 1024;
        mnw.y_res_now = 768;
        mnw.menu_open = -1;
        gl_state_as_startup();
        load_interface_textures();
        OGL_pix_specs(0);
    }
    void TearDown() override
    {
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        if (window.ok()) save_frame_png(prefix + test + ".png");
        unload_interface_art();
        HL_reset_globals();
    }

    test_gl_window window{1024, 768};
    alert_recorder alerts;
    colour_keeper colours;

private:
    std::string prefix;
};
