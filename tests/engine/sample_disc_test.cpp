// The sample disc of tools/make_sample_disc.py installed headless, as the screen
// drives the engine: a fresh install and the update of an older version must
// leave exactly the trees the script describes.
#include "engine/decisions.h"
#include "engine/folders.h"
#include "engine/install_records.h"
#include "engine/manifest.h"
#include "engine/stg.h"
#include "engine/streams.h"
#include "engine_fixture.h"
#include "files/zip_io.h"
#include "foundation/hl_types.h"
#include "support/sample_disc.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

class SampleDisc : public engine_fixture {
protected:
    sample_disc sample;

    void SetUp() override
    {
        engine_fixture::SetUp();
        sample = make_sample_disc(tmp / "sample");
        ASSERT_FALSE(sample.root.empty()) << "tools/make_sample_disc.py failed";
        dvd_path = sample.root;
        install_name = sample.set_name;
        stg.log_actions = 1;
        next = next_class{};
    }
    void TearDown() override
    {
        dvd_path.clear();
        engine_fixture::TearDown();
    }
    // The screen's road on the disc; the install step's result.
    int install()
    {
        EXPECT_EQ(zip_to_file(dvd_path + install_name + "/directory.txt.zip", temp_path, nullptr, 0), 0);
        EXPECT_EQ(read_directory(temp_path + "directory.txt", "Scanning"), dir_ready);
        next.reset_all_streams();
        make_dirs();
        if (!choose_files()) return -1;
        for (int step = 0; step < 100000; ++step)
            if (int r = grab_files()) return r;
        ADD_FAILURE() << "the install never ended";
        return 0;
    }
    void expect_tree(const std::string& expected, const std::string& actual)
    {
        for (const std::string& d : tree_differences(expected, actual)) ADD_FAILURE() << d;
    }
    std::string log() { xer.flush(); return read_file(log_path); }
};

TEST_F(SampleDisc, FreshInstallLeavesTheShippedLinuxTreeUnderTheSetsName)
{
    EXPECT_EQ(install(), 1);
    EXPECT_TRUE(alerts.alerts().empty());
    const std::string renamed = tmp / (sample.set_name + "/");
    EXPECT_EQ(dest_dir_path, renamed);
    EXPECT_FALSE(fs::exists(product));
    expect_tree(sample.fresh_expected, renamed);
    const std::string text = log();
    EXPECT_NE(text.find("EXPANDING file " + product + "Skylume-x86, with result=0.\n"), std::string::npos);
    EXPECT_EQ(text.find("Skylume.exe"), std::string::npos) << "another platform's file was touched";
}

TEST_F(SampleDisc, UpdateAsksOnceKeepsTheUsersFilesAndDropsTheRetiredFolder)
{
    ASSERT_TRUE(fs::remove(product));
    ASSERT_TRUE(copy_tree(sample.update_product, product));
    answers() = {sel_replace};
    EXPECT_EQ(install(), 1);
    EXPECT_TRUE(alerts.alerts().empty());
    ASSERT_EQ(questions().size(), 1u);
    EXPECT_EQ(questions()[0].path, product + sample.modified_rel);
    EXPECT_EQ(questions()[0].gone, 0);
    const std::string renamed = tmp / (sample.set_name + "/");
    expect_tree(sample.update_expected, renamed);
    const std::string text = log();
    EXPECT_NE(text.find("now we want to nuke a file: DELETING  file " + product + "Resources/retired/old scenery.dat, with result=0.\n"),
              std::string::npos);
    EXPECT_NE(text.find("cleanup: DELETING  file " + product + "Resources/retired/, with result=0.\n"), std::string::npos);
}

} // namespace
