// MD5 digests: the RFC 1321 vectors, inputs split at every kind of boundary,
// files around the block and read-chunk sizes, and the failure contract.
#include "files/md5.h"

#include "files_fixture.h"
#include "files/io_errors.h"
#include "support/testkit.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

std::string hex_of(const MD5Context& ctx)
{
    char text[33];
    for (int i = 0; i < 16; ++i) std::snprintf(text + 2 * i, 3, "%02x", ctx.digest[i]);
    return text;
}

const unsigned char* bytes(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

std::string digest_in_pieces(const std::string& msg, std::size_t piece)
{
    MD5Context ctx;
    MD5Init(&ctx);
    for (std::size_t at = 0; at < msg.size(); at += piece) {
        std::size_t n = std::min(piece, msg.size() - at);
        MD5Update(&ctx, bytes(msg) + at, static_cast<unsigned short>(n));
    }
    MD5Final(&ctx);
    return hex_of(ctx);
}

std::string digest_whole(const std::string& msg)
{
    MD5Context ctx;
    MD5Init(&ctx);
    MD5UpdateWide(&ctx, bytes(msg), static_cast<unsigned int>(msg.size()));
    MD5Final(&ctx);
    return hex_of(ctx);
}

struct digest_case {
    std::string msg;
    const char* md5;
};

TEST(Md5, Rfc1321Vectors)
{
    const digest_case cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
        {std::string(1000000, 'a'), "7707d6ae4e027c70eea2a935c2296f21"},
    };
    for (const digest_case& c : cases) {
        SCOPED_TRACE(c.msg.substr(0, 20));
        EXPECT_EQ(digest_whole(c.msg), c.md5);
    }
}

// Any split of the input gives the digest of the whole: pieces that leave the
// block partly filled, exactly full, and wider than a block.
TEST(Md5, PiecesAreInvisible)
{
    const std::string msg = pattern_bytes(200000);
    const std::string whole = digest_whole(msg);
    EXPECT_EQ(whole, "224f347f35d6ebc93480a7edcd4ebefd");
    for (std::size_t piece : {1, 7, 63, 64, 65, 4097, 65535}) {
        SCOPED_TRACE(piece);
        EXPECT_EQ(digest_in_pieces(msg, piece), whole);
    }
}

// The streaming digest gives the digest of the whole for every split: files
// of every size class an installation meets (empty, a few bytes, around the
// 64-byte block and the 56-byte padding limit, around the extraction's 256 KiB
// output chunk, several MiB), fed in pieces smaller and larger than a block,
// ending inside one or on its edge.
TEST(Md5Stream, GivesTheDigestOfTheWholeForEverySplit)
{
    const std::size_t chunk = 256 * 1024; // what the extraction hands on at a time
    const struct {
        std::size_t size;
        std::size_t piece;
    } cases[] = {
        {0, 1},          {1, 1},          {55, 55},          {56, 7},             {63, 7},
        {64, 64},        {65, 1000},      {4095, 100},       {chunk - 1, chunk},  {chunk, chunk},
        {chunk + 1, chunk}, {chunk + 1, 1}, {3 * chunk + 17, chunk - 3}, {5 << 20, chunk}, {(5 << 20) + 9, 333333},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.size) + " in pieces of " + std::to_string(c.piece));
        const std::string msg = pattern_bytes(c.size);
        MD5Stream stream;
        for (std::size_t at = 0; at < msg.size(); at += c.piece)
            stream.feed(bytes(msg) + at, std::min(c.piece, msg.size() - at));
        EXPECT_EQ(stream.hex(), digest_whole(msg));
        EXPECT_EQ(stream.hex(), digest_whole(msg)); // finished once, asked again
    }
}

// MD5Update keeps the low 16 bits of a wider count.
TEST(Md5, NarrowUpdateTakesSixteenBits)
{
    const std::string msg = pattern_bytes(65536 + 3);
    MD5Context ctx;
    MD5Init(&ctx);
    MD5Update(&ctx, bytes(msg), static_cast<unsigned short>(msg.size()));
    MD5Final(&ctx);
    EXPECT_EQ(hex_of(ctx), digest_whole(msg.substr(0, 3)));
}

