// Product folders and the geometry of the progress bar.
#include "engine_fixture.h"
#include "engine/folders.h"
#include "foundation/hl_types.h"
#include "engine/install_records.h"
#include "engine/made_folders.h"
#include "engine/stg.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <filesystem>

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

// Files whose folders are missing could only fail to extract, after the
// licence and the questions: the run does not start, with one alert.
TEST_F(Folders, OneAlertForAllTheFoldersThatCannotBeMadeAndTheRunDoesNotStart)
{
    write_file(product + "Output", "a file where a folder belongs");
    write_file(product + "blocker", "");
    add("Top/blocker/a/x.txt");
    add("Top/blocker/b/x.txt");
    add("Top/fine/x.txt");
    EXPECT_EQ(make_dirs(), 0);
    ASSERT_EQ(alerts.alerts().size(), 1u);
    const auto& a = alerts.alerts()[0];
    EXPECT_EQ(a.type, t_alert);
    EXPECT_EQ(a.lines.l2, "Error: Not a directory");
    EXPECT_EQ(a.lines.l3, "Install Location: " + product);
    EXPECT_EQ(a.lines.l4, "Install Path:" + product + "blocker/a"); // the first of six
    EXPECT_TRUE(is_dir(product + "fine")); // the walk went on, to log every failure
    EXPECT_TRUE(is_dir(product + "Resources/preferences"));
    xer.flush();
    const std::string logged = read_file(log_path);
    EXPECT_NE(logged.find("Could not make the folder " + product + "Output/situations"), std::string::npos);
}

TEST_F(Folders, ABrokenDestinationChainStopsTheRun)
{
    write_file(tmp / "blocker", "");
    dest_dir_path = tmp / "blocker/a/b/";
    add("Top/x/y.txt");
    EXPECT_EQ(make_dirs(), 0);
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].lines.l4, "Install Path:" + tmp.path() + "/blocker/a");
}

// A destination the file layer cannot use would have every file examined as
// unreadable and every extraction fail: it is refused before anything is made.
TEST_F(Folders, ADestinationTheFileLayerCannotUseIsRefusedUpFront)
{
    const std::string too_long = tmp / (std::string(250, 'n') + "/" + std::string(250, 'm') + "/");
    const std::string cases[] = {tmp / "Sky:lume/", tmp / "Sky\\lume/", too_long, ""};
    add("Top/x/y.txt");
    for (const std::string& dest : cases) {
        SCOPED_TRACE(dest.substr(0, 60));
        alerts.alerts().clear();
        dest_dir_path = dest;
        EXPECT_EQ(make_dirs(), 0);
        ASSERT_EQ(alerts.alerts().size(), 1u);
        EXPECT_EQ(alerts.alerts()[0].lines.l2, "Please choose another folder.");
        EXPECT_TRUE(dest.empty() || !std::filesystem::exists(dest));
    }
}

// Folders as deep as the system can name are made, with two descriptors open
// at a time; deeper ones are refused without a system call.
TEST_F(Folders, DeepFoldersAreMadeAndTooDeepOnesRefused)
{
    std::string deep;
    while (product.size() + deep.size() < PATH_MAX - 20) deep += "d/";
    add("Top/" + deep + "f.txt");
    std::string too_deep;
    for (int i = 0; i < 2100; ++i) too_deep += "e/";
    add("Top/" + too_deep + "f.txt");
    EXPECT_EQ(make_dirs(), 0);
    EXPECT_TRUE(is_dir(product + deep));
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].lines.l2, "Error: File name too long");
    EXPECT_FALSE(is_dir(product + "e"));
}

