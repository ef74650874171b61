// windows_test.cpp - the image pieces, the licence and preferences windows and
// the engine's progress picture and question, one frame at a time through the
// draw recorder (the Xvfb tests click them for real).
#include "installer/image_pieces.h"

#include "draw_recorder.h"
#include "engine/engine_hooks.h"
#include "engine/folders.h"
#include "engine/stg.h"
#include "files/http.h"
#include "foundation/hl_types.h"
#include "installer/engine_screens.h"
#include "installer/licence_window.h"
#include "installer/prefs_window.h"
#include "installer_fixture.h"
#include "ui/colr.h"

namespace {

class Windows : public installer_fixture {
protected:
    void SetUp() override
    {
        installer_fixture::SetUp();
        STG_set_defaults();
        mnw.mouse_x = mnw.mouse_y = -100;
        mnw.mouse_down = mnw.mouse_held = 0;
        mnw.cur_wind = 0;
        INS_licence_forget();
    }
    void TearDown() override
    {
        mnw.cur_wind = 0;
        mnw.mouse_down = 0;
        INS_licence_forget();
        http.proxy_host.clear();
        http.proxy_port_text.clear();
        http.proxy_port = 0;
        installer_fixture::TearDown();
    }
    void pointer(float x, float y, int down, int held)
    {
        mnw.mouse_x = x;
        mnw.mouse_y = y;
        mnw.mouse_down = down;
        mnw.mouse_held = held;
    }
};

TEST_F(Windows, PieceLooksAndPressesAtTheEdges)
{
    struct row {
        const char* name;
        float x, y;
        int down, held, highlight;
        const char* texel; // of the look drawn
        int result;
    } rows[] = {
        {"away", 0, 0, 0, 0, 1, "texel 513,166..639,188", 0},
        {"hover, lower-left edge", 10, 78, 0, 0, 1, "texel 513,143..639,165", 0},
        {"pressed look while held, upper-right edge", 136, 100, 0, 1, 1, "texel 513,120..639,142", 0},
        {"press on the frame it goes down", 136, 100, 1, 1, 1, "texel 513,120..639,142", 1},
        {"just outside", 136.5f, 100, 1, 1, 1, "texel 513,166..639,188", 0},
        {"no highlight: normal look, press still counts", 50, 90, 1, 1, 0, "texel 513,166..639,188", 1},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        draw_recorder rec;
        pointer(r.x, r.y, r.down, r.held);
        EXPECT_EQ(interface_piece(10, 78, piece_destination, r.highlight, tint_green), r.result);
        ASSERT_EQ(draw_recorder::lines().size(), 1u);
        EXPECT_NE(draw_recorder::lines()[0].find(std::string("at 10,78 size 126x22 ") + r.texel), std::string::npos)
            << draw_recorder::lines()[0];
    }
}

TEST_F(Windows, TintsAndIcons)
{
    draw_recorder rec;
    struct row {
        int tint;
        float r, g, b;
    } rows[] = {{1, 0.8f, 1.0f, 0.8f}, {2, 1.0f, 0.8f, 0.8f}, {0, 1, 1, 1}, {5, 1, 1, 1}};
    for (const row& r : rows) {
        SCOPED_TRACE(r.tint);
        interface_rect(0, 0, 0, 0, 10, 10, 0, r.tint);
        float c[3];
        colr.lit_rgb(col_picture_tint, c);
        EXPECT_FLOAT_EQ(c[0], r.r);
        EXPECT_FLOAT_EQ(c[1], r.g);
        EXPECT_FLOAT_EQ(c[2], r.b);
    }
    draw_recorder::lines().clear();
    interface_icon(29, 608, 9);
    EXPECT_EQ(draw_recorder::lines().at(0), "quad 389 c102 a1 at 29,608 size 64x64 texel 64,130..128,194 u1 m5");
}

TEST_F(Windows, LicenceFrame)
{
    draw_recorder rec;
    mnw.cur_wind = 1;
    INS_licence_frame();
    const std::vector<std::string> want = {
        "plot_back_col",
        "fillwin 1 21",
        "subwin 0 16 -1,50 -1x-1 ''",
        std::string("string c46 at 20,250 wrap 400 font 100 align 0 '") + licence_statements[0] + "'",
        std::string("string c46 at 20,230 wrap 400 font 100 align 0 '") + licence_statements[1] + "'",
        std::string("string c46 at 20,210 wrap 400 font 100 align 0 '") + licence_statements[2] + "'",
        "quad 389 c102 a1 at 300,10 size 85x22 texel 832,166..917,188 u1 m5",
        "quad 389 c102 a1 at 400,10 size 59x22 texel 918,166..977,188 u1 m5",
    };
    EXPECT_EQ(draw_recorder::lines(), want);
    EXPECT_EQ(mnw.cur_wind, 1);
}

TEST_F(Windows, ThePrefsWindowWritesOnTheFrameOfTheChange)
{
    draw_recorder rec;
    stg.stream_count = 3;
    INS_prefs_frame();
    const std::vector<std::string>& l = draw_recorder::lines();
    ASSERT_GE(l.size(), 12u);
    EXPECT_EQ(l[0], "plot_back_col");
    EXPECT_EQ(l[2], "subwin 0 13 -1,-1 -1x70 'Proxy (if you are behind a firewall with a Proxy)'");
    EXPECT_EQ(l[3], "subwin 0 13 -1,90 -1x-1 'General Preferences'");
    EXPECT_EQ(l[4].rfind("textlist at 200,310 = 2 'Macintosh-Windows-Linux' 'Operating", 0), 0u); // Linux, 0-based
    EXPECT_EQ(l[8].substr(0, 23), "bool at 30,150 = 1 radi");                                // manual: count 3
    EXPECT_EQ(l[10], "int_range at 400,150 = 3 digits 1 1..4 ''");
    EXPECT_EQ(l[11], "enterstring at 85,40 '' max 65 '-proxy host' width 455 focus 1");
    EXPECT_EQ(stg.download_os, os_linux); // given back 1-based
}

TEST_F(Windows, ProxyPortOnlyInRange)
{
    struct row {
        const char* text;
        int port;
    } rows[] = {{"8080", 8080}, {"+80", 80}, {"1", 1},   {"65535", 65535}, {"65536", 0}, {"0", 0},
                {"-1", 0},      {"80a", 0},  {"", 0},    {"99999999", 0}};
    for (const row& r : rows) {
        SCOPED_TRACE(r.text);
        EXPECT_EQ(INS_proxy_port_of(r.text), r.port);
        draw_recorder rec;
        http.proxy_port = 1234;
        http.proxy_port_text = r.text;
        INS_prefs_frame();
        EXPECT_EQ(http.proxy_port, *r.text ? r.port : 1234); // an emptied field keeps the last port
    }
}

TEST_F(Windows, ProgressPicture)
{
    draw_recorder rec;
    progress_frame f = dir_progress_geometry(0, 50, 100, 1, "Scanning...", "/data/Skylume/a.txt", 1024, 768);
    INS_draw_dir_progress(f);
    const std::vector<std::string> want = {
        "quad 390 c49 a1 at 0,0 size 1024x768 texel 0,0..1024,768 u1 m5",
        "frame2 15 at 276,335 size 472x98 ''",
        "frame1 4 centre 512,350 width 452 c0",
        "frame1 5 centre 403.52,350 width 235.04 c0",
        "string c49 at 288,415 wrap 452 font 100 align 0 'Scanning...'",
        "string c49 at 288,395 wrap 452 font 100 align 0 'Currently EXAMINING the hard disk.'",
        "string c49 at 288,375 wrap 452 font 100 align 0 '/data/Skylume/a.txt'",
        "sbuff",
    };
    EXPECT_EQ(draw_recorder::lines(), want);
}

TEST_F(Windows, QuestionWordingAndButtons)
{
    draw_recorder rec;
    mnw.cur_wind = 997;
    EXPECT_EQ(INS_select_frame("/data/Skylume/x.txt", 1), 0);
    const std::vector<std::string>& l = draw_recorder::lines();
    ASSERT_EQ(l.size(), 10u);
    EXPECT_EQ(l[2], "string c43 at 20,100 wrap 660 font 100 align 0 'I am about to DELETE:'");
    EXPECT_EQ(l[5], "action centre 96,53 width 160 00 'DELETE THE OLD FILE' '-'");
    EXPECT_EQ(l[7], "action centre 308,53 width 260 00 'DELETE EVERY OLD FILE IN THIS DIRECTORY' '-'");
    EXPECT_EQ(l[9], "action centre 584,28 width 200 00 'CANCEL THE WHOLE INSTALLATION!' '-'");
    draw_recorder::lines().clear();
    INS_select_frame("/data/Skylume/x.txt", 0);
    EXPECT_EQ(l[2], "string c43 at 20,100 wrap 660 font 100 align 0 'I am about to install:'");
    EXPECT_EQ(l[5], "action centre 96,53 width 160 00 'OVERWRITE THE OLD FILE' '-'");
}

} // namespace
