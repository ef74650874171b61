// Zip creation: one file in, the same bytes, mode and date back out through
// extraction; a source that cannot be read makes no archive.
#include "files/zip_io.h"

#include "files_fixture.h"
#include "files/io_errors.h"
#include "support/testkit.h"
#include "files/zip_entry_reader.h"

#include <gtest/gtest.h>

#include <minizip/unzip.h>

#include <cstdlib>
#include <vector>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

struct entry_facts {
    std::string name;
    ZPOS64_T size;
    int count;
};

// What the archive's directory says, zip64 sizes included.
entry_facts read_entry(const std::string& zip_path)
{
    entry_facts facts{"", 0, 0};
    unzFile uf = unzOpen64(zip_path.c_str());
    if (!uf) return facts;
    unz_global_info64 global;
    unzGetGlobalInfo64(uf, &global);
    facts.count = int(global.number_entry);
    zip_entry entry;
    std::vector<char> work(zip_work_size);
    if (unzGoToFirstFile(uf) == UNZ_OK && zip_fetch_entry_info(uf, entry, work.data()) == UNZ_OK) {
        facts.name = entry.name;
        facts.size = entry.info.uncompressed_size;
    }
    unzClose(uf);
    return facts;
}

TEST(FileToZip, RoundTripKeepsBytesModeAndDate)
{
    temp_dir dir;
    app_path_guard prefix(dir.path() + "/");
    mkdir((dir / "bin").c_str(), 0755);
    mkdir((dir / "out").c_str(), 0755);
    write_file(dir / "bin/tool", pattern_bytes(150000));
    chmod((dir / "bin/tool").c_str(), 0750);
    const timeval when[2] = {{1181903400, 0}, {1181903400, 0}}; // an even second: DOS dates keep 2 s
    ASSERT_EQ(utimes((dir / "bin/tool").c_str(), when), 0);

    ASSERT_EQ(file_to_zip("bin/tool", "tool.zip"), 0);
    const entry_facts facts = read_entry(dir / "tool.zip");
    EXPECT_EQ(facts.count, 1);
    EXPECT_EQ(facts.name, "tool");
    EXPECT_EQ(facts.size, 150000u);

    ASSERT_EQ(zip_to_file("tool.zip", "out/", nullptr, 0), 0);
    struct stat st;
    ASSERT_EQ(stat((dir / "out/tool").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0750u);
    EXPECT_EQ(st.st_mtime, 1181903400);
    EXPECT_EQ(read_file(dir / "out/tool"), pattern_bytes(150000));
}

TEST(FileToZip, NameWithoutFolderAndEmptyFile)
{
    temp_dir dir;
    ASSERT_EQ(chdir(dir.path().c_str()), 0) << "the bare name is relative to the working folder";
    app_path_guard prefix("");
    write_file("plain.txt", "");
    ASSERT_EQ(file_to_zip("plain.txt", "plain.zip"), 0);
    const entry_facts facts = read_entry(dir / "plain.zip");
    EXPECT_EQ(facts.name, "plain.txt");
    EXPECT_EQ(facts.size, 0u);
    ASSERT_EQ(chdir("/"), 0);
}

TEST(FileToZip, FailuresMakeNoArchive)
{
    temp_dir dir;
    app_path_guard prefix(dir.path() + "/");
    mkdir((dir / "folder").c_str(), 0755);
    write_file(dir / "real.txt", "data");
    const struct {
        const char* source;
        const char* zip;
        int code;
    } cases[] = {
        {"missing.txt", "a.zip", err_file_open},
        {"folder", "a.zip", err_file_open},
        {"", "a.zip", err_file_open},
        {"real.txt", "no/such/folder/a.zip", err_zip_create},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source);
        EXPECT_EQ(file_to_zip(c.source, c.zip), c.code);
        EXPECT_NE(access((dir / "a.zip").c_str(), F_OK), 0);
    }
    // Refused with a log line, whatever lies there.
    for (const refused_source& c : make_refused_sources(dir.path())) {
        SCOPED_TRACE(c.path);
        xer_capture log;
        EXPECT_EQ(file_to_zip(c.path, "a.zip"), err_file_open);
        EXPECT_NE(access((dir / "a.zip").c_str(), F_OK), 0);
        EXPECT_NE(log.text().find(std::string("file_to_zip: ") + c.log), std::string::npos) << log.text();
    }
}

// While the case lookup is on, a source differing from the disk in letter case
// only is packed; the entry keeps the name as the caller gave it.
TEST(FileToZip, ResolvesLetterCaseWhileLookupIsOn)
{
    temp_dir dir;
    app_path_guard prefix(dir.path() + "/");
    mkdir((dir / "Bin").c_str(), 0755);
    write_file(dir / "Bin/Tool", pattern_bytes(1000));
    EXPECT_EQ(file_to_zip("bin/TOOL", "tool.zip"), err_file_open);
    case_lookup_guard lookup(1);
    ASSERT_EQ(file_to_zip("bin/TOOL", "tool.zip"), 0);
    EXPECT_EQ(read_entry(dir / "tool.zip").name, "TOOL");
    EXPECT_EQ(read_entry(dir / "tool.zip").size, 1000u);
}

// A sparse source past 4 GiB goes in whole (zip64), never cut at 32 bits.
// Slow: only on request with SKY_LARGE_TESTS=1.
TEST(FileToZip, SourcesPastFourGiB)
{
    if (!std::getenv("SKY_LARGE_TESTS")) GTEST_SKIP() << "set SKY_LARGE_TESTS=1 to run";
    temp_dir dir;
    app_path_guard prefix(dir.path() + "/");
    const off_t size = (off_t(4) << 30) + 12345;
    if (!make_sparse_file(dir / "big.bin", size, "end")) GTEST_SKIP() << "no sparse files here";
    ASSERT_EQ(file_to_zip("big.bin", "big.zip"), 0);
    EXPECT_EQ(read_entry(dir / "big.zip").size, ZPOS64_T(size));
    mkdir((dir / "out").c_str(), 0755);
    ASSERT_EQ(zip_to_file("big.zip", "out/", nullptr, 0), 0); // CRC and size checked on the way
    struct stat st;
    ASSERT_EQ(stat((dir / "out/big.bin").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, size);
}

} // namespace