// A 128 KB folder line once cost gigabytes: every prefix of it was copied into
// the folder set. Memory is measured in a child, as the growth of its peak
// resident size, so that no other test's peak hides it.
TEST_F(Folders, ALongFolderLineCostsMemoryInProportionToItsLength)
{
    std::string path = "Top/";
    for (int i = 0; i < 64 * 1024; ++i) path += "a/";
    add(path + "f.txt");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        struct rusage before, after;
        getrusage(RUSAGE_SELF, &before);
        const int r = make_dirs();
        getrusage(RUSAGE_SELF, &after);
        const long grown_kb = after.ru_maxrss - before.ru_maxrss;
        const bool one_alert = alerts.alerts().size() == 1u;
        _exit(r == 0 && one_alert && grown_kb < 32 * 1024 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

// What an INSTALL made it takes back when it goes no further: the folders
// that stayed empty, innermost first; never a folder that was there before
// it, one that something went into, or one put in the place of a made one.
TEST_F(Folders, TheEmptyFoldersAnInstallMadeAreTakenBackAndNoOthers)
{
    std::filesystem::create_directories(product + "Aircraft"); // the user's, empty
    add("Top/Aircraft/Trainer/readme.txt");
    add("Top/Scenery/a/x.txt");
    add("Top/Scenery/b/x.txt");
    ASSERT_EQ(make_dirs(), 1);
    write_file(product + "Output/logbooks/mine.txt", "a flight\n");
    ASSERT_EQ(rename((product + "Scenery/a").c_str(), (tmp / "moved").c_str()), 0);
    std::filesystem::create_directories(product + "Scenery/a"); // another folder under the made one's name
    EXPECT_EQ(ENG_remove_made_folders(), 7);
    for (const char* kept : {"Aircraft", "Output/logbooks", "Scenery/a"}) EXPECT_TRUE(is_dir(product + kept)) << kept;
    EXPECT_TRUE(is_dir(tmp / "moved"));
    for (const char* gone : {"Aircraft/Trainer", "Scenery/b", "Output/movies", "Resources"})
        EXPECT_FALSE(std::filesystem::exists(product + gone)) << gone;
    EXPECT_EQ(ENG_remove_made_folders(), 0); // forgotten once taken back

    // A second INSTALL found everything there: it made nothing, so it takes nothing back.
    ASSERT_EQ(make_dirs(), 1);
    ASSERT_EQ(make_dirs(), 1);
    EXPECT_EQ(ENG_remove_made_folders(), 0);
    EXPECT_TRUE(is_dir(product + "Resources/preferences"));

    // A fresh destination: the chain goes too, up to the folder that was there.
    dest_dir_path = tmp / "new/deeper/Product/";
    ASSERT_EQ(make_dirs(), 1);
    EXPECT_EQ(ENG_remove_made_folders(), 15);
    EXPECT_FALSE(std::filesystem::exists(tmp / "new"));
    EXPECT_TRUE(is_dir(tmp.path()));
    EXPECT_TRUE(alerts.alerts().empty());
}

// The examination found one folder; another installer's run renamed it away
// since. Filling a fresh folder under the old name from that examination would
// leave half a product: the run is refused, and nothing is made.
TEST_F(Folders, AFolderReplacedSinceItWasExaminedIsRefused)
{
    add("Top/x/y.txt");
    examined_folder = examined_folder_struct{};
    struct stat st;
    ASSERT_EQ(stat(product.c_str(), &st), 0);
    examined_folder.existed = 1;
    examined_folder.dev = st.st_dev;
    examined_folder.ino = st.st_ino;
    ASSERT_EQ(rename(product.c_str(), (tmp / "Skylume 9").c_str()), 0);
    EXPECT_EQ(make_dirs(), 0);
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].lines.l2, "Please choose the folder again, so that I examine it afresh.");
    EXPECT_FALSE(std::filesystem::exists(product));
    std::filesystem::create_directories(product); // another folder under the same name
    EXPECT_EQ(make_dirs(), 0);
    EXPECT_FALSE(is_dir(product + "x"));
    ASSERT_EQ(alerts.alerts().size(), 2u); // the new folder is not the examined one either
    EXPECT_EQ(alerts.alerts()[1].lines.l1, alerts.alerts()[0].lines.l1);
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
