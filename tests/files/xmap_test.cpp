// The mapped-file reader: mapping, refusals, the common header, word reads.
#include "files/xmap.h"

#include "files/find_path.h"
#include "foundation/hl_types.h"
#include "support/testkit.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <vector>

namespace {

struct header_case {
    const char* name;
    std::string bytes;
    int type;
    std::vector<int> versions; // without the closing 0
    const char* keyword;
    int want;                  // result of check_file
    long cursor;               // offset of the cursor afterwards; -1: not checked
    int swap;                  // swap_bytes afterwards; -1: not checked
};

std::string S(const char* p, std::size_t n) { return std::string(p, n); }

TEST(CheckFile, HeaderBytesGiveTheVersionOrNothing)
{
    const std::string dvd = "I\r\n\r\n  900 version\r\nDVD\r\n\tVERSION x";
    const header_case cases[] = {
        {"written by the program", "I\n9001 version\nkey 1\n", io_text, {9001}, nullptr, 9001, 15, -1},
        {"A as type letter", "A\n9001 version\nk", io_text, {9001}, nullptr, 9001, 15, -1},
        {"rest of line 1 ignored", "I whatever\n9001\nk", io_text, {9001}, nullptr, 9001, 16, -1},
        {"blank before the letter", " I\n9001 version\n", io_text, {9001}, nullptr, 0, -1, -1},
        {"byte-order mark", "\xEF\xBB\xBFI\n9001 version\n", io_text, {9001}, nullptr, 0, -1, -1},
        {"other version", "I\n9000 version\nk", io_text, {9001}, nullptr, 0, -1, -1},
        {"second of two versions", "I\n900 version\nINSTALLER\nDIR a", io_text, {840, 900}, "INSTALLER", 900, 24, -1},
        {"CR LF, empty lines, indent", dvd, io_text, {900}, "DVD", 900, long(dvd.size()) - 9, -1},
        {"NUL between header lines", S("I\0\0009001 version\0k", 17), io_text, {9001}, nullptr, 9001, 16, -1},
        {"ends after the keyword", "I\n900 version\nDVD", io_text, {900}, "DVD", 900, 17, -1},
        {"keyword with a letter more", "I\n900 version\nDVDX\n", io_text, {900}, "DVD", 0, 14, -1},
        {"keyword missing", "I\n900 version\n", io_text, {900}, "DVD", 0, 14, -1},
        {"keyword case differs", "I\n900\ndvd\n", io_text, {900}, "DVD", 0, 6, -1},
        {"negative version", "I\n-5\n", io_text, {-5}, nullptr, -5, -1, -1},
        {"minus then plus", "I\n-+5\n", io_text, {5}, nullptr, 5, -1, -1},
        {"blank after the sign", "I\n- 5\n", io_text, {5}, nullptr, 0, -1, -1},
        {"letter counted as a digit", "I\n9a\n", io_text, {139}, nullptr, 139, -1, -1},
        {"version 0 never matches", "I\n0\n", io_text, {}, nullptr, 0, -1, -1},
        {"truncated: letter only", "I", io_text, {9001}, nullptr, 0, -1, -1},
        {"truncated: no version", "I\n", io_text, {9001}, nullptr, 0, -1, -1},
        {"truncated inside the version", "I\n90", io_text, {90}, nullptr, 90, 4, -1},
        {"binary bytes as text", S("\x89PNG\r\n\x1a\n\0\0", 10), io_text, {9001}, nullptr, 0, -1, -1},
        {"binary, little-endian", S("i\x84\x03\0\0data", 9), io_binary, {900}, nullptr, 900, 5, 0},
        {"binary, big-endian", S("a\0\0\x03\x84", 5), io_binary, {900}, nullptr, 900, 5, 1},
        {"binary 700 as written", S("i\xBC\x02\0\0", 5), io_binary, {700, 740}, nullptr, 700, 5, 0},
        {"binary, three bytes", S("i\x84\x03", 3), io_binary, {900}, nullptr, 0, -1, -1},
        {"binary, other type byte", S("I\x84\x03\0\0", 5), io_binary, {900}, nullptr, 0, -1, -1},
        {"binary, 8000 but not 800", S("i\x20\x03\0\0", 5), io_binary, {700, 8000}, nullptr, 0, -1, -1},
    };
    temp_dir dir;
    for (const header_case& c : cases) {
        SCOPED_TRACE(c.name);
        write_file(dir / "f", c.bytes);
        xmap_class m(dir / "f");
        ASSERT_NE(m.begin, nullptr);
        std::vector<int> list = c.versions;
        list.push_back(0);
        EXPECT_EQ(m.check_file(c.type, list.data(), c.keyword, nullptr), c.want);
        if (c.cursor >= 0) { EXPECT_EQ(m.cursor - m.begin, c.cursor); }
        if (c.swap >= 0) { EXPECT_EQ(m.swap_bytes, c.swap); }
        EXPECT_TRUE(m.begin <= m.cursor && m.cursor <= m.end);
    }
}

TEST(CheckFile, RestTextAndRepeatedChecks)
{
    temp_dir dir;
    write_file(dir / "f", "I\n9001 version (c) Maker  \nk v\n");
    xmap_class m(dir / "f");
    const int v[] = {9001, 0};
    std::string rest = "old";
    EXPECT_EQ(m.check_file(io_text, v, nullptr, &rest), 9001);
    EXPECT_EQ(rest, "version (c) Maker  ");
    m.cursor = m.end;
    EXPECT_EQ(m.check_file(io_text, v, nullptr, &rest), 9001); // starts again from begin
    EXPECT_EQ(*m.cursor, 'k');

    write_file(dir / "g", "I\n9001\n");
    xmap_class bare(dir / "g");
    EXPECT_EQ(bare.check_file(io_text, v, nullptr, &rest), 9001);
    EXPECT_EQ(rest, "");
}

TEST(CheckFile, BadTypeIsAProgramFault)
{
    alert_recorder alerts;
    temp_dir dir;
    write_file(dir / "f", "I\n9001\n");
    xmap_class m(dir / "f");
    const int v[] = {9001, 0};
    EXPECT_THROW(m.check_file(10002, v, nullptr, nullptr), fatal_alert);
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].lines.l1, "Bad check_file type!");
}

