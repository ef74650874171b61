// startup_test.cpp - the pieces of start-up that need no window: the log
// header from stand-in /proc files, the program folder, the tables, the
// interface colours from the built-in atlas, and the status screen's geometry.
#include "files/find_path.h"
#include "foundation/hl_types.h"
#include "graphics/builtin_images.h"
#include "shell/show_init.h"
#include "shell/startup.h"
#include "support/testkit.h"
#include "ui/colr.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string header_of(const std::string& cpuinfo, const std::string& meminfo)
{
    std::ostringstream out;
    MACIBM_write_log_header(out, cpuinfo.c_str(), meminfo.c_str());
    return out.str();
}

TEST(LogHeader, ProductLinesAndProcSources)
{
    temp_dir dir;
    write_file(dir / "cpuinfo",
               "processor\t: 0\nvendor_id\t: Sky\nmodel name\t: Test CPU\ncpu MHz\t\t: 1000.0\ncache size\t: 1 KB\n"
               "processor\t: 1\nmodel name\t: Test CPU\n");
    write_file(dir / "meminfo", "MemFree:  1 kB\nMemTotal:  2048 kB\nSwapTotal: 0 kB\n");
    app_path.clear();
    g_case_sensitive = 1;
    const std::string text = header_of(dir / "cpuinfo", dir / "meminfo");
    EXPECT_EQ(text.rfind("log.txt for Skylume 9.00 Beta-19 Installer 90019 compiled on ", 0), 0u);
    const std::string expected_body =
        "This log file is generated automatically by Veltrane Labs applications and contains diagnostics about "
        "your graphics hardware, installation, and any error conditions.\n"
        "If you need to contact tech support or file a bug, please send us this file. NOTE: this file is "
        "rewritten every time you start ANY of your Skysuite applications.\n\n"
        "processor\t: 0\nmodel name\t: Test CPU\ncpu MHz\t\t: 1000.0\nprocessor\t: 1\nmodel name\t: Test CPU\n"
        "MemTotal:  2048 kB\n"
        "\nSkysuite folder:'', case sensitive=1\n\n";
    const size_t body = text.find("\n\n");
    ASSERT_NE(body, std::string::npos);
    EXPECT_EQ(text.substr(body + 2), expected_body);
}

TEST(LogHeader, UnreadableSourcesAndLongLines)
{
    temp_dir dir;
    // A line of 600 characters is read in pieces of 511; only a piece that
    // itself begins with a keyword is copied.
    const std::string tail = "cpu MHz: tail of a long line\n";
    const std::string long_line = "flags\t: " + std::string(511 - 8, 'x') + tail;
    write_file(dir / "cpuinfo", long_line + "model name\t: B\n");
    const std::string text = header_of(dir / "cpuinfo", dir / "no_meminfo");
    EXPECT_NE(text.find("\n" + tail + "model name\t: B\nUnable to read mem information.\n"), std::string::npos);
    EXPECT_EQ(text.find("flags"), std::string::npos);
    const std::string none = header_of(dir / "no_cpuinfo", dir / "no_meminfo");
    EXPECT_NE(none.find("\n\nUnable to read CPU information.\nUnable to read mem information.\n\nSkysuite folder:''"),
              std::string::npos);
}

TEST(ProgramFolder, FolderFoundAndAppPathEmptied)
{
    std::string folder;
    app_path = "/stale/";
    MACIBM_set_app_path(&folder);
    EXPECT_TRUE(app_path.empty());
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.front(), '/');
    EXPECT_EQ(folder.back(), '/');
    EXPECT_EQ(folder.find("//"), std::string::npos);
    EXPECT_EQ(g_case_sensitive, 1);
    MACIBM_set_app_path(&app_path); // start-up's own call keeps nothing
    EXPECT_TRUE(app_path.empty());
}

TEST(StartupTables, RandomAndAngleTables)
{
    HL_fill_tables();
    const std::vector<float> first(randrat, randrat + 10000);
    MACIBM_reseed_random();
    HL_fill_tables();
    EXPECT_EQ(std::memcmp(first.data(), randrat, sizeof randrat), 0); // the same in every run
    for (float r : first) {
        ASSERT_GE(r, 0.0f);
        ASSERT_LT(r, 1.0f);
    }
    EXPECT_FLOAT_EQ(lookup_sin[90], 1.0f);
    EXPECT_FLOAT_EQ(lookup_cos[180], -1.0f);
    EXPECT_FLOAT_EQ(lookup_sin[0], 0.0f);
    EXPECT_NEAR(lookup_sin[360], 0.0f, 1e-6f);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(scratch_array) % 16, 0u);
}

