// Zip extraction: what a good archive restores, what a damaged or hostile one
// must never do (write outside the folder, leave half files or temporary files,
// replace a good file with a bad one), and memory that stays flat.
#include "files/zip_io.h"

#include "files_fixture.h"
#include "files/io_errors.h"
#include "support/testkit.h"
#include "support/zip_builder.h"
#include "zip_site.h"

#include <gtest/gtest.h>

#include <minizip/unzip.h>
#include <zlib.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The same in the last 64 KiB only, read and written in place, for sparse
// archives that reading whole would fill in.
void patch_file_tail(const std::string& path, const std::string& from, const std::string& to)
{
    ASSERT_EQ(from.size(), to.size());
    int fd = open(path.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    struct stat st;
    ASSERT_EQ(fstat(fd, &st), 0);
    const off_t at = st.st_size > 65536 ? st.st_size - 65536 : 0;
    std::string tail(std::size_t(st.st_size - at), '\0');
    ASSERT_EQ(pread(fd, &tail[0], tail.size(), at), ssize_t(tail.size()));
    for (std::size_t i = tail.find(from); i != std::string::npos; i = tail.find(from, i + 1))
        tail.replace(i, from.size(), to);
    ASSERT_EQ(pwrite(fd, tail.data(), tail.size(), at), ssize_t(tail.size()));
    close(fd);
}

TEST(ZipToFile, RestoresFoldersFilesModesDatesAndLinks)
{
    zip_site site;
    const unsigned long june_15 = dos_date(2007, 6, 15, 10, 30, 0);
    std::string first;
    ASSERT_EQ(site.extract({
                  {"top/", "", dir_type | 0755},
                  {"top/run.sh", "#!/bin/sh\n", reg_file | 0755, 0, june_15},
                  {"top/readme.txt", pattern_bytes(300000), reg_file | 0644, 0, june_15},
                  {"deep/er/data.bin", "made without folder entries", reg_file | 0600},
                  {"top/link", "readme.txt", sym_link | 0777},
                  {"__MACOSX/", "", dir_type | 0755},
                  {"__MACOSX/top/._run.sh", "resource fork", reg_file | 0644},
              }, &first), 0);

    // Times first: reading a file may move its access time.
    std::tm local{};
    local.tm_year = 107, local.tm_mon = 5, local.tm_mday = 15, local.tm_hour = 10, local.tm_min = 30;
    local.tm_isdst = -1;
    const stat_result run = lstat_of(site.out("top/run.sh"));
    EXPECT_EQ(run.st.st_mtime, std::mktime(&local));
    EXPECT_EQ(run.st.st_atime, std::mktime(&local));

    EXPECT_EQ(first, "top/");
    EXPECT_EQ(read_file(site.out("top/run.sh")), "#!/bin/sh\n");
    EXPECT_EQ(read_file(site.out("top/readme.txt")), pattern_bytes(300000));
    EXPECT_EQ(read_file(site.out("deep/er/data.bin")), "made without folder entries");
    EXPECT_FALSE(lstat_of(site.out("__MACOSX")).exists);

    const struct {
        const char* name;
        mode_t mode;
    } modes[] = {{"top/run.sh", 0755}, {"top/readme.txt", 0644}, {"deep/er/data.bin", 0600}};
    for (const auto& m : modes) {
        SCOPED_TRACE(m.name);
        EXPECT_EQ(lstat_of(site.out(m.name)).st.st_mode & 07777, m.mode);
    }

    const stat_result link = lstat_of(site.out("top/link"));
    ASSERT_TRUE(S_ISLNK(link.st.st_mode));
    char target[64] = {};
    ASSERT_EQ(readlink(site.out("top/link").c_str(), target, sizeof target - 1), 10);
    EXPECT_STREQ(target, "readme.txt");
    site.expect_no_temporaries();
}

// Every file time is the entry's date read as local time, as mktime reads
// it with the daylight-saving flag left open, in zones whose offset changes:
// several files in one hour, the hour the clocks skip, the hour they repeat
// (either of its two readings), Lord Howe's half-hour change, the last
// seconds of a day, and fields out of their range (normalised).
TEST(ZipToFile, FileTimesAreTheEntriesLocalTimesAcrossZoneChanges)
{
    struct when {
        int year, month, day, hour, minute, second;
        bool repeated; // in the hour the clocks go back: either reading will do
    };
    const struct {
        const char* zone;
        std::vector<when> dates;
    } zones[] = {
        {"Europe/Berlin",
         {{2007, 6, 15, 10, 0, 0, false}, {2007, 6, 15, 10, 30, 10, false}, {2007, 6, 15, 10, 59, 58, false},
          {2007, 3, 25, 2, 30, 0, false}, {2007, 3, 25, 1, 59, 58, false}, {2007, 3, 25, 3, 0, 0, false},
          {2007, 10, 28, 2, 30, 0, true}, {2007, 10, 28, 3, 10, 0, false}, {2007, 12, 31, 23, 59, 58, false},
          {2007, 6, 15, 10, 63, 62, false}, {2007, 0, 0, 10, 0, 0, false}, {2007, 13, 5, 10, 0, 0, false}}},
        {"Australia/Lord_Howe", {{2007, 10, 28, 1, 45, 0, false}, {2007, 10, 28, 2, 15, 0, false},
                                 {2007, 10, 28, 2, 45, 0, false}, {2008, 4, 6, 1, 45, 0, true}}},
    };
    const char* old_tz = std::getenv("TZ");
    const std::string saved = old_tz ? old_tz : "";
    for (const auto& z : zones) {
        SCOPED_TRACE(z.zone);
        setenv("TZ", z.zone, 1);
        tzset();
        std::vector<zip_entry_spec> entries;
        for (std::size_t i = 0; i < z.dates.size(); ++i) {
            const when& w = z.dates[i];
            entries.push_back({"f" + std::to_string(i), "x", reg_file | 0644, 0,
                               dos_date(w.year, w.month, w.day, w.hour, w.minute, w.second)});
        }
        zip_site site;
        ASSERT_EQ(site.extract(entries), 0);
        for (std::size_t i = 0; i < z.dates.size(); ++i) {
            const when& w = z.dates[i];
            SCOPED_TRACE(std::to_string(w.month) + "-" + std::to_string(w.day) + " " + std::to_string(w.hour) + ":" +
                         std::to_string(w.minute) + ":" + std::to_string(w.second));
            auto local = [&](int isdst) {
                std::tm t{};
                t.tm_year = w.year - 1900, t.tm_mon = w.month - 1, t.tm_mday = w.day;
                t.tm_hour = w.hour, t.tm_min = w.minute, t.tm_sec = w.second, t.tm_isdst = isdst;
                return std::mktime(&t);
            };
            const std::time_t got = lstat_of(site.out("f" + std::to_string(i))).st.st_mtime;
            if (w.repeated) EXPECT_TRUE(got == local(0) || got == local(1)) << got;
            else EXPECT_EQ(got, local(-1));
        }
    }
    if (old_tz) setenv("TZ", saved.c_str(), 1);
    else unsetenv("TZ");
    tzset();
}

// Archivers that store no Unix mode (upper attribute half zero) must not make
// a file unreadable; DOS attributes alone still carry the date.
TEST(ZipToFile, EntriesWithoutUnixModeKeepOrdinaryPermissions)
{
    zip_site site;
    ASSERT_EQ(site.extract({
                  {"dos.txt", "from a DOS archiver", 0, 0x20, dos_date(2001, 2, 3, 4, 5, 6)},
                  {"bare.txt", "no attributes at all", 0, 0},
              }), 0);
    for (const char* name : {"dos.txt", "bare.txt"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(lstat_of(site.out(name)).st.st_mode & 0777, umasked(0666));
    }
    std::tm local{};
    local.tm_year = 101, local.tm_mon = 1, local.tm_mday = 3, local.tm_hour = 4, local.tm_min = 5;
    local.tm_sec = 6, local.tm_isdst = -1;
    EXPECT_EQ(lstat_of(site.out("dos.txt")).st.st_mtime, std::mktime(&local));
}

// A new entry replaces what was there: a file, or a link, which is replaced
// itself and never written through.
// Runs check once with files made without a name and once under temporary
// names, as where the file system cannot make an unnamed file.
template <class Check>
void both_ways_of_making_files(Check check)
{
    for (bool unnamed : {true, false}) {
        SCOPED_TRACE(unnamed ? "unnamed files" : "temporary names");
        zip_use_unnamed_files(unnamed);
        check();
    }
    zip_use_unnamed_files(true);
}

TEST(ZipToFile, ReplacesOldFilesAndLinksInPlace)
{
    both_ways_of_making_files([] {
        zip_site site;
        write_file(site.out("old.txt"), "old contents that are longer");
        write_file(site.dir / "outside/victim.txt", "keep me");
        ASSERT_EQ(symlink((site.dir / "outside/victim.txt").c_str(), site.out("victim").c_str()), 0);
        write_file(site.out("was_file"), "a file where a link comes");

        ASSERT_EQ(site.extract({
                      {"old.txt", "new", reg_file | 0644},
                      {"victim", "through the link?", reg_file | 0644},
                      {"was_file", "old.txt", sym_link | 0777},
                  }), 0);
        EXPECT_EQ(read_file(site.out("old.txt")), "new");
        EXPECT_EQ(read_file(site.out("victim")), "through the link?");
        EXPECT_FALSE(S_ISLNK(lstat_of(site.out("victim")).st.st_mode));
        EXPECT_EQ(read_file(site.dir / "outside/victim.txt"), "keep me");
        EXPECT_TRUE(S_ISLNK(lstat_of(site.out("was_file")).st.st_mode));
        site.expect_no_temporaries();
    });
}

// "__MACOSX" entries are skipped on the name as read, so one whose name would
// fail the name checks (too long, a NUL) skips like the rest, writing nothing.
TEST(ZipToFile, SkipsMacResourceEntriesWhateverTheirNames)
{
    zip_site site;
    ASSERT_TRUE(make_zip(site.dir / "a.zip", {{"__MACOSX/" + std::string(300, 'n'), "fork", reg_file | 0644},
                                             {"__MACOSX/evil\x01name", "fork", reg_file | 0644},
                                             {"__MACOSX/link", "/etc", sym_link | 0777},
                                             {"after.txt", "after", reg_file | 0644}}));
    patch_file(site.dir / "a.zip", "evil\x01name", std::string("evil\0name", 9));
    EXPECT_EQ(zip_to_file("a.zip", "out/", nullptr, 0), 0);
    EXPECT_EQ(read_file(site.out("after.txt")), "after");
    EXPECT_EQ(list_dir(site.out("")), std::vector<std::string>{"after.txt"});
}

// Files and links alike are made under a fresh temporary name: leftovers of an
// earlier run under the names the next entries would take are stepped over and
// kept. (ctest runs each test in a process of its own, so the names this
// process numbers from 1 are the ones planted here.)
TEST(ZipToFile, StepsOverLeftoverTemporaryNames)
{
    zip_site site;
    const std::string pid = std::to_string(getpid());
    for (int n = 1; n <= 50; ++n)
        for (const char* scheme : {".sky-unzip-", ".sky-unlink-"})
            write_file(site.out(scheme + pid + "-" + std::to_string(n)), "leftover");
    ASSERT_EQ(site.extract({{"link", "file.txt", sym_link | 0777}, {"file.txt", "data", reg_file | 0644},
                            {"link2", "file.txt", sym_link | 0777}}),
              0);
    EXPECT_EQ(read_file(site.out("link")), "data");
    EXPECT_EQ(read_file(site.out("link2")), "data");
    EXPECT_EQ(list_dir(site.out("")).size(), 3u + 100u);
    EXPECT_EQ(read_file(site.out(".sky-unlink-" + pid + "-1")), "leftover");
}

TEST(ZipToFile, FlagWritesFirstEntryUnderTheCallersName)
{
    zip_site site;
    std::string first = "renamed.bin";
    ASSERT_EQ(site.extract({{"installer-v2.bin", "new installer", reg_file | 0755}, {"notes.txt", "n"}}, &first, 1),
              0);
    EXPECT_EQ(first, "installer-v2.bin");
    EXPECT_EQ(read_file(site.out("renamed.bin")), "new installer");
    EXPECT_FALSE(lstat_of(site.out("installer-v2.bin")).exists);
    EXPECT_EQ(read_file(site.out("notes.txt")), "n");
}

// Names that would leave the output folder, or cannot be what they claim, fail
// the archive with a code from the message table and a log line; nothing of them
// is written, anywhere.
TEST(ZipToFile, RefusesHostileNames)
{
    const struct {
        std::string name;
        const char* reason;
    } cases[] = {
        {"../outside/evil", "climbs out"},
        {"ok/../../outside/evil", "climbs out"},
        {"ok/..", "climbs out"},
        {"/tmp/sky-absolute-evil", "is absolute"},
        {"evil\x01name", "holds a NUL byte"}, // \x01 patched to NUL below
        {std::string(300, 'n'), "longer than the name buffer"},
        {"", "is empty"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        zip_site site;
        xer_capture log;
        ASSERT_TRUE(make_zip(site.dir / "a.zip", {{"first.txt", "kept"}, {c.name, "evil"}, {"after.txt", "never"}}));
        patch_file(site.dir / "a.zip", "evil\x01name", std::string("evil\0name", 9));
        EXPECT_EQ(zip_to_file("a.zip", "out/", nullptr, 0), err_zip_refused);
        EXPECT_EQ(read_file(site.out("first.txt")), "kept");
        EXPECT_FALSE(lstat_of(site.out("after.txt")).exists);
        EXPECT_TRUE(list_dir(site.dir / "outside").empty());
        EXPECT_FALSE(lstat_of("/tmp/sky-absolute-evil").exists);
        EXPECT_NE(log.text().find(c.reason), std::string::npos) << log.text();
    }
}

// A link made by the archive itself, or one already below the output folder,
// is never a way out: a link that leaves the folder is not made at all
// (err_zip_refused), and an entry behind any link fails with ENOTDIR.
TEST(ZipToFile, NeverWritesThroughLinksOnTheWay)
{
    const struct {
        const char* what;
        bool link_in_archive;
        const char* target; // relative to the site folder when it starts with "site:"
        int code;
    } cases[] = {
        {"archive link to a folder outside", true, "site:outside", err_zip_refused},
        {"archive link climbing up", true, "../outside", err_zip_refused},
        {"archive link to a folder inside", true, "inner", ENOTDIR},
        {"link already on disk", false, "site:outside", ENOTDIR},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        zip_site site;
        const std::string given = c.target;
        const std::string target = given.rfind("site:", 0) == 0 ? site.dir / given.substr(5) : given;
        std::vector<zip_entry_spec> entries = {{"inner/", "", dir_type | 0755}};
        if (c.link_in_archive) entries.push_back({"sub", target, sym_link | 0777});
        else ASSERT_EQ(symlink(target.c_str(), site.out("sub").c_str()), 0);
        entries.push_back({"sub/pwned.txt", "escaped", reg_file | 0644});
        entries.push_back({"sub/deeper/pwned.txt", "escaped", reg_file | 0644});
        EXPECT_EQ(site.extract(entries), c.code);
        EXPECT_TRUE(list_dir(site.dir / "outside").empty());
        EXPECT_TRUE(list_dir(site.out("inner")).empty());
    }
}

// An entry whose data is the raw deflate stream zlib makes of `data` with the
// level and strategy given, cut to `keep` of its length (1: whole).
zip_entry_spec raw_deflate_entry(const std::string& name, const std::string& data, int level, int strategy,
                                 double keep = 1)
{
    std::string packed(compressBound(uLong(data.size())) + 64, '\0');
    z_stream zs{};
    deflateInit2(&zs, level, Z_DEFLATED, -MAX_WBITS, 8, strategy);
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    zs.avail_in = uInt(data.size());
    zs.next_out = reinterpret_cast<Bytef*>(&packed[0]);
    zs.avail_out = uInt(packed.size());
    deflate(&zs, Z_FINISH);
    packed.resize(std::size_t(double(zs.total_out) * keep));
    deflateEnd(&zs);
    zip_entry_spec e{name, packed, reg_file | 0644};
    e.raw_deflate = true;
    e.claimed_size = data.size();
    e.raw_crc = crc32(0, reinterpret_cast<const Bytef*>(data.data()), uInt(data.size()));
    return e;
}

// A raw deflate stream of the pattern, cut to half its length.
zip_entry_spec cut_deflate_entry(const std::string& name, std::size_t size)
{
    return raw_deflate_entry(name, pattern_bytes(size), Z_BEST_SPEED, Z_DEFAULT_STRATEGY, 0.5);
}

// Every kind of deflate block (stored, fixed and dynamic Huffman codes, long
// matches and runs), in streams that cross the reader's input and output
// chunks, comes out byte for byte.
TEST(ZipToFile, InflatesEveryKindOfDeflateStream)
{
    std::string text;
    for (int i = 0; text.size() < 700000; ++i) text += "runway " + std::to_string(i * 7919 % 100000) + " heading\n";
    std::string noise = pattern_bytes(300000);
    for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = char(noise[i] ^ char(i * 2654435761u >> 13));
    const struct {
        const char* what;
        std::string data;
        int level;
        int strategy;
    } cases[] = {
        {"one byte", "x", 6, Z_DEFAULT_STRATEGY},
        {"text, stored blocks", text, 0, Z_DEFAULT_STRATEGY},
        {"text, fastest", text, 1, Z_DEFAULT_STRATEGY},
        {"text, best", text, 9, Z_DEFAULT_STRATEGY},
        {"text, fixed codes", text, 6, Z_FIXED},
        {"text, Huffman only", text, 6, Z_HUFFMAN_ONLY},
        {"a long run", std::string(1 << 20, 'a'), 6, Z_RLE},
        {"noise", noise, 6, Z_DEFAULT_STRATEGY},
        {"noise and text", noise + text + noise, 6, Z_DEFAULT_STRATEGY},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        zip_site site;
        ASSERT_EQ(site.extract({raw_deflate_entry("data.bin", c.data, c.level, c.strategy)}), 0);
        EXPECT_TRUE(read_file(site.out("data.bin")) == c.data);
    }
    zip_site site; // an empty file's stream holds one empty block
    ASSERT_EQ(site.extract({{"empty.txt", "", reg_file | 0644}}), 0);
    const stat_result empty = lstat_of(site.out("empty.txt"));
    EXPECT_TRUE(empty.exists && S_ISREG(empty.st.st_mode) && empty.st.st_size == 0);
}

// A damaged entry fails the archive, keeps the entries before it and the old
// copy of its own file, and leaves no temporary file behind.
TEST(ZipToFile, DamagedEntryKeepsTheOldFile)
{
    const struct {
        const char* what;
        zip_entry_spec bad;
        int code;
    } cases[] = {
        {"CRC mismatch", {"data.txt", "damaged bytes", reg_file | 0644, 0, 0, 1, true, true}, UNZ_CRCERROR},
        {"shorter than declared", {"data.txt", "short", reg_file | 0644, 0, 0, 1, true, false, 4096}, err_zip_read},
        {"longer than declared", {"data.txt", "damaged bytes", reg_file | 0644, 0, 0, 1, true, false, 3}, err_zip_read},
        {"link with bad CRC", {"data.txt", "elsewhere", sym_link | 0777, 0, 0, 1, true, true}, UNZ_CRCERROR},
        {"deflate stream cut short", cut_deflate_entry("data.txt", 100000), err_zip_read},
        {"link target of 4096 bytes", {"data.txt", std::string(4096, 't'), sym_link | 0777}, err_zip_refused},
        {"link target holding a NUL", {"data.txt", std::string("abc\0def", 7), sym_link | 0777}, err_zip_refused},
    };
    both_ways_of_making_files([&cases] {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.what);
            zip_site site;
            write_file(site.out("data.txt"), "good old data");
            EXPECT_EQ(site.extract({{"before.txt", "fine", reg_file | 0644}, c.bad, {"after.txt", "x"}}), c.code);
            EXPECT_EQ(read_file(site.out("before.txt")), "fine");
            EXPECT_TRUE(read_file(site.out("data.txt")) == "good old data");
            EXPECT_FALSE(lstat_of(site.out("after.txt")).exists);
            site.expect_no_temporaries();
        }
    });
}

// Deflated data garbled on the way: the inflater stops or the CRC disagrees.
TEST(ZipToFile, GarbledDeflateDataFails)
{
    zip_site site;
    write_file(site.out("big.txt"), "old");
    ASSERT_TRUE(make_zip(site.dir / "a.zip", {{"big.txt", pattern_bytes(100000), reg_file | 0644}}));
    std::string bytes = read_file(site.dir / "a.zip");
    for (std::size_t i = 200; i < 400; ++i) bytes[i] = static_cast<char>(bytes[i] ^ 0x5a);
    write_file(site.dir / "a.zip", bytes);
    int err = zip_to_file("a.zip", "out/", nullptr, 0);
    EXPECT_TRUE(err == err_zip_read || err == UNZ_CRCERROR) << err;
    EXPECT_EQ(read_file(site.out("big.txt")), "old");
    site.expect_no_temporaries();
}

TEST(ZipToFile, UnopenableArchivesFailWithOpenCode)
{
    zip_site site;
    xer_capture log;
    EXPECT_EQ(zip_to_file("missing.zip", "out/", nullptr, 0), err_zip_open);
    const std::string text = log.text();
    EXPECT_NE(text.find("OK I am about to report that I could not open a zip file for extraction!\n"
                        "That incoming file is " + site.dir.path() + "/missing.zip\n"),
              std::string::npos) << text;
    EXPECT_NE(text.find("Zip to file failed with error err = 20001."), std::string::npos);

    // A download cut short loses the central directory at the end.
    ASSERT_TRUE(make_zip(site.dir / "a.zip", {{"a.txt", pattern_bytes(5000)}}));
    std::string bytes = read_file(site.dir / "a.zip");
    write_file(site.dir / "a.zip", bytes.substr(0, bytes.size() / 2));
    EXPECT_EQ(zip_to_file("a.zip", "out/", nullptr, 0), err_zip_open);
    EXPECT_TRUE(list_dir(site.out("")).empty());
}

// A full disk (here: the file-size limit) leaves the old file and no temporary.
TEST(ZipToFile, WriteFailureKeepsTheOldFile)
{
    both_ways_of_making_files([] {
        zip_site site;
        write_file(site.out("data.bin"), "good old data");
        ASSERT_TRUE(make_zip(site.dir / "a.zip", {{"data.bin", pattern_bytes(1 << 20), reg_file | 0644}}));
        rlimit saved;
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit small = saved;
        small.rlim_cur = 64 * 1024;
        auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        int err = zip_to_file("a.zip", "out/", nullptr, 0);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, old_handler);
        EXPECT_EQ(err, EFBIG);
        EXPECT_EQ(read_file(site.out("data.bin")), "good old data");
        site.expect_no_temporaries();
    });
}