TEST(Xmap, MapsWholeFilesAndEmptyOnes)
{
    temp_dir dir;
    write_file(dir / "data", "hello");
    write_file(dir / "empty", "");
    {
        xmap_class m(dir / "data");
        ASSERT_NE(m.begin, nullptr);
        EXPECT_EQ(std::string(m.begin, m.end), "hello");
        EXPECT_EQ(m.cursor, m.begin);
        EXPECT_GE(m.fd, 0);
        // retry on a live object releases the old mapping first
        EXPECT_NE(m.retry(dir / "empty"), nullptr);
        EXPECT_EQ(m.begin, m.end);
        const int v[] = {9001, 0};
        EXPECT_EQ(m.check_file(io_text, v, nullptr, nullptr), 0);
    }
    xmap_class none("");
    EXPECT_EQ(none.begin, nullptr);
    EXPECT_EQ(none.fd, -1);
}

TEST(Xmap, WhatCannotBeMappedLeavesNothingMapped)
{
    temp_dir dir;
    xer_capture log;
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0644), 0);
    mkdir((dir / "folder").c_str(), 0755);
    // Real files behind the refused names: only the refusal can leave them unmapped.
    write_file(dir / "a\\b", "data");
    write_file(dir / "c:d", "data");
    struct refusal {
        std::string path;
        const char* log_text; // nullptr: refused without a log line
    };
    const refusal cases[] = {
        {dir / "missing", nullptr},
        {dir / "folder", "xmap: not a regular file: "},
        {dir / "fifo", "xmap: not a regular file: "}, // must not block waiting for a writer
        {dir / "a\\b", "xmap: bad folder character in path: "},
        {dir / "c:d", "xmap: bad folder character in path: "},
        {dir / std::string(500, 'x'), "xmap: path too long: "},
    };
    // None may alert, let alone end the program.
    for (const refusal& c : cases) {
        SCOPED_TRACE(c.path.substr(0, 80));
        const std::size_t logged_before = log.text().size();
        xmap_class m(c.path);
        EXPECT_EQ(m.begin, nullptr);
        EXPECT_EQ(m.end, nullptr);
        EXPECT_EQ(m.fd, -1);
        const std::string this_case = log.text().substr(logged_before);
        if (c.log_text) {
            EXPECT_EQ(this_case, c.log_text + c.path + "\n");
        } else {
            EXPECT_EQ(this_case, "");
        }
    }
}

TEST(Xmap, DescriptorZeroIsARealDescriptor)
{
    temp_dir dir;
    write_file(dir / "f", "abc");
    const int saved = dup(0);
    ASSERT_GE(saved, 0);
    close(0);
    bool closed_by_destructor = false;
    {
        xmap_class m(dir / "f");
        EXPECT_EQ(m.fd, 0);
        EXPECT_NE(m.begin, nullptr);
    }
    closed_by_destructor = fcntl(0, F_GETFD) == -1;
    dup2(saved, 0);
    close(saved);
    EXPECT_TRUE(closed_by_destructor);
}

TEST(Xmap, ProgramFolderPrefixAndLetterCase)
{
    temp_dir dir;
    mkdir((dir / "Res").c_str(), 0755);
    write_file(dir / "Res/file.txt", "x");
    app_path = dir.path() + "/";
    g_case_sensitive = 1;
    xmap_class m("res/FILE.TXT");
    g_case_sensitive = 0;
    xmap_class exact("res/FILE.TXT");
    EXPECT_NE(m.begin, nullptr);
    EXPECT_EQ(exact.begin, nullptr);

    alert_recorder alerts;
    EXPECT_THROW(xmap_class twice(dir / "Res/file.txt"), fatal_alert); // already holds app_path
    app_path.clear();
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].lines.l4, dir / "Res/file.txt");
}

TEST(ReadNRev, SwapsWholeWordsAndStopsAtTheEnd)
{
    temp_dir dir;
    write_file(dir / "f", S("a\0\0\0\x01" "ABCDEF", 11));
    xer_capture log;
    xmap_class m(dir / "f");
    const int v[] = {1, 0};
    ASSERT_EQ(m.check_file(io_binary, v, nullptr, nullptr), 1);
    char out[8] = {};
    ASSERT_EQ(m.read_n_rev(out, 6), 1);
    EXPECT_EQ(std::string(out, 6), "DCBAEF");
    EXPECT_EQ(m.cursor, m.end);
    EXPECT_EQ(m.read_n_rev(out, 1), 0);
    EXPECT_EQ(m.cursor, m.end);
    EXPECT_NE(log.text().find("Invalid read_n_rev read!"), std::string::npos);
}

} // namespace
