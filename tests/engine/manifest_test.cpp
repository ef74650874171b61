// Manifest reading: the body's lines and fields, the examination of the
// product folder, and what a damaged or hostile manifest does.
#include "support/disc_fixture.h"
#include "engine_fixture.h"
#include "foundation/hl_types.h"
#include "engine/install_records.h"
#include "engine/manifest.h"
#include "engine/decisions.h"
#include "engine/stg.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <functional>

namespace {

using namespace std::string_literals;
namespace fs = std::filesystem;

class Manifest : public engine_fixture {
protected:
    void parse(const std::string& body) { ENG_parse_manifest_body(body.data(), body.data() + body.size(), body.data(), "t"); }
    const file_version_struct& version(size_t h, size_t v) { return sim_info.at(h).versions.at(v); }
};

TEST_F(Manifest, FileLineFields)
{
    struct field_case {
        std::string body;
        int match_code, platform, aux_code;
        float download_kb, disk_kb;
        const char* sig;
        const char* path;
    };
    const field_case cases[] = {
        {"DIR a/b/\nFILE 1 0 0 10 20 S x.txt\n", 1, 0, 0, 10, 20, "S", "a/b/x.txt"},
        {"DIR a/\nFILE 9 -3 -7 1 2 S x\n", 4, 0, -7, 1, 2, "S", "a/x"},
        {"DIR a/\nFILE -+2 7 0 0 0 S x\n", 2, 6, 0, 0, 0, "S", "a/x"},
        {"DIR a/\nFILE - 5 0 0 0 S x\n", 0, 5, 0, 0, 0, "S", "a/x"},
        {"DIR a/\nFILE 0 0 0 1.5 0 S x\n", 0, 0, 0, 85, 0, "S", "a/x"},
        {"DIR a/\r\nFILE\t1  3\t0 4 5 S  name with blanks  \r\n", 1, 3, 0, 4, 5, "S", "a/name with blanks  "},
        {"  DIR   a b/ \nFILE 0 0 0 0 0 S x\n", 0, 0, 0, 0, 0, "S", "a b/ x"},
        {"DIR a/\nFILE 0 0 0 0 0 S x\0garbage"s, 0, 0, 0, 0, 0, "S", "a/x"},
    };
    for (const field_case& c : cases) {
        SCOPED_TRACE(c.body);
        sim_info.clear();
        parse(c.body);
        ASSERT_EQ(sim_info.size(), 1u);
        const file_version_struct& v = version(0, 0);
        EXPECT_EQ(v.match_code, c.match_code);
        EXPECT_EQ(v.platform, c.platform);
        EXPECT_EQ(v.aux_code, c.aux_code);
        EXPECT_EQ(v.download_kb, c.download_kb);
        EXPECT_EQ(v.disk_kb, c.disk_kb);
        EXPECT_EQ(v.sig_want, c.sig);
        EXPECT_EQ(v.path, c.path);
        EXPECT_EQ(v.sig_have, "");
        EXPECT_EQ(v.up_to_date + v.want_install + v.want_delete, 0);
    }
}

TEST_F(Manifest, TruncatedManifestKeepsWhatWasWhole)
{
    const std::string whole = "DIR Top/a/\nFILE 1 0 0 10 20 S x.txt\n";
    // Cut inside the next line's name: the entry stands with the name read so far.
    parse(whole + "FILE 1 0 0 10 20 S y.t");
    ASSERT_EQ(sim_info.size(), 2u);
    EXPECT_EQ(version(1, 0).path, "Top/a/y.t");
    // Cut inside the numbers: no name, so the path names the folder: refused.
    sim_info.clear();
    EXPECT_THROW(parse(whole + "FILE 1 0 0 1"), fatal_alert);
    EXPECT_EQ(version(0, 0).path, "Top/a/x.txt");
    // Cut inside a keyword: the line is skipped.
    sim_info.clear();
    parse(whole + "FI");
    EXPECT_EQ(sim_info.size(), 1u);
}

TEST_F(Manifest, NeighbouringLinesOfOnePathFormOneHistory)
{
    parse("DIR T/\nFILE 0 0 0 0 0 A f\nFILE 0 0 0 0 0 B f\nFILE 0 0 0 0 0 C g\nFILE 0 0 0 0 0 D f\n");
    ASSERT_EQ(sim_info.size(), 3u);
    EXPECT_EQ(sim_info[0].versions.size(), 2u);
    EXPECT_EQ(version(0, 1).sig_want, "B");
    EXPECT_EQ(version(2, 0).path, "T/f");
}

TEST_F(Manifest, OtherLinesAreSkipped)
{
    parse("DIRECTORY x/\nFILE\nfile 0 0 0 0 0 S lower\ndir y/\nFILES 0 0 0 0 0 S no\nDIR T/\n\n\n"
          "FILE 0 0 0 0 0 S kept\nrandom words\n");
    ASSERT_EQ(sim_info.size(), 1u);
    EXPECT_EQ(version(0, 0).path, "T/kept");
}

TEST_F(Manifest, HostilePathsEndTheReadBeforeAnythingIsWritten)
{
    const std::string no_file = "I am reading the directory text file and found a path that has no file!";
    const std::string outside = "I am reading the directory text file and found a path that leaves the product folder!";
    const std::string too_long = "I am reading the directory text file and found a path that is too long!";
    const std::string deep = "T/" + std::string(PATH_MAX, 'd') + "/";
    struct hostile_case {
        std::string body;
        const std::string& alert;
        std::string path;
    };
    const hostile_case cases[] = {
        {"DIR ../\nFILE 0 0 0 0 0 S x\n", outside, "../x"},
        {"DIR ./T/\nFILE 0 0 0 0 0 S x\n", outside, "./T/x"},
        {"DIR " + deep + "\nFILE 0 0 0 0 0 S x\n", too_long, deep + "x"},
        {"DIR T/sub/\nFILE 0 0 0 0 0 S\n", no_file, "T/sub/"},
        {"DIR T/../../\nFILE 0 0 0 0 0 S etc/passwd\n", outside, "T/../../etc/passwd"},
        {"DIR /\nFILE 0 0 0 0 0 S etc/passwd\n", outside, "/etc/passwd"},
        {"DIR T/./\nFILE 0 0 0 0 0 S a\n", outside, "T/./a"},
        {"DIR T//\nFILE 0 0 0 0 0 S a\n", outside, "T//a"},
    };
    for (const hostile_case& c : cases) {
        SCOPED_TRACE(c.body.substr(0, 60));
        sim_info.clear();
        alerts.alerts().clear();
        EXPECT_THROW(parse(c.body), fatal_alert);
        ASSERT_EQ(alerts.alerts().size(), 1u);
        EXPECT_EQ(alerts.alerts()[0].lines.l1, c.alert);
        EXPECT_EQ(alerts.alerts()[0].lines.l4, c.path);
    }
}

TEST_F(Manifest, NetworkBuildDropsTheLargeOptionalSets)
{
    const std::string body = "DIR T/\nFILE 0 0 0 0 0 S a\nFILE 0 0 0 0 0 S Orbit View Textures/x\n"
                             "FILE 0 0 0 0 0 S 900 alt terrain.zip\n";
    parse(body);
    EXPECT_EQ(sim_info.size(), 3u);
    sim_info.clear();
    is_net = 1;
    parse(body);
    EXPECT_EQ(sim_info.size(), 1u);
}

// One entry of each kind against a product folder that holds some of them.
TEST_F(Manifest, ExaminationSetsSignaturesFlagsAndTotals)
{
    put_file("current.txt", "abc");
    put_file("old.txt", "abc");         // an older listed version
    put_file("modified.txt", "hello\n"); // matches nothing listed
    put_file("gone.txt", "abc");
    put_file("mac.bin", "x");
    const std::string m = write_manifest(std::string("DIR Top/\n") +
                                         "FILE 0 0 0 1 10 " + md5_abc + " current.txt\n" +
                                         "FILE 0 0 0 2 20 " + md5_abc + " old.txt\n" +
                                         "FILE 0 0 0 4 40 " + md5_empty + " old.txt\n" +
                                         "FILE 0 0 0 8 80 " + md5_empty + " modified.txt\n" +
                                         "FILE 0 0 0 16 160 " + md5_empty + " missing.txt\n" +
                                         "FILE 0 0 0 32 320 GONE gone.txt\n" +
                                         "FILE 0 1 0 64 640 " + md5_empty + " mac.bin\n" +
                                         "FILE 0 6 0 128 1280 " + md5_empty + " linux.so\n");
    ASSERT_EQ(read_directory(m, "title"), dir_ready);
    ASSERT_EQ(sim_info.size(), 7u);
    struct exam_case {
        size_t history;
        const char* sig_have;
        int up_to_date;
    };
    const std::string md5_x = md5_of("x");
    const exam_case cases[] = {{0, md5_abc, 1}, {1, md5_abc, 0},       {2, md5_hello, 0}, {3, "NONE", 0},
                               {4, md5_abc, 0}, {5, md5_x.c_str(), 0}, {6, "NONE", 0}};
    for (const exam_case& c : cases) {
        SCOPED_TRACE(c.history);
        const file_version_struct& v = sim_info[c.history].versions.back();
        EXPECT_EQ(v.sig_have, c.sig_have);
        EXPECT_EQ(v.up_to_date, c.up_to_date);
    }
    EXPECT_EQ(version(1, 0).sig_have, ""); // older versions are not examined
    EXPECT_EQ(stg.download_kb, 4 + 8 + 16 + 128);
    EXPECT_EQ(stg.disk_kb, 40 + 80 + 160 + 1280);
    EXPECT_EQ(this_install_has_exes, 0); // platform 6 is not 1..3; the mac file is not wanted
    stg.download_os = os_mac;
    ASSERT_EQ(read_directory(m, "title"), dir_ready);
    EXPECT_EQ(this_install_has_exes, 1);
    stg.download_os = os_linux;
    ASSERT_EQ(read_directory(m, "title"), dir_ready);
    EXPECT_EQ(this_install_has_exes, 1); // a later reading never clears it
}

// A missing or empty destination is taken to hold none of the files without
// looking each one up; a folder with anything in it, however deep, is examined.
TEST_F(Manifest, OnlyAMissingOrEmptyDestinationSkipsTheExamination)
{
    const std::string m = write_manifest(std::string("DIR Top/\n") + "FILE 0 0 0 1 10 " + md5_empty + " a.txt\n" +
                                         "FILE 0 0 0 2 20 " + md5_empty + " Deep/b.txt\n");
    struct dest_case {
        const char* name;
        std::function<void()> make;
        const char* sig_b;
        double download_kb;
    };
    const dest_case cases[] = {
        {"missing", [&] { fs::remove_all(product); }, "NONE", 3},
        {"empty", [&] { fs::remove_all(product); fs::create_directories(product); }, "NONE", 3},
        {"only a nested file", [&] { fs::remove_all(product); put_file("Deep/b.txt", "abc"); }, md5_abc, 3},
        {"only the nested file, current", [&] { fs::remove_all(product); put_file("Deep/b.txt", ""); }, md5_empty, 1},
    };
    for (const dest_case& c : cases) {
        SCOPED_TRACE(c.name);
        c.make();
        ASSERT_EQ(read_directory(m, "title"), dir_ready);
        ASSERT_EQ(sim_info.size(), 2u);
        EXPECT_EQ(version(0, 0).sig_have, "NONE");
        EXPECT_EQ(version(1, 0).sig_have, c.sig_b);
        EXPECT_EQ(stg.download_kb, c.download_kb);
    }
}

// A file that is there but cannot be examined is the user's until they say
// otherwise: asked about before it is replaced, never deleted; only a file
// that is truly absent is installed without a question.
TEST_F(Manifest, UnreadableFilesAreNeverTakenForMissing)
{
    enum what_stands { a_file, a_folder, a_dangling_link, a_closed_file, nothing, a_file_on_the_way };
    const std::string long_folder = std::string(250, 'l') + "/" + std::string(250, 'm');
    struct unreadable_case {
        const char* what;
        std::string rel; // below the product folder
        what_stands there;
        const char* sig_have;
    };
    std::vector<unreadable_case> cases = {
        {"folder holding ':'", "we:ird/a.txt", a_file, sig_unreadable},
        {"folder holding a backslash", "we\\ird/a.txt", a_file, sig_unreadable},
        {"past the file layer's length limit", long_folder + "/a.txt", a_file, sig_unreadable},
        {"a folder in the file's place", "sub/a.txt", a_folder, sig_unreadable},
        {"a dangling link", "a.txt", a_dangling_link, sig_unreadable},
        {"absent, folder holding ':'", "we:ird/a.txt", nothing, sig_missing},
        {"absent, past the length limit", long_folder + "/a.txt", nothing, sig_missing},
        {"absent, a file on the way", "blocker/a.txt", a_file_on_the_way, sig_missing},
    };
    if (geteuid() != 0) cases.push_back({"mode 000", "a.txt", a_closed_file, sig_unreadable}); // root reads it
    for (const unreadable_case& c : cases) {
        for (const char* want : {md5_abc, "GONE"}) {
            SCOPED_TRACE(std::string(c.what) + " / " + want);
            std::filesystem::remove_all(product);
            const std::string full = product + c.rel;
            const std::string folder = full.substr(0, full.rfind('/'));
            std::filesystem::create_directories(c.there == a_file_on_the_way ? product : folder);
            if (c.there == a_file || c.there == a_closed_file) write_file(full, "the user's");
            if (c.there == a_closed_file) chmod(full.c_str(), 0);
            if (c.there == a_folder) mkdir(full.c_str(), 0755);
            if (c.there == a_dangling_link) {
                ASSERT_EQ(symlink("nowhere", full.c_str()), 0);
            }
            if (c.there == a_file_on_the_way) write_file(folder, "x");
            const std::string m = write_manifest("DIR Top/\nFILE 0 0 0 1 1 " + std::string(want) + " " + c.rel + "\n");
            ASSERT_EQ(read_directory(m, "t"), dir_ready);
            const file_version_struct& v = version(0, 0);
            EXPECT_EQ(v.sig_have, c.sig_have);
            EXPECT_EQ(v.up_to_date, 0);
            const bool unreadable = c.sig_have == std::string(sig_unreadable);
            const bool gone = want == std::string("GONE");
            questions().clear();
            if (unreadable && !gone) answers().push_back(sel_keep);
            EXPECT_EQ(choose_files(), 1);
            EXPECT_EQ(questions().size(), unreadable && !gone ? 1u : 0u);
            EXPECT_EQ(v.want_install, !unreadable && !gone);
            EXPECT_EQ(v.want_delete, 0);
        }
    }
    EXPECT_TRUE(alerts.alerts().empty());
}

// The files are examined several at a time: each entry still gets its own
// file's signature, and the examination's log lines come in manifest order
// although a large file at the front finishes long after those behind it.
TEST_F(Manifest, ExaminationKeepsEachResultAndTheLogInManifestOrder)
{
    enum what_stands { same, other, absent, a_folder, refused };
    std::string body = "DIR Top/\n", expected_log;
    std::vector<std::pair<std::string, const char*>> want; // sig_have per entry; "" for other
    write_file(product + "big.bin", std::string(4 << 20, 'b'));
    body += "FILE 0 0 0 1 1 " + std::string(md5_abc) + " big.bin\n";
    want.push_back({"big.bin", ""});
    for (int i = 0; i < 300; ++i) {
        const std::string rel = (i % 5 == refused ? "we:ird/f" : "f") + std::to_string(i);
        const std::string full = product + rel;
        std::filesystem::create_directories(full.substr(0, full.rfind('/')));
        if (i % 5 == same || i % 5 == refused) write_file(full, "abc");
        if (i % 5 == other) write_file(full, std::string(std::size_t(i) * 997, 'o'));
        if (i % 5 == a_folder) mkdir(full.c_str(), 0755);
        if (i % 5 == a_folder) expected_log += "calc_file_md5: not a regular file: " + full + "\n";
        // One cause logs its first five paths, then says the rest go unlogged.
        if (i % 5 == refused && i / 5 < 5) expected_log += "calc_file_md5: bad folder character in path: " + full + "\n";
        if (i % 5 == refused && i / 5 == 5)
            expected_log += "calc_file_md5: bad folder character in path: further paths refused so are not logged\n";
        body += "FILE 0 0 0 1 1 " + std::string(md5_abc) + " " + rel + "\n";
        const char* sig = i % 5 == same ? md5_abc : i % 5 == absent ? sig_missing : i % 5 == other ? "" : sig_unreadable;
        want.push_back({rel, sig});
    }
    const std::string m = write_manifest(body);
    xer_capture log;
    ASSERT_EQ(read_directory(m, "t"), dir_ready);
    EXPECT_EQ(log.text(), expected_log);
    ASSERT_EQ(sim_info.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        SCOPED_TRACE(want[i].first);
        const std::string& have = version(static_cast<int>(i), 0).sig_have;
        if (*want[i].second) EXPECT_EQ(have, want[i].second);
        else EXPECT_EQ(have, md5_of(read_file(product + want[i].first)));
    }
}

TEST_F(Manifest, TotalsStayExactPastSixteenGigabytes)
{
    std::string body = "DIR Top/\n";
    for (int i = 0; i < 40; ++i) body += "FILE 0 0 0 1000001 1000001 S f" + std::to_string(i) + "\n";
    ASSERT_EQ(read_directory(write_manifest(body), "t"), dir_ready);
    EXPECT_EQ(stg.download_kb, 40.0 * 1000001);
}

TEST_F(Manifest, RefusedHeadersLeaveTheManifestMissing)
{
    const char* headers[] = {"I\n800 version\nINSTALLER\n", "I\n900 version\nDVD\n", "X\n900\nINSTALLER\n",
                             " I\n900\nINSTALLER\n", "I\n900 version\n"};
    for (const char* h : headers) {
        SCOPED_TRACE(h);
        EXPECT_EQ(read_directory(write_manifest("DIR T/\nFILE 0 0 0 0 0 S a\n", h), "t"), dir_missing);
        EXPECT_TRUE(sim_info.empty());
    }
    EXPECT_EQ(read_directory(write_manifest("", ""), "t"), dir_missing);
    EXPECT_EQ(read_directory(write_manifest("", "I\r\n\r\n  840 version\r\nINSTALLER\r\n"), "t"), dir_ready);
    EXPECT_TRUE(alerts.alerts().empty());
}

TEST_F(Manifest, NetworkBuildTellsTheUserToGetANewInstaller)
{
    is_net = 1;
    EXPECT_EQ(read_directory(write_manifest("", "I\n950 version\nINSTALLER\n"), "t"), dir_missing);
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].lines.l2, "In other words, you need to get a new installer!");
    EXPECT_EQ(stg.run_phase, run_done);
    EXPECT_EQ(app_done, 1);
    app_done = 0;
}

