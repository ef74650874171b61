// md5_pool_test.cpp - files digested on workers come back in the order given,
// failures in their own turn, whatever the number of workers.
#include "files/md5_pool.h"

#include "files/md5.h"
#include "files_fixture.h"

#include <gtest/gtest.h>


namespace {

// A large file first, so that later small ones finish before it on the
// workers; unopened (-1) and unreadable (a folder) entries in between.
struct pool_fixture {
    temp_dir dir;
    std::vector<std::string> names; // "" for an unopened entry, "/" for the folder
    std::vector<std::string> want;  // expected signature, "" for a failure

    pool_fixture()
    {
        const std::size_t sizes[] = {3 << 20, 0, 1, 65536, 200000, 7, 100};
        for (std::size_t i = 0; i < std::size(sizes); ++i) {
            const std::string name = "f" + std::to_string(i);
            write_file(dir / name, pattern_bytes(sizes[i] + i));
            std::string hex;
            app_path_guard prefix(dir.path() + "/");
            EXPECT_EQ(calc_file_md5(name, hex), 0);
            names.push_back(name);
            want.push_back(hex);
            if (i % 3 == 1) {
                names.push_back(i % 2 ? "" : "/");
                want.push_back("");
            }
        }
    }
    std::string full_of(const std::string& name) const
    {
        return name.empty() ? name : dir.path() + "/" + (name == "/" ? "" : name);
    }
};

TEST(Md5Pool, ResultsComeBackInOrderWithFailuresInTheirTurn)
{
    pool_fixture f;
    for (unsigned workers : {0u, 1u, 4u}) {
        SCOPED_TRACE(workers);
        md5_pool pool(workers);
        for (int round = 0; round < 3; ++round)
            for (const std::string& name : f.names) pool.submit(f.full_of(name));
        EXPECT_EQ(pool.in_hand(), 3 * f.names.size());
        for (int round = 0; round < 3; ++round)
            for (std::size_t i = 0; i < f.names.size(); ++i) {
                SCOPED_TRACE(f.names[i]);
                std::string hex = "marker";
                bool not_regular = false;
                EXPECT_EQ(pool.take(hex, &not_regular), !f.want[i].empty());
                EXPECT_EQ(hex, f.want[i].empty() ? "marker" : f.want[i]);
                EXPECT_EQ(not_regular, f.names[i] == "/");
            }
        EXPECT_EQ(pool.in_hand(), 0u);
    }
}

// A pool that goes with files not yet taken drops them and stops; nothing
// waits forever.
TEST(Md5Pool, EndingWithFilesInHandStops)
{
    pool_fixture f;
    md5_pool pool(2);
    for (int round = 0; round < 20; ++round)
        for (const std::string& name : f.names) pool.submit(f.full_of(name));
    std::string hex;
    bool not_regular = false;
    EXPECT_TRUE(pool.take(hex, &not_regular));
    EXPECT_EQ(hex, f.want[0]);
}

} // namespace
