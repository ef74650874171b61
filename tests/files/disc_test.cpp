// Disc discovery: the mount table, the fixed folders, the version file's
// header, the UDF notice, and the re-scan interval. The last test mounts a
// fixture disc for real in a private mount namespace.
#include "files/disc.h"
#include "foundation/hl_types.h"
#include "support/testkit.h"
#include "foundation/xtim.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

namespace {

const char* const good_version = "I\n900 version\nDVD\nVERSION Skylume 9 Disc\n";

class Disc : public ::testing::Test {
protected:
    temp_dir tmp;
    alert_recorder alerts;
    stepped_clock clock;
    demo_class d;

    void SetUp() override
    {
        dvd_path.clear();
        d.mtab_path = tmp / "mtab";
        d.fixed_folders = {tmp / "fixed1/", tmp / "fixed2/"};
        xtim = xtim_class();
    }
    std::string make_disc(const std::string& name, const std::string& version = good_version)
    {
        const std::string dir = tmp / name;
        std::filesystem::create_directories(dir);
        write_file(dir + "/dvd_version.txt", version);
        return dir;
    }
    void mount_table(const std::string& lines) { write_file(d.mtab_path, lines); }
};

TEST_F(Disc, FirstListedMountWinsAndNonUdfIsWarned)
{
    const std::string a = make_disc("a");
    const std::string b = make_disc("b");
    mount_table("/dev/sr0 " + a + " iso9660 ro 0 0\n/dev/sr1 " + b + " udf ro 0 0\n");
    EXPECT_EQ(d.check_any(0, 0), 1);
    EXPECT_EQ(dvd_path, a + "/");
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].type, t_alert);
    EXPECT_EQ(alerts.alerts()[0].lines.l2, "umount /dev/dvd && mkdir -p /mnt/dvd && mount -t udf /dev/dvd /mnt/dvd");
}

TEST_F(Disc, EscapedBlanksInTheMountTableAreDecoded)
{
    const std::string disc = make_disc("my disc");
    std::string escaped = disc;
    escaped.replace(escaped.find(' '), 1, "\\040");
    mount_table("proc /proc proc rw 0 0\n/dev/sr0 " + escaped + " udf ro 0 0\n");
    EXPECT_EQ(d.check_any(0, 0), 1);
    EXPECT_EQ(dvd_path, disc + "/");
    EXPECT_TRUE(alerts.alerts().empty());
}

TEST_F(Disc, VersionFileMustCarryTheDiscHeader)
{
    struct header_case {
        const char* text;
        int found;
    };
    const header_case cases[] = {{good_version, 1},
                                 {"I\n840 version\nDVD\n", 0},
                                 {"I\n900 version\nINSTALLER\n", 0},
                                 {"I\n900 version\nDVDX\n", 0},
                                 {"", 0},
                                 {"I\r\n900 version\r\nDVD", 1}};
    for (const header_case& c : cases) {
        SCOPED_TRACE(c.text);
        dvd_path = "unchanged";
        const std::string disc = make_disc("hdr", c.text);
        EXPECT_EQ(check_dvd(disc + "/"), c.found);
        EXPECT_EQ(dvd_path, c.found ? disc + "/" : "unchanged");
    }
}

TEST_F(Disc, FixedFoldersWhenTheTableGivesNothingOrCannotBeRead)
{
    make_disc("fixed2");
    mount_table("/dev/sda1 / ext4 rw 0 0\n");
    EXPECT_EQ(d.check_any(0, 1), 1);
    EXPECT_EQ(dvd_path, tmp / "fixed2/");
    EXPECT_TRUE(alerts.alerts().empty()); // never the UDF notice for a fixed folder

    d.mtab_path = tmp / "no-such-table";
    dvd_path.clear();
    EXPECT_EQ(d.check_any(0, 1), 1);
    EXPECT_EQ(dvd_path, tmp / "fixed2/");
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].lines.l1, "I could not open /etc/mtab!");
    EXPECT_NE(alerts.alerts()[0].lines.l4.find(maker_support_address), std::string::npos);
}

TEST_F(Disc, ScansAgainOnlyAfterAnHourOrWhenForced)
{
    mount_table("");
    EXPECT_EQ(d.check_any(0, 0), 0);
    make_disc("fixed1");
    xtim.xtim_update();
    clock.advance(3599);
    xtim.xtim_update();
    EXPECT_EQ(d.check_any(0, 0), 0); // the last result, without a scan
    EXPECT_EQ(d.check_any(0, 1), 1); // forced
    std::filesystem::remove_all(tmp / "fixed1");
    EXPECT_EQ(d.check_any(0, 0), 1);
    clock.advance(3601); // past the hour since the forced scan: a fresh scan misses the removed disc
    xtim.xtim_update();
    EXPECT_EQ(d.check_any(0, 0), 0);
    EXPECT_EQ(d.check_any(3, 0), 0); // other selectors never scan
}

TEST_F(Disc, OddMountFoldersAreTriedNotFatal)
{
    make_disc("colon:disc");
    make_disc("back\\slash");
    mount_table("/dev/sr0 " + tmp / "colon:disc" + " udf ro 0 0\n/dev/sr1 " + tmp / "back\\134slash" +
                " udf ro 0 0\n/dev/x " + std::string(5000, 'a') + " udf ro 0 0\nlonely\n");
    EXPECT_EQ(d.check_any(0, 0), 0);
    EXPECT_TRUE(alerts.alerts().empty());
}

// A fixture disc bind-mounted at one of the usual mount folders in a private
// mount namespace, found through the real mount table (the bind mount keeps
// the fixture's file system, so the not-UDF notice shows which road found it).
TEST(DiscMounted, FoundThroughTheRealMountTable)
{
    if (geteuid() != 0 || std::system("unshare -m --propagation private true 2>/dev/null") != 0)
        GTEST_SKIP() << "needs root and mount namespaces";
    temp_dir tmp;
    const std::string disc = tmp / "disc";
    std::filesystem::create_directories(disc);
    write_file(disc + "/dvd_version.txt", good_version);
    // The probe runs in the temporary folder, where its notice leaves the memory report.
    const std::string script = "mount -t tmpfs none /mnt && mkdir -p /mnt/cdrom && mount --bind '" + disc +
                               "' /mnt/cdrom && cd '" + tmp.path() + "' && '" DISC_PROBE "'";
    const std::string cmd = "unshare -m --propagation private sh -c \"" + script + "\"";
    FILE* p = popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
    EXPECT_NE(out.find("found /mnt/cdrom/\n"), std::string::npos) << out;
    EXPECT_NE(out.find("I found a DVD, but it is not mounted as UDF!"), std::string::npos) << out;
}

} // namespace