// Data streams through a fixed buffer: extracting a 96 MiB entry must not grow
// the process by anything like the entry's size.
TEST(ZipToFile, MemoryStaysFlatForLargeEntries)
{
    zip_site site;
    const std::uint64_t chunks = 96 * 16; // 64 KiB each
    ASSERT_TRUE(make_zip(site.dir / "a.zip", {{"zeros.bin", std::string(64 * 1024, '\0'), reg_file | 0644, 0, 0,
                                               chunks}}));
    rusage before;
    getrusage(RUSAGE_SELF, &before);
    ASSERT_EQ(zip_to_file("a.zip", "out/", nullptr, 0), 0);
    rusage after;
    getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 32 * 1024); // KiB
    EXPECT_EQ(lstat_of(site.out("zeros.bin")).st.st_size, off_t(chunks * 64 * 1024));
}

constexpr std::uint64_t four_gib = std::uint64_t(1) << 32;

std::string le64(std::uint64_t v)
{
    std::string s;
    for (int i = 0; i < 8; ++i) s += static_cast<char>(v >> (8 * i) & 0xff);
    return s;
}

// Sizes and offsets found only in the zip64 field: escaped although small, and
// a local header past 4 GiB, reachable only through its zip64 offset. The bytes
// before it are a hole, so this costs no disk.
TEST(ZipToFile, Zip64SizesAndOffsetsAreFollowed)
{
    zip_site site;
    sparse_entry first{"first.txt", 0, "one"}, far{"far/second.txt", 0, "two", four_gib + 100, reg_file | 0600};
    sparse_entry third{"third.txt", 0, "three"};
    first.zip64_always = third.zip64_always = true;
    if (!make_sparse_zip64(site.dir / "a.zip", {first, far, third})) GTEST_SKIP() << "no sparse files here";
    ASSERT_EQ(zip_to_file("a.zip", "out/", nullptr, 0), 0);
    EXPECT_EQ(read_file(site.out("first.txt")), "one");
    EXPECT_EQ(read_file(site.out("far/second.txt")), "two");
    EXPECT_EQ(lstat_of(site.out("far/second.txt")).st.st_mode & 0777, 0600u);
    EXPECT_EQ(read_file(site.out("third.txt")), "three");
}