// Files of the pattern around the 64-byte block, the 56-byte padding limit and
// the 64 KiB read chunk; references from an independent MD5.
TEST(CalcFileMd5, FilesAroundBlockAndChunkSizes)
{
    const struct {
        std::size_t size;
        const char* md5;
    } cases[] = {
        {0, "d41d8cd98f00b204e9800998ecf8427e"},
        {55, "d39f7454bbe034082797e66c125a31ad"},
        {56, "8e9dbcce67719f0304ad52c59ff3d743"},
        {63, "19a31d9b1afbd6867266fd6cf4c8821f"},
        {64, "8d9cfa334d4e690843fa68e59c798b84"},
        {65, "72d8b171f7f46898ee558ad1a86fb907"},
        {127, "57aaebf11a34753459f9b60e725d4f4a"},
        {128, "8ce39ed43121181a0846c282c5ce287a"},
        {65535, "207e5290d6c3a00a6c3245167c6408d4"},
        {65536, "41e5dcf3b53b0383f708e15a959015b8"},
        {65537, "38708aed1ecdbc550d8de92139247363"},
        {131071, "021b36d087c3624f38acb4d29257dfdf"},
        {200000, "224f347f35d6ebc93480a7edcd4ebefd"},
    };
    temp_dir dir;
    app_path_guard prefix(dir.path() + "/");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        write_file(dir / "f.bin", pattern_bytes(c.size));
        std::string hex;
        ASSERT_EQ(calc_file_md5("f.bin", hex), 0);
        EXPECT_EQ(hex, c.md5);
    }
}

TEST(CalcFileMd5, UnreadableLeavesHexAlone)
{
    temp_dir dir;
    app_path_guard prefix(dir.path() + "/");
    for (const char* path : {"", "missing.bin", "folder/"}) {
        SCOPED_TRACE(path);
        std::string hex = "marker";
        EXPECT_EQ(calc_file_md5(path, hex), err_file_open);
        EXPECT_EQ(hex, "marker");
    }
    // Refused with a log line, whatever lies there.
    for (const refused_source& c : make_refused_sources(dir.path())) {
        SCOPED_TRACE(c.path);
        xer_capture log;
        std::string hex = "marker";
        EXPECT_EQ(calc_file_md5(c.path, hex), err_file_open);
        EXPECT_EQ(hex, "marker");
        EXPECT_NE(log.text().find(std::string("calc_file_md5: ") + c.log), std::string::npos) << log.text();
    }
}

// While the case lookup is on, a path differing from the disk in letter case
// only reads the file; with it off, the same path is missing.
TEST(CalcFileMd5, ResolvesLetterCaseWhileLookupIsOn)
{
    temp_dir dir;
    app_path_guard prefix(dir.path() + "/");
    mkdir((dir / "Data").c_str(), 0755);
    write_file(dir / "Data/Sig.BIN", "abc");
    std::string hex;
    EXPECT_EQ(calc_file_md5("data/sig.bin", hex), err_file_open);
    case_lookup_guard lookup(1);
    ASSERT_EQ(calc_file_md5("data/sig.bin", hex), 0);
    EXPECT_EQ(hex, "900150983cd24fb0d6963f7d28e17f72");
}

// Past 2^32 bits (512 MiB) the bit count needs its high word. A sparse file
// keeps this quick; skipped where the file system refuses one.
TEST(CalcFileMd5, BitCountCarriesIntoHighWord)
{
    temp_dir dir;
    const std::string path = dir / "big.bin";
    if (!make_sparse_file(path, (off_t(1) << 29) + 100)) GTEST_SKIP() << "no sparse files here";
    app_path_guard prefix("");
    std::string hex;
    ASSERT_EQ(calc_file_md5(path, hex), 0);
    EXPECT_EQ(hex, "2fd298086ae19f076b408e275af7598c");
}

// Past 4 GiB every byte still counts: a sparse file of 4 GiB + 123 bytes whose
// last four are "tail" (digest from md5sum). Slow: only on request with
// SKY_LARGE_TESTS=1.
TEST(CalcFileMd5, FilesPastFourGiB)
{
    if (!std::getenv("SKY_LARGE_TESTS")) GTEST_SKIP() << "set SKY_LARGE_TESTS=1 to run";
    temp_dir dir;
    if (!make_sparse_file(dir / "big.bin", (off_t(1) << 32) + 123, "tail")) GTEST_SKIP() << "no sparse files here";
    app_path_guard prefix(dir.path() + "/");
    std::string hex;
    ASSERT_EQ(calc_file_md5("big.bin", hex), 0);
    EXPECT_EQ(hex, "8a449aeb1145378dcbae25040eeff8e3");
}

} // namespace
