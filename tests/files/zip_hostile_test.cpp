// Hostile archives against the confinement rules: links that leave the
// output folder (or the product folder), archives listed for one file that
// hold another, more bytes than listed or other bytes than signed, entries
// that share their data (a zip bomb), sizes that lie, checked under a file-size
// limit; and the plain message of every code the zip layer returns.
#include "files/zip_io.h"

#include "files/io_errors.h"
#include "files/md5.h"
#include "support/disc_fixture.h"
#include "support/testkit.h"
#include "support/thread_starts.h"
#include "support/zip_builder.h"
#include "zip_site.h"

#include <gtest/gtest.h>

#include <minizip/unzip.h>
#include <zlib.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
#include <unistd.h>

namespace {

std::string upper(std::string s)
{
    for (char& ch : s) ch = char(std::toupper(static_cast<unsigned char>(ch)));
    return s;
}

// ---- links ------------------------------------------------------------------------

// Targets read lexically from the link's own folder: they may climb as far as
// the output folder and no further; an absolute one, or ".." after a name
// (which could climb through a link the archive made), is refused, and the
// archive fails without making the link.
TEST(ZipToFile, LinksStayInsideTheOutputFolder)
{
    const struct {
        const char* link;
        const char* target;
        const char* refused; // the log's reason; null: made
    } cases[] = {
        {"l", "/tmp/sky-link-escape", "is absolute"},
        {"l", "../outside", "climbs out of the folder it is confined to"},
        {"l", "..", "climbs out of the folder it is confined to"},
        {"l", "", "is empty"},
        {"sub/l", "../../outside/x", "climbs out of the folder it is confined to"},
        {"sub/./l", "../../x", "climbs out of the folder it is confined to"},
        {"l", "a/../../x", "after a name"},
        {"l", "up/..", "after a name"}, // with "up -> ." this would be the folder above
        {"l", "file.txt", nullptr},
        {"l", ".", nullptr},
        {"l", "./sub//file.txt", nullptr},
        {"sub/l", "../file.txt", nullptr},
        {"sub/./l", "../file.txt", nullptr},
        {"sub/deeper/l", "../../file.txt", nullptr},
        {"sub/l", "./../sub/../x", "after a name"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.link) + " -> " + c.target);
        zip_site site;
        xer_capture log;
        const int err = site.extract({{"file.txt", "data", reg_file | 0644},
                                      {"sub/", "", dir_type | 0755},
                                      {"sub/deeper/", "", dir_type | 0755},
                                      {c.link, c.target, sym_link | 0777}});
        const stat_result made = lstat_of(site.out(c.link));
        if (c.refused) {
            EXPECT_EQ(err, err_zip_refused);
            EXPECT_FALSE(made.exists);
            EXPECT_NE(log.text().find(c.refused), std::string::npos) << log.text();
        } else {
            EXPECT_EQ(err, 0);
            EXPECT_TRUE(made.exists && S_ISLNK(made.st.st_mode));
        }
        EXPECT_TRUE(list_dir(site.dir / "outside").empty());
        site.expect_no_temporaries();
    }
}

// ---- the archive of one listed file ---------------------------------------------

constexpr const char* user_file = "the user's own file";

// The product folder is out/, the listed file out/Resources/a.txt with an old
// copy, beside the user's own out/Resources/mine.txt and a file the links
// may point at, out/Data/b.txt.
struct listed_site : zip_site {
    listed_site()
    {
        mkdir(out("Resources").c_str(), 0755);
        mkdir(out("Data").c_str(), 0755);
        write_file(out("Resources/a.txt"), "old");
        write_file(out("Resources/mine.txt"), user_file);
        write_file(out("Data/b.txt"), "linked");
    }
    int extract_listed(const std::vector<zip_entry_spec>& entries, unsigned long long max_size,
                       const std::string& signature, const std::string& path = "Resources/a.txt")
    {
        EXPECT_TRUE(make_zip(dir / "a.zip", entries));
        return zip_listed_to_file("a.zip", {"out/", path, max_size, signature});
    }
    // The same in two steps, as a worker and the install step split it: the
    // old file stands until the ready one is put in place; kept_log receives
    // what the first step logged.
    int extract_listed_in_two_steps(const std::vector<zip_entry_spec>& entries, unsigned long long max_size,
                                    const std::string& signature, std::string& kept_log)
    {
        EXPECT_TRUE(make_zip(dir / "a.zip", entries));
        zip_ready_file ready;
        const std::string root = app_path + "out/";
        const int first = zip_ready_listed(app_path + "a.zip", {root, "Resources/a.txt", max_size, signature}, ready);
        EXPECT_EQ(read_file(out("Resources/a.txt")), "old") << "changed before its turn";
        EXPECT_EQ(ready.err, first);
        kept_log = ready.log;
        zip_ready_file moved = std::move(ready); // as it leaves the worker
        return zip_put_in_place(moved);
    }
};