TEST_F(Manifest, MissingManifestIsFatal)
{
    EXPECT_THROW(read_directory(tmp / "nowhere.txt", "t"), fatal_alert);
    EXPECT_EQ(alerts.alerts().at(0).lines.l1, "I tried to read a directory file that does not exist!");
}

int scanned;
std::vector<float> examined;

TEST_F(Manifest, ProgressPicturesAreRationed)
{
    const progress_fn old = ENG_set_progress_hook([](const progress_frame& f) {
        if (f.line2 == "Currently SCANNING the directory text file.") ++scanned;
        if (f.line2 == "Currently EXAMINING the hard disk.") examined.push_back(f.fill_end);
    });
    struct cadence_case {
        int histories;
        size_t examined;
    };
    for (const cadence_case& c : {cadence_case{150, 150}, {1000, 200}}) {
        SCOPED_TRACE(c.histories);
        std::string body = "DIR Top/\n";
        for (int i = 0; i < c.histories; ++i) body += "FILE 0 0 0 0 0 S f" + std::to_string(i) + "\n";
        examined.clear();
        ASSERT_EQ(read_directory(write_manifest(body), "t"), dir_ready);
        EXPECT_EQ(examined.size(), c.examined);
    }
    // One scanning picture every 500 FILE lines, counted across readings (the
    // count is process-wide and other tests read manifests too, so only runs
    // of consecutive lines are certain): 500 lines in one reading bring one,
    // ten readings of 100 lines bring two, not one per reading.
    const auto pictures_for = [&](int readings, int lines) {
        std::string body = "DIR Top/\n";
        for (int i = 0; i < lines; ++i) body += "FILE 0 0 0 0 0 S g" + std::to_string(i) + "\n";
        const std::string manifest = write_manifest(body);
        const int before = scanned;
        for (int r = 0; r < readings; ++r) EXPECT_EQ(read_directory(manifest, "t"), dir_ready);
        return scanned - before;
    };
    EXPECT_EQ(pictures_for(1, 500), 1);
    EXPECT_EQ(pictures_for(10, 100), 2);
    ENG_set_progress_hook(old);
}

} // namespace
