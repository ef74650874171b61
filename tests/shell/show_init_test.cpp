// show_init_test.cpp - the start-up status screen drawn into the real main
// window on Xvfb and read back from the window: background, panel, progress
// bar and message. Saved as <build>/screenshots/status_screen.png.
#include "foundation/hl_types.h"
#include "shell/show_init.h"
#include "shell/subwin.h"
#include "support/image_builder.h"
#include "support/main_window.h"
#include "support/testkit.h"
#include "ui/ogl_view.h"

#include <gtest/gtest.h>

// After gtest: Xlib's macros (None, Bool) would clash with its names.
#include <GL/gl.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <string>
#include <vector>

namespace {

constexpr int w = 1024, h = 768;

struct front_buffer {
    std::vector<unsigned char> rgb; // bottom row first
    unsigned at(int x, int y) const // y upwards, 0xRRGGBB
    {
        const unsigned char* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
        return (p[0] << 16) | (p[1] << 8) | p[2];
    }
};

// What the window shows, as the X server has it.
front_buffer read_front()
{
    glFinish();
    Display* d = static_cast<Display*>(mnw.display);
    XSync(d, False);
    front_buffer f;
    f.rgb.resize(static_cast<size_t>(w) * h * 3);
    XImage* img = XGetImage(d, static_cast<Window>(mnw.xwin[0]), 0, 0, w, h, AllPlanes, ZPixmap);
    if (!img) return f;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const unsigned long v = XGetPixel(img, x, h - 1 - y);
            unsigned char* p = &f.rgb[(static_cast<size_t>(y) * w + x) * 3];
            p[0] = (v >> 16) & 0xFF;
            p[1] = (v >> 8) & 0xFF;
            p[2] = v & 0xFF;
        }
    XDestroyImage(img);
    return f;
}

class StatusScreenDrawn : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(open_main_window(), "");
        load_art_as_startup();
    }
    void TearDown() override { close_main_window(); }
};

TEST_F(StatusScreenDrawn, PanelBarAndMessage)
{
    MACIBM_startwind(-1, 0);
    OGL_pix_specs(0);
    float half = 0.5f;
    MACIBM_show_init("Starting application.", &half);
    const front_buffer f = read_front();
    const std::string shots = SKY_SHOT_DIR;
    write_file(shots + "/status_screen.png", make_png(rgba_png_spec(w, h, [&](int x, int y) {
                   return (f.at(x, h - 1 - y) << 8) | 0xFF;
               })));

    constexpr unsigned back = 0x334356; // colour 34 from the atlas
    EXPECT_EQ(f.at(700, 400), back);
    EXPECT_EQ(f.at(5, 15), back);    // the bar runs from 8 ...
    EXPECT_EQ(f.at(1020, 15), back); // ... to 1016
    const unsigned panel = f.at(300, 150);
    EXPECT_NE(panel, back);
    EXPECT_EQ(f.at(30, 100), panel); // one panel between the two lines
    const unsigned fill = f.at(300, 15), track = f.at(800, 15);
    EXPECT_NE(fill, track);
    EXPECT_EQ(f.at(100, 15), fill); // filled to the middle, the track beyond
    EXPECT_EQ(f.at(490, 15), fill);
    EXPECT_EQ(f.at(540, 15), track);
    EXPECT_EQ(f.at(1000, 15), track);
    int message = 0, address = 0;     // text pixels on the message and address lines
    for (int x = 22; x < 320; ++x)
        for (int y = 55; y < 70; ++y) message += f.at(x, y) != panel;
    for (int x = 22; x < 320; ++x)
        for (int y = 205; y < 220; ++y) address += f.at(x, y) != panel;
    EXPECT_GT(message, 30);
    EXPECT_GT(address, 30);
}

} // namespace