TEST(ZipListedToFile, WritesOnlyTheListedFileWithinItsSizeAndSignature)
{
    const std::string big = pattern_bytes(100000), k2 = pattern_bytes(2048), k3 = pattern_bytes(3000);
    const std::string large = pattern_bytes(3 << 20);
    const std::string sig_new = md5_of("new");
    const struct {
        const char* what;
        std::vector<zip_entry_spec> entries;
        unsigned long long max_size;
        std::string signature;
        int code;
        std::string a_txt; // read through a link
        const char* log;   // null: not checked
    } cases[] = {
        {"the listed file", {{"a.txt", "new", reg_file | 0644}}, 1024, sig_new, 0, "new", nullptr},
        {"signature in capitals", {{"a.txt", "new"}}, 1024, upper(sig_new), 0, "new", nullptr},
        {"no signature listed", {{"a.txt", "anything"}}, 1024, "", 0, "anything", nullptr},
        {"exactly the listed size", {{"a.txt", k2}}, 2048, md5_of(k2), 0, k2, nullptr},
        {"no size listed", {{"a.txt", big}}, 0, md5_of(big), 0, big, nullptr},
        {"a large file", {{"a.txt", large}}, large.size(), md5_of(large), 0, large, nullptr},
        {"a large file of other bytes", {{"a.txt", large}}, large.size(), md5_of(large + "x"), err_zip_signature,
         "old", "differs from the listed signature"},
        {"beside a resource fork", {{"__MACOSX/._a.txt", "fork"}, {"a.txt", "new"}}, 1024, sig_new, 0, "new", nullptr},
        {"other bytes than signed", {{"a.txt", "tampered"}}, 1024, sig_new, err_zip_signature, "old",
         "differs from the listed signature"},
        {"a signature that is no MD5", {{"a.txt", "new"}}, 1024, "abc", err_zip_signature, "old", "\"abc\""},
        {"more bytes than listed", {{"a.txt", k3}}, 2048, md5_of(k3), err_zip_too_large, "old",
         "declares 3000 bytes, more than the 2048 listed"},
        {"a foreign entry", {{"mine.txt", "pwned"}}, 1024, sig_new, err_zip_foreign, "old",
         "is listed for \"Resources/a.txt\" only"},
        {"a foreign entry after the listed one", {{"a.txt", "new"}, {"mine.txt", "pwned"}}, 1024, sig_new,
         err_zip_foreign, "new", nullptr},
        {"an entry under the listed path", {{"Resources/a.txt", "new"}}, 1024, sig_new, err_zip_foreign, "old",
         nullptr},
        {"a folder of the listed name", {{"a.txt/", "", dir_type | 0755}}, 1024, sig_new, err_zip_foreign, "old",
         nullptr},
        {"no entry of the listed name", {{"__MACOSX/._a.txt", "fork"}}, 1024, sig_new, err_zip_foreign, "old",
         "holds no entry named \"a.txt\""},
        {"a link: its target is neither sized nor signed", {{"a.txt", "../Data/b.txt", sym_link | 0777}}, 1, sig_new,
         0, "linked", nullptr},
        {"a link out of the product folder", {{"a.txt", "../../outside/x", sym_link | 0777}}, 1024, sig_new,
         err_zip_refused, "old", "climbs out of the folder it is confined to"},
        {"an absolute link", {{"a.txt", "/tmp/sky-listed-escape", sym_link | 0777}}, 1024, sig_new,
         err_zip_refused, "old", "is absolute"},
    };
    for (const auto& c : cases)
        for (const bool in_two_steps : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (in_two_steps ? ", in two steps" : ""));
            listed_site site;
            xer_capture log;
            std::string kept_log;
            const int code = in_two_steps ? site.extract_listed_in_two_steps(c.entries, c.max_size, c.signature, kept_log)
                                          : site.extract_listed(c.entries, c.max_size, c.signature);
            EXPECT_EQ(code, c.code);
            EXPECT_EQ(read_file(site.out("Resources/a.txt")), c.a_txt);
            EXPECT_EQ(read_file(site.out("Resources/mine.txt")), user_file);
            EXPECT_EQ(list_dir(site.out("")).size(), 2u); // Resources and Data, nothing else
            EXPECT_TRUE(list_dir(site.dir / "outside").empty());
            site.expect_no_temporaries();
            if (c.log) {
                // Off the main thread the lines wait for their turn instead of reaching the log.
                const std::string& where = in_two_steps ? kept_log : log.text();
                EXPECT_NE(where.find(c.log), std::string::npos) << where;
            }
            if (in_two_steps) {
                EXPECT_EQ(log.text().find("UNZIP"), std::string::npos) << log.text();
            }
        }
}