// A stored entry of 4 GiB + 10 bytes: both sizes live only in the zip64 field
// and the entry after it only has a zip64 offset. The archive is a hole, but
// the extracted file is written in full: about 20 s, so only on request with
// SKY_LARGE_TESTS=1 (the reader's own test covers the entry in the normal run).
TEST(ZipToFile, StoredEntryPastFourGiB)
{
    if (!std::getenv("SKY_LARGE_TESTS")) GTEST_SKIP() << "set SKY_LARGE_TESTS=1 to run";
    zip_site site;
    const std::uint64_t size = four_gib + 10;
    if (!make_sparse_zip64(site.dir / "a.zip", {{"huge.bin", size, ""}, {"after.txt", 0, "after"}}))
        GTEST_SKIP() << "no sparse files here";
    ASSERT_EQ(zip_to_file("a.zip", "out/", nullptr, 0), 0); // size and CRC checked on the way
    EXPECT_EQ(lstat_of(site.out("huge.bin")).st.st_size, off_t(size));
    EXPECT_EQ(read_file(site.out("after.txt")), "after");
}

// zip64 records that lie: each fails the archive with its own log line, keeps
// the entries before it and writes nothing of its own.
TEST(ZipToFile, LyingZip64RecordsFail)
{
    const std::uint64_t far_at = 30 + 9 + 3 + four_gib + 100; // after first.txt's header, name and data
    const std::string far_block = std::string("\x01\x00\x08\x00", 4) + le64(far_at);
    // far's central sizes (3 and 3), name length 3 and extra length 12.
    const std::string far_sizes("\x03\0\0\0\x03\0\0\0\x03\0\x0c\0", 12);
    const struct {
        const char* what;
        std::string from, to;
        const char* log;
    } cases[] = {
        {"offset past the end", far_block, far_block.substr(0, 4) + le64(far_at << 4), "past the end of the archive"},
        {"offset beside the header", far_block, far_block.substr(0, 4) + le64(far_at + 1), "no local header signature"},
        {"escaped sizes without values", far_sizes, std::string(8, '\xff') + far_sizes.substr(8), "holds no value"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        zip_site site;
        xer_capture log;
        if (!make_sparse_zip64(site.dir / "a.zip", {{"first.txt", 0, "one"}, {"far", 0, "two", four_gib + 100}}))
            GTEST_SKIP() << "no sparse files here";
        patch_file_tail(site.dir / "a.zip", c.from, c.to);
        EXPECT_EQ(zip_to_file("a.zip", "out/", nullptr, 0), err_zip_read);
        EXPECT_EQ(read_file(site.out("first.txt")), "one");
        EXPECT_FALSE(lstat_of(site.out("far")).exists);
        site.expect_no_temporaries();
        EXPECT_NE(log.text().find(c.log), std::string::npos) << log.text();
    }
}

// Entries past 2 GiB and 4 GiB (zip64): slow and disk-hungry, so only on request
// with SKY_LARGE_TESTS=1.
TEST(ZipToFile, EntriesPastFourGiB)
{
    if (!std::getenv("SKY_LARGE_TESTS")) GTEST_SKIP() << "set SKY_LARGE_TESTS=1 to run";
    zip_site site;
    const std::uint64_t chunks = (std::uint64_t(4) << 20) + 3; // 4 GiB + 3 KiB in 1 KiB pieces
    ASSERT_TRUE(make_zip(site.dir / "a.zip", {{"small.txt", "s"},
                                               {"huge.bin", pattern_bytes(1024), reg_file | 0644, 0, 0, chunks},
                                               {"after.txt", "a"}}));
    ASSERT_EQ(zip_to_file("a.zip", "out/", nullptr, 0), 0);
    EXPECT_EQ(lstat_of(site.out("huge.bin")).st.st_size, off_t(chunks * 1024));
    EXPECT_EQ(read_file(site.out("after.txt")), "a");
}

} // namespace
