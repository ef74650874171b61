// Product folders and the geometry of the progress bar.
#include "engine_fixture.h"
#include "engine/folders.h"
#include "engine/install_records.h"
#include "engine/stg.h"

#include <sys/stat.h>

namespace {

bool is_dir(const std::string& p)
{
    struct stat st;
    return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

class Folders : public engine_fixture {
protected:
    void add(const std::string& path, const std::string& sig = "A", int platform = 0)
    {
        file_history_struct h;
        h.versions.resize(1);
        h.versions[0].path = path;
        h.versions[0].sig_want = sig;
        h.versions[0].platform = platform;
        sim_info.push_back(h);
    }
};

TEST_F(Folders, CreatesTheChainTheWantedFoldersAndTheFixedOnes)
{
    dest_dir_path = tmp / "new/deeper/Product/";
    add("Top/Aircraft/Trainer/readme.txt");
    add("Top/Aircraft/Trainer/other.txt");
    add("Top/top_level.txt");
    add("Top/Old/gone.txt", "GONE");
    add("Top/Mac/app.bin", "A", os_mac);
    make_dirs();
    EXPECT_TRUE(alerts.alerts().empty());
    for (const char* d : {"Aircraft", "Aircraft/Trainer", "Output/FMS plans", "Output/logbooks", "Output/movies",
                          "Output/situations", "Resources/preferences"}) {
        SCOPED_TRACE(d);
        EXPECT_TRUE(is_dir(dest_dir_path + d));
    }
    EXPECT_FALSE(is_dir(dest_dir_path + "Old"));
    EXPECT_FALSE(is_dir(dest_dir_path + "Mac"));
    make_dirs(); // everything exists already: no alert
    EXPECT_TRUE(alerts.alerts().empty());
}

TEST_F(Folders, EachFailureIsReportedAndTheWalkGoesOn)
{
    write_file(product + "Output", "a file where a folder belongs");
    make_dirs();
    ASSERT_EQ(alerts.alerts().size(), 4u); // the four folders inside Output
    const auto& a = alerts.alerts()[0];
    EXPECT_EQ(a.type, t_alert);
    EXPECT_EQ(a.lines.l2, "Error: Not a directory");
    EXPECT_EQ(a.lines.l3, "Install Location: " + product);
    EXPECT_EQ(a.lines.l4, "Install Path:" + product + "Output/FMS plans");
    EXPECT_TRUE(is_dir(product + "Resources/preferences"));
}

TEST_F(Folders, ABrokenDestinationChainStopsAtItsFirstFailure)
{
    write_file(tmp / "blocker", "");
    dest_dir_path = tmp / "blocker/a/b/";
    make_dirs();
    ASSERT_GE(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].lines.l4, "Install Path:" + tmp.path() + "/blocker/a");
    // chain stopped: one alert for it, then one per fixed folder
    EXPECT_EQ(alerts.alerts().size(), 1u + 7u);
}

TEST(ProgressBar, Geometry)
{
    struct bar_case {
        float lo, value, hi;
        float fraction;
    };
    const bar_case cases[] = {{5, 5, 5, 0.52f}, {0, 0, 10, 0.04f}, {0, -3, 10, 0.04f},
                              {0, 5, 10, 0.52f}, {0, 10, 10, 1.0f}, {0, 20, 10, 1.0f}};
    for (const bar_case& c : cases) {
        SCOPED_TRACE(c.value);
        const progress_frame f = dir_progress_geometry(c.lo, c.value, c.hi, 0, "a", "c", 1024, 768);
        EXPECT_FLOAT_EQ(f.panel_x, 276);
        EXPECT_FLOAT_EQ(f.panel_y, 335);
        EXPECT_FLOAT_EQ(f.bar_left, 286);
        EXPECT_FLOAT_EQ(f.bar_right, 738);
        EXPECT_FLOAT_EQ(f.bar_y, 350);
        EXPECT_NEAR(f.fill_end, 286 + 452 * c.fraction, 1e-3);
    }
    EXPECT_EQ(dir_progress_geometry(0, 0, 1, 0, "", "", 1024, 768).line2, "Currently SCANNING the directory text file.");
    EXPECT_EQ(dir_progress_geometry(0, 0, 1, 1, "", "", 1024, 768).line2, "Currently EXAMINING the hard disk.");
    const progress_frame other = dir_progress_geometry(0, 0, 1, 7, "one", "three", 1280, 1024);
    EXPECT_EQ(other.line2, "");
    EXPECT_EQ(other.line1, "one");
    EXPECT_EQ(other.line3, "three");
    EXPECT_FLOAT_EQ(other.text_x, 416);
}

} // namespace