// The signature is checked on the bytes as they were inflated and written,
// on the extracting thread: right for files of every size class, stored and
// deflated, around the 256 KiB pieces the inflater hands on (one byte more or
// less, the last byte changed), and no extraction starts a thread of its own.
TEST(ZipListedToFile, ChecksTheSignatureOfEverySizeOnTheExtractingThread)
{
    const std::size_t piece = 256 * 1024;
    const long threads_before = TEST_threads_started();
    for (const std::size_t size : {std::size_t(0), std::size_t(1), std::size_t(55), std::size_t(64), piece - 1, piece,
                                   piece + 1, 3 * piece + 17, std::size_t(5) << 20})
        for (const bool stored : {false, true})
            for (const bool tampered : {false, true}) {
                SCOPED_TRACE(std::to_string(size) + (stored ? " stored" : " deflated") +
                             (tampered ? ", last byte changed" : ""));
                const std::string bytes = pattern_bytes(size);
                std::string sent = bytes;
                if (tampered && !sent.empty()) sent.back() = char(sent.back() ^ 1);
                if (tampered && sent.empty()) sent = "x";
                listed_site site;
                xer_capture log;
                zip_entry_spec e{"a.txt", sent, reg_file | 0644};
                e.stored = stored;
                EXPECT_EQ(site.extract_listed({e}, 0, md5_of(bytes)), tampered ? err_zip_signature : 0);
                EXPECT_EQ(read_file(site.out("Resources/a.txt")), tampered ? std::string("old") : bytes);
                site.expect_no_temporaries();
            }
    EXPECT_EQ(TEST_threads_started(), threads_before) << "an extraction started a thread";
}

// A ready file that is dropped, as when the user cancels with files in
// flight, leaves the old file and nothing else, with or without unnamed files.
TEST(ZipListedToFile, ADroppedReadyFileLeavesTheOldOne)
{
    for (const bool unnamed : {true, false}) {
        SCOPED_TRACE(unnamed ? "unnamed file" : "temporary name");
        zip_use_unnamed_files(unnamed);
        listed_site site;
        ASSERT_TRUE(make_zip(site.dir / "a.zip", {{"a.txt", "new"}}));
        {
            zip_ready_file ready;
            const zip_listed_file listed{app_path + "out/", "Resources/a.txt", 1024, md5_of("new")};
            ASSERT_EQ(zip_ready_listed(app_path + "a.zip", listed, ready), 0);
            // Where no unnamed file can be made, the bytes wait under a temporary name.
            EXPECT_EQ(list_dir(site.out("Resources")).size(), unnamed ? 2u : 3u);
        }
        EXPECT_EQ(read_file(site.out("Resources/a.txt")), "old");
        EXPECT_EQ(list_dir(site.out("Resources")).size(), 2u);
        site.expect_no_temporaries();
        zip_use_unnamed_files(true);
    }
}

// A listed file below the root: its links climb at most to the root.
TEST(ZipListedToFile, LinksClimbNoHigherThanTheRoot)
{
    const struct {
        const char* path;
        const char* target;
        int code;
    } cases[] = {
        {"Resources/a.txt", "../Data/b.txt", 0},
        {"Resources/a.txt", "../../outside/x", err_zip_refused},
        {"Resources/deep/a.txt", "../../Data/b.txt", 0},
        {"Resources/deep/a.txt", "../../../x", err_zip_refused},
        {"a.txt", "Data/b.txt", 0},
        {"a.txt", "../x", err_zip_refused},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.path) + " -> " + c.target);
        listed_site site;
        mkdir(site.out("Resources/deep").c_str(), 0755);
        EXPECT_EQ(site.extract_listed({{"a.txt", c.target, sym_link | 0777}}, 0, "", c.path), c.code);
        EXPECT_EQ(lstat_of(site.out(c.path)).exists && S_ISLNK(lstat_of(site.out(c.path)).st.st_mode), c.code == 0);
    }
}

