// The output stream and the header it writes, read back by the mapped-file reader.
#include "files/ouf_file.h"

#include "foundation/hl_types.h"
#include "support/testkit.h"
#include "files/xmap.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

TEST(OufOpen, HeaderBytesAndTheReaderAgree)
{
    struct header_case {
        int type;
        int version;
        const char* text;
        std::string bytes;
    };
    const header_case cases[] = {
        {io_text, 9001, "no-copyright-string", "I\n9001 version\n"},
        {io_text, 1, " (c) Maker", "I\n1 version (c) Maker\n"},
        {io_text, -5, "no-copyright-string", "I\n-5 version\n"},
        {io_binary, 700, "no-copyright-string", std::string("i\xBC\x02\0\0", 5)},
        {io_binary, -2, "ignored", std::string("i\xFE\xFF\xFF\xFF", 5)},
    };
    temp_dir dir;
    for (const header_case& c : cases) {
        SCOPED_TRACE(c.version);
        ASSERT_EQ(ouf_open(dir / "f.dat", c.type, c.version, c.text), 1);
        ouf << "body";
        ouf.close();
        EXPECT_EQ(read_file(dir / "f.dat"), c.bytes + "body");
        xmap_class m(dir / "f.dat");
        const int versions[] = {c.version, 0};
        EXPECT_EQ(m.check_file(c.type, versions, nullptr, nullptr), c.version);
        EXPECT_EQ(std::string(m.cursor, m.end), "body");
    }
}

TEST(OufOpen, VersionIsDecimalWhateverFlagsTheStreamWasLeftWith)
{
    temp_dir dir;
    ouf << std::hex << std::showpos; // left behind by an earlier writer
    const int opened = ouf_open(dir / "f.txt", io_text, 9001, "no-copyright-string");
    ouf.close();
    ouf.unsetf(std::ios::basefield | std::ios::showpos);
    ASSERT_EQ(opened, 1);
    EXPECT_EQ(read_file(dir / "f.txt"), "I\n9001 version\n");
    xmap_class m(dir / "f.txt");
    const int versions[] = {9001, 0};
    EXPECT_EQ(m.check_file(io_text, versions, nullptr, nullptr), 9001);
}

TEST(OufOpen, TextOpenPrintsFloatsFixed)
{
    temp_dir dir;
    ASSERT_EQ(ouf_open(dir / "f.txt", io_text, 1, "no-copyright-string"), 1);
    ouf << 1.5;
    ouf.close();
    EXPECT_EQ(read_file(dir / "f.txt"), "I\n1 version\n1.500000");
}

TEST(OufOpen, SuffixIsLowerCased)
{
    temp_dir dir;
    ASSERT_EQ(ouf_open(dir / "Prefs.PRF", io_text, 1, "no-copyright-string"), 1);
    ouf.close();
    struct stat st;
    EXPECT_EQ(stat((dir / "Prefs.prf").c_str(), &st), 0);
    EXPECT_EQ(ouf_target_path("Mixed.Prf"), "Mixed.prf");
    EXPECT_EQ(ouf_target_path("ABC"), "ABC");
    app_path = "/x/";
    EXPECT_EQ(ouf_target_path("A"), "/x/a"); // the last three of the full path
    app_path.clear();
}

TEST(OufOpen, MakesOneMissingFolderLevel)
{
    temp_dir dir;
    alert_recorder alerts;
    app_path = dir.path() + "/";
    const int one_level = ouf_open("new/f.txt", io_text, 1, "no-copyright-string");
    ouf.close();
    const int two_levels = ouf_open("a/b/f.txt", io_text, 1, "no-copyright-string");
    const bool failed_state = ouf.fail();
    app_path.clear();

    EXPECT_EQ(one_level, 1);
    EXPECT_EQ(read_file(dir / "new/f.txt"), "I\n1 version\n");
    EXPECT_EQ(two_levels, 0);
    EXPECT_TRUE(failed_state);
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].type, t_alert);
    EXPECT_EQ(alerts.alerts()[0].lines.l2, dir / "a/b/f.txt");
}

TEST(OufOpen, OverlongPathIsRefusedNotFatal)
{
    alert_recorder alerts;
    xer_capture log;
    EXPECT_EQ(ouf_open("/tmp/" + std::string(500, 'x'), io_text, 1, "no-copyright-string"), 0);
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].type, t_alert);
    EXPECT_NE(log.text().find("ouf_open: path too long"), std::string::npos);

}

// The fatal alert names the path the caller gave: no app_path in front, its
// suffix not lower-cased.
TEST(OufOpen, BadTypeAlertNamesThePathAsReceived)
{
    alert_recorder alerts;
    const std::string saved = app_path;
    app_path = "/prefix/";
    EXPECT_THROW(ouf_open("Prefs/Some File.PRF", 3, 1, ""), fatal_alert);
    app_path = saved;
    ASSERT_EQ(alerts.alerts().size(), 1u);
    const recorded_alert& a = alerts.alerts()[0];
    EXPECT_EQ(a.type, t_exit);
    EXPECT_EQ(a.lines.l1, "Bad ouf_open type!");
    EXPECT_EQ(a.lines.l2, "Prefs/Some File.PRF");
    EXPECT_EQ(a.lines.l3, "");
    EXPECT_EQ(a.lines.l4, "");
}

} // namespace
