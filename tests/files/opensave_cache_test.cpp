// Kept folder listings: reused only while exact, so a new, removed or
// renamed folder shows at once, and a folder with links is always read.
#include "files/opensave.h"
#include "files/opensave_cache.h"
#include "foundation/hl_types.h"
#include "support/testkit.h"

#include <gtest/gtest.h>

#include <functional>

#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

class cache_test : public ::testing::Test {
protected:
    temp_dir dir;
    std::vector<std::string> names;
    std::vector<int> kinds;
    std::string folder;

    void SetUp() override
    {
        app_path.clear();
        opensave_cache.forget();
        opensave_cache.hits = opensave_cache.misses = 0;
        folder = dir.path() + "/";
        for (const char* d : {"b", "a", "c"}) mkdir((dir / d).c_str(), 0755);
        age();
    }
    void TearDown() override { opensave_cache.forget(); }

    // Sets the folder's times well in the past, as for a folder nobody changed lately.
    void age()
    {
        timeval past[2] = {{1000000000, 0}, {1000000000, 0}};
        ASSERT_EQ(utimes(dir.path().c_str(), past), 0);
    }
    int list() { return opensave_cache.getitems(folder, file_kind_folder, names, kinds); }
};

} // namespace

TEST_F(cache_test, AnUnchangedFolderIsReadOnce)
{
    EXPECT_EQ(list(), 3);
    EXPECT_EQ(list(), 3);
    EXPECT_EQ(list(), 3);
    EXPECT_EQ(names, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(opensave_cache.misses, 1);
    EXPECT_EQ(opensave_cache.hits, 2);
}

TEST_F(cache_test, ChangesShowAtOnce)
{
    list();
    list();
    struct step {
        const char* what;
        std::function<void()> change;
        std::vector<std::string> expect;
    } steps[] = {
        {"new folder", [&] { mkdir((dir / "d").c_str(), 0755); }, {"a", "b", "c", "d"}},
        {"removed", [&] { rmdir((dir / "a").c_str()); }, {"b", "c", "d"}},
        {"renamed", [&] { rename((dir / "b").c_str(), (dir / "e").c_str()); }, {"c", "d", "e"}},
    };
    for (const step& s : steps) {
        SCOPED_TRACE(s.what);
        s.change();
        list();
        EXPECT_EQ(names, s.expect);
        age(); // even a change that left the times as they were is seen: the status differs (ctime)
        list();
        EXPECT_EQ(names, s.expect);
    }
}

TEST_F(cache_test, ARecentlyChangedFolderIsReadEveryTime)
{
    mkdir((dir / "new").c_str(), 0755); // the folder changed just now
    list();
    list();
    EXPECT_EQ(opensave_cache.hits, 0);
    EXPECT_EQ(opensave_cache.misses, 2);
}

TEST_F(cache_test, AFolderWithLinksIsReadEveryTime)
{
    ASSERT_EQ(symlink((dir / "a").c_str(), (dir / "link").c_str()), 0);
    age();
    list();
    EXPECT_EQ(names.size(), 4u);
    // The link's target becomes a file: the folder itself does not change.
    ASSERT_EQ(unlink((dir / "link").c_str()), 0);
    write_file(dir / "target", "x");
    ASSERT_EQ(symlink((dir / "target").c_str(), (dir / "link").c_str()), 0);
    age();
    list();
    EXPECT_EQ(names, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(opensave_cache.hits, 0);
}

TEST_F(cache_test, AMissingFolderListsNothingAndIsNotKept)
{
    folder = dir.path() + "/none/";
    EXPECT_EQ(list(), 0);
    mkdir((dir / "none").c_str(), 0755);
    mkdir((dir / "none/x").c_str(), 0755);
    EXPECT_EQ(list(), 1);
}