// A root or path that cannot be used is refused before the archive is opened.
TEST(ZipListedToFile, RefusesUnusableRootsAndPaths)
{
    const struct {
        const char* root;
        std::string path;
        const char* log;
    } cases[] = {
        {"out", "Resources/a.txt", "root does not end in '/'"},
        {"out/", "../a.txt", "climbs out"},
        {"out/", "Resources/../../a.txt", "climbs out"},
        {"out/", "/tmp/a.txt", "is absolute"},
        {"out/", "Resources/", "names no file"},
        {"out/", "Resources/.", "names no file"},
        {"out/", std::string("a\0b", 3), "NUL"},
        {"out/", "Resources/" + std::string(300, 'n'), "longer than an entry name"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        listed_site site;
        xer_capture log;
        ASSERT_TRUE(make_zip(site.dir / "a.zip", {{"a.txt", "new"}}));
        EXPECT_EQ(zip_listed_to_file("a.zip", {c.root, c.path, 0, ""}), err_zip_refused);
        EXPECT_EQ(read_file(site.out("Resources/a.txt")), "old");
        EXPECT_NE(log.text().find(c.log), std::string::npos) << log.text();
    }
}

// ---- entries that share data -----------------------------------------------------------

// 16 central records for one block of zeros: the first entry is written, the
// second is refused before it writes (it would have written the block again,
// 16 times in all).
std::string fan_out_archive(const std::string& dir)
{
    EXPECT_TRUE(make_shared_data_zip(dir + "/fan.zip", {"f00.bin", std::string(1 << 20, '\0'), reg_file | 0644}, 16));
    return read_file(dir + "/fan.zip");
}

void put_le32(std::string& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) b[at + std::size_t(i)] = static_cast<char>(v >> (8 * i) & 0xff);
}

// A stored entry whose data are a whole local entry, with a central record of
// its own pointing inside the first entry's data.
std::string nested_archive(const std::string& dir)
{
    zip_parts inner, outer;
    make_zip(dir + "/inner.zip", {{"f01.bin", "inner data", reg_file | 0644, 0, 0, 1, true}});
    EXPECT_TRUE(split_zip(read_file(dir + "/inner.zip"), inner));
    make_zip(dir + "/outer.zip", {{"f00.bin", inner.local, reg_file | 0644, 0, 0, 1, true}});
    EXPECT_TRUE(split_zip(read_file(dir + "/outer.zip"), outer));
    std::string record = inner.central.at(0);
    put_le32(record, 42, 30 + 7); // the first entry's data: after its header and name
    outer.central.push_back(record);
    return join_zip(outer);
}

