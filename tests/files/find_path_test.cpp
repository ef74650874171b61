// Case-insensitive path lookup on a small temporary tree.
#include "files/find_path.h"

#include "support/testkit.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <climits>

namespace {

// Tree: Data/Sub/file.txt, Data/readme.TXT, Data/README.txt, Other/,
// Twins/Case.txt, Twins/case.TXT
class FindPath : public ::testing::Test {
protected:
    void SetUp() override
    {
        mkdir((dir / "Data").c_str(), 0755);
        mkdir((dir / "Data/Sub").c_str(), 0755);
        mkdir((dir / "Other").c_str(), 0755);
        write_file(dir / "Data/Sub/file.txt", "x");
        write_file(dir / "Data/readme.TXT", "x");
        write_file(dir / "Data/README.txt", "x");
        mkdir((dir / "Twins").c_str(), 0755);
        write_file(dir / "Twins/Case.txt", "x");
        write_file(dir / "Twins/case.TXT", "x");
    }
    std::string resolved(std::string path)
    {
        findPath(path);
        return path;
    }
    temp_dir dir;
};

TEST_F(FindPath, AbsolutePaths)
{
    const std::string d = dir.path();
    struct path_case {
        const char* in;   // below the temporary folder
        const char* want;
    };
    const path_case cases[] = {
        {"/data/sub/FILE.txt", "/Data/Sub/file.txt"},
        {"/Data/Sub/file.txt", "/Data/Sub/file.txt"},     // exists as written
        {"/Data/README.txt", "/Data/README.txt"},         // exact name wins over listing order
        {"/DATA/sub/missing.TXT", "/Data/Sub/missing.TXT"}, // last component missing
        {"/data/nothing/SUB/FILE.TXT", "/Data/nothing/SUB/FILE.TXT"}, // stops at the first miss
        {"/data//sub/file.TXT", "/Data//Sub/file.txt"},   // a doubled slash stays in its folder
        {"/data/sub/", "/Data/Sub/"},
        // A twin named exactly is taken whichever the folder lists first: one
        // of these two would read the other file if the first match won.
        {"/twins/Case.txt", "/Twins/Case.txt"},
        {"/twins/case.TXT", "/Twins/case.TXT"},
    };
    for (const path_case& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(resolved(d + c.in), d + c.want);
    }
}

TEST_F(FindPath, RelativePathStartsAtTheCurrentFolder)
{
    char old_cwd[PATH_MAX];
    ASSERT_NE(getcwd(old_cwd, sizeof old_cwd), nullptr);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    const std::string got = resolved("data/sub/File.Txt");
    ASSERT_EQ(chdir(old_cwd), 0);
    EXPECT_EQ(got, "Data/Sub/file.txt");
}

TEST_F(FindPath, EmptyPathAndBufferForm)
{
    EXPECT_EQ(resolved(""), "");

    std::string text = dir.path() + "/DATA/SUB/FILE.TXT";
    std::vector<char> buf(text.begin(), text.end());
    buf.push_back('\0');
    findPath(buf.data());
    EXPECT_EQ(std::string(buf.data()), dir.path() + "/Data/Sub/file.txt");
}

} // namespace