TEST(InterfaceColours, TakenFromTheAtlas)
{
    HL_fill_tables();
    TEX_stage_builtin(builtin_images[3]); // the atlas, as start-up leaves it in scratch_array
    ASSERT_EQ(builtin_images[3].ref, t_interface);
    float saved[colr_count][3];
    std::memcpy(saved, colr.rgb, sizeof saved);
    std::memset(colr.rgb, 0, sizeof colr.rgb);
    MACIBM_set_interface_colours();
    struct colour_case {
        int index;
        int r, g, b;
    };
    const colour_case cases[] = {
        {34, 51, 67, 86},    {35, 78, 78, 73},    {36, 13, 27, 44},    {37, 125, 126, 121}, {38, 255, 255, 255},
        {40, 238, 238, 238}, {41, 13, 27, 44},    {42, 93, 99, 110},   {43, 34, 41, 53},    {45, 39, 44, 52},
        {46, 36, 43, 53},    {47, 127, 220, 175}, {44, 220, 220, 220},
    };
    for (const colour_case& c : cases) {
        SCOPED_TRACE(c.index);
        EXPECT_FLOAT_EQ(colr.rgb[c.index][0], static_cast<float>(c.r / 255.0));
        EXPECT_FLOAT_EQ(colr.rgb[c.index][1], static_cast<float>(c.g / 255.0));
        EXPECT_FLOAT_EQ(colr.rgb[c.index][2], static_cast<float>(c.b / 255.0));
    }
    for (int k = 0; k < 3; ++k) // the mean of the stored 35 and 38
        EXPECT_FLOAT_EQ(colr.rgb[col_menu_mid][k], (colr.rgb[col_menu_line][k] + colr.rgb[col_menu_text][k]) * 0.5f);
    std::memcpy(colr.rgb, saved, sizeof saved);
}

TEST(StatusScreen, LayoutOfTheBarAndPanel)
{
    HL_reset_globals();
    struct bar_case {
        float fraction;
        float fill_w;
    };
    const bar_case cases[] = {
        {0.0f, 0.02f * 1008}, {-3.0f, 0.02f * 1008}, {NAN, 0.02f * 1008}, {0.5f, 504},
        {1.0f, 1008},         {1.5f, 1008},           {0.02f, 0.02f * 1008},
    };
    for (const bar_case& c : cases) {
        SCOPED_TRACE(c.fraction);
        const init_screen_layout l = MACIBM_init_screen_layout(c.fraction);
        EXPECT_FLOAT_EQ(l.track_w, 1008);
        EXPECT_FLOAT_EQ(l.track_cx, 512);
        EXPECT_NEAR(l.fill_w, c.fill_w, 1e-3);
        EXPECT_NEAR(l.fill_cx, 8 + c.fill_w / 2, 1e-3);
        EXPECT_FLOAT_EQ(l.bar_y, 15);
    }
    // A wider window moves everything right by the centring offset; the
    // sub-window's origin is taken off so the primitives' own offset cancels.
    mnw.pix_x_off = 100;
    mnw.wind_x = 30;
    mnw.wind_y = 20;
    const init_screen_layout l = MACIBM_init_screen_layout(1.0f);
    EXPECT_FLOAT_EQ(l.panel_x, 100 + 10 - 30);
    EXPECT_FLOAT_EQ(l.panel_y, 31 - 20);
    EXPECT_FLOAT_EQ(l.panel_w, 320);
    EXPECT_FLOAT_EQ(l.panel_h, 200);
    EXPECT_FLOAT_EQ(l.address_x, 100 + 22 - 30);
    EXPECT_FLOAT_EQ(l.address_y, 210 - 20);
    EXPECT_FLOAT_EQ(l.message_y, 60 - 20);
    EXPECT_FLOAT_EQ(l.track_w, 1008);
    EXPECT_FLOAT_EQ(l.track_cx, 100 + 512 - 30);
    HL_reset_globals();
}

TEST(StatusScreen, NothingBeforeTheFirstSubWindow)
{
    HL_reset_globals();
    // Without a sub-window the call returns before any GL call: no context is needed.
    MACIBM_show_init("Will init plugins.", nullptr);
    SUCCEED();
}

} // namespace