TEST(ZipToFile, RefusesEntriesThatShareData)
{
    const struct {
        const char* what;
        std::string (*make)(const std::string& dir);
        std::size_t first_size;
    } cases[] = {
        {"16 entries of one block", fan_out_archive, 1 << 20},
        {"an entry inside another's data", nested_archive, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        zip_site site;
        xer_capture log;
        write_file(site.dir / "a.zip", c.make(site.dir.path()));
        EXPECT_EQ(zip_to_file("a.zip", "out/", nullptr, 0), err_zip_overlap);
        EXPECT_TRUE(lstat_of(site.out("f00.bin")).exists);
        if (c.first_size) {
            EXPECT_EQ(lstat_of(site.out("f00.bin")).st.st_size, off_t(c.first_size));
        }
        EXPECT_FALSE(lstat_of(site.out("f01.bin")).exists);
        EXPECT_EQ(list_dir(site.out("")).size(), 1u);
        EXPECT_NE(log.text().find("overlap another entry's"), std::string::npos) << log.text();
    }
}

// ---- sizes that lie, under a file-size limit ---------------------------------------------

// A deflated entry of `data` whose headers declare `declared` bytes.
zip_entry_spec deflated_declaring(const std::string& name, const std::string& data, std::uint64_t declared)
{
    std::string packed(compressBound(uLong(data.size())) + 64, '\0');
    z_stream zs{};
    deflateInit2(&zs, Z_BEST_SPEED, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    zs.avail_in = uInt(data.size());
    zs.next_out = reinterpret_cast<Bytef*>(&packed[0]);
    zs.avail_out = uInt(packed.size());
    deflate(&zs, Z_FINISH);
    packed.resize(zs.total_out);
    deflateEnd(&zs);
    zip_entry_spec e{name, packed, reg_file | 0644};
    e.raw_deflate = true;
    e.claimed_size = declared;
    e.raw_crc = crc32(0, reinterpret_cast<const Bytef*>(data.data()), uInt(data.size()));
    return e;
}

// In the child: a.zip extracted, listed for out/Resources/a.txt with 4 kB or
// plainly into out/Resources/, with files capped at 64 KiB; exits 0 when the
// result is `code`.
[[noreturn]] void extract_capped(bool listed, int code)
{
    const rlimit small{64 * 1024, 64 * 1024};
    if (setrlimit(RLIMIT_FSIZE, &small) != 0) std::_Exit(3);
    const int err = listed ? zip_listed_to_file("a.zip", {"out/", "Resources/a.txt", 4096, ""})
                           : zip_to_file("a.zip", "out/Resources/", nullptr, 0);
    std::fprintf(stderr, "extraction result %d\n", err);
    std::_Exit(err == code ? 0 : 1);
}

// The extraction runs in a child process whose files may not grow past 64 KiB
// (SIGXFSZ left to kill it): an entry that declares a small size and inflates
// to 8 MiB, or declares more than its listed size, is refused before any of
// its bytes reach the disk. Were the check gone, the child would die by the
// signal and the test fail, instead of the disk filling.
TEST(ZipToFile, SizesThatLieAreRefusedBeforeTheBytesReachTheDisk)
{
    const std::string eight_mib(8 << 20, '\0');
    const struct {
        const char* what;
        zip_entry_spec entry;
        bool listed;
        int code;
    } cases[] = {
        {"declares 1000 bytes, inflates 8 MiB", deflated_declaring("a.txt", eight_mib, 1000), false, err_zip_read},
        {"declares 8 MiB, listed for 4 kB", deflated_declaring("a.txt", eight_mib, eight_mib.size()), true,
         err_zip_too_large},
        {"declares 1000 bytes, inflates 8 MiB, listed for 4 kB", deflated_declaring("a.txt", eight_mib, 1000), true,
         err_zip_read},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        listed_site site;
        ASSERT_TRUE(make_zip(site.dir / "a.zip", {c.entry}));
        EXPECT_EXIT(extract_capped(c.listed, c.code), testing::ExitedWithCode(0),
                    "extraction result " + std::to_string(c.code));
        EXPECT_EQ(read_file(site.out("Resources/a.txt")), "old");
        site.expect_no_temporaries();
    }
}

// ---- messages ------------------------------------------------------------------------------

// Every code that extraction, creation and the MD5 file signature return reads
// as a plain message: never "Unknown error occurred". The own codes and the
// texts of the first rows are kept as they were; what was unknown is added.
TEST(ErrorStr, EveryZipCodeReadsPlainly)
{
    const struct {
        int code;
        const char* words;
    } cases[] = {
        {err_zip_open, "unable to open a zip file"},
        {err_zip_read, "unable to read from a zip file"},
        {err_zip_overlap, "share data"},
        {err_zip_refused, "refused"},
        {err_zip_foreign, "other than the one it was listed for"},
        {err_zip_too_large, "more data than"},
        {err_zip_signature, "checksum mismatch"},
        {err_zip_stopped, "stopped while a file was being extracted"},
        {UNZ_CRCERROR, "checksum (CRC)"},
        {UNZ_BADZIPFILE, "damaged"},
        {UNZ_INTERNALERROR, "damaged"},
        {UNZ_PARAMERROR, "damaged"},
        {-1, "could not be read or written"},
        {err_zip_create, "create a zip file"},
        {err_zip_write, "write to a zip file"},
        {err_zip_too_big, "more than 2 GB"},
        {err_file_open, "could not open a file"},
        {ENOSPC, "full"},
        {EDQUOT, "full"},
        {EFBIG, "too large"},
        {ENOMEM, "memory"},
        {EROFS, "read-only"},
        {EACCES, "Permission denied"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_NE(error_str(c.code).find(c.words), std::string::npos) << error_str(c.code);
    }
    // The errno values the file calls of extraction can give.
    for (int code : {ENOENT, ENOTDIR, EISDIR, ELOOP, ENAMETOOLONG, EEXIST, ENOTEMPTY, EMLINK, EXDEV, EPERM, EIO,
                     EINVAL, EBUSY, EMFILE, ENFILE, ETXTBSY, EOVERFLOW, EOPNOTSUPP, ESTALE, EINTR, EBADF}) {
        SCOPED_TRACE(code);
        EXPECT_EQ(error_str(code).find("Unknown"), std::string::npos) << error_str(code);
    }

    // The damaged archive of the report: a bad CRC.
    zip_site site;
    const int err = site.extract({{"data.txt", "damaged bytes", reg_file | 0644, 0, 0, 1, true, true}});
    EXPECT_EQ(err, UNZ_CRCERROR);
    EXPECT_EQ(error_str(err), "A compressed file is damaged: its data do not match their checksum (CRC)");
}

} // namespace
