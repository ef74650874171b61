// md5.cpp - the MD5 core and the signature of a file.
//   1. round steps and the block compression
//   2. context functions
//   3. the streaming digest
//   4. calc_file_md5: the file opened by the path rules, read in chunks
#include "files/md5.h"

#include "foundation/hl_types.h"
#include "files/io_errors.h"
#include "io_paths.h"

#include <climits>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

static_assert(UINT_MAX == 0xffffffffu, "MD5 words are 32-bit unsigned ints");

namespace {

// ---- 1. round steps and the block compression -------------------------------

const unsigned char PADDING[64] = {0x80};

inline std::uint32_t rotl(std::uint32_t v, int s) { return (v << s) | (v >> (32 - s)); }

inline std::uint32_t load_le32(const unsigned char* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

inline void store_le32(unsigned char* p, std::uint32_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

// The four round functions, written so that each step has a short dependency
// chain on `a` (F and G as selects, G's two terms added separately).
inline std::uint32_t ff(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                        std::uint32_t x, std::uint32_t t, int s)
{
    a += x + t + (d ^ (b & (c ^ d)));
    return rotl(a, s) + b;
}

inline std::uint32_t gg(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                        std::uint32_t x, std::uint32_t t, int s)
{
    a += x + t + (c & ~d);
    a += b & d;
    return rotl(a, s) + b;
}

inline std::uint32_t hh(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                        std::uint32_t x, std::uint32_t t, int s)
{
    a += x + t + (b ^ c ^ d);
    return rotl(a, s) + b;
}

inline std::uint32_t ii(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                        std::uint32_t x, std::uint32_t t, int s)
{
    a += x + t + (c ^ (b | ~d));
    return rotl(a, s) + b;
}

// Mixes one block of 16 little-endian words into the four state words.
inline void Transform(unsigned int* state, const unsigned int* x)
{
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];

    a = ff(a, b, c, d, x[0], 0xd76aa478, 7);   d = ff(d, a, b, c, x[1], 0xe8c7b756, 12);
    c = ff(c, d, a, b, x[2], 0x242070db, 17);  b = ff(b, c, d, a, x[3], 0xc1bdceee, 22);
    a = ff(a, b, c, d, x[4], 0xf57c0faf, 7);   d = ff(d, a, b, c, x[5], 0x4787c62a, 12);
    c = ff(c, d, a, b, x[6], 0xa8304613, 17);  b = ff(b, c, d, a, x[7], 0xfd469501, 22);
    a = ff(a, b, c, d, x[8], 0x698098d8, 7);   d = ff(d, a, b, c, x[9], 0x8b44f7af, 12);
    c = ff(c, d, a, b, x[10], 0xffff5bb1, 17); b = ff(b, c, d, a, x[11], 0x895cd7be, 22);
    a = ff(a, b, c, d, x[12], 0x6b901122, 7);  d = ff(d, a, b, c, x[13], 0xfd987193, 12);
    c = ff(c, d, a, b, x[14], 0xa679438e, 17); b = ff(b, c, d, a, x[15], 0x49b40821, 22);

    a = gg(a, b, c, d, x[1], 0xf61e2562, 5);   d = gg(d, a, b, c, x[6], 0xc040b340, 9);
    c = gg(c, d, a, b, x[11], 0x265e5a51, 14); b = gg(b, c, d, a, x[0], 0xe9b6c7aa, 20);
    a = gg(a, b, c, d, x[5], 0xd62f105d, 5);   d = gg(d, a, b, c, x[10], 0x02441453, 9);
    c = gg(c, d, a, b, x[15], 0xd8a1e681, 14); b = gg(b, c, d, a, x[4], 0xe7d3fbc8, 20);
    a = gg(a, b, c, d, x[9], 0x21e1cde6, 5);   d = gg(d, a, b, c, x[14], 0xc33707d6, 9);
    c = gg(c, d, a, b, x[3], 0xf4d50d87, 14);  b = gg(b, c, d, a, x[8], 0x455a14ed, 20);
    a = gg(a, b, c, d, x[13], 0xa9e3e905, 5);  d = gg(d, a, b, c, x[2], 0xfcefa3f8, 9);
    c = gg(c, d, a, b, x[7], 0x676f02d9, 14);  b = gg(b, c, d, a, x[12], 0x8d2a4c8a, 20);

    a = hh(a, b, c, d, x[5], 0xfffa3942, 4);   d = hh(d, a, b, c, x[8], 0x8771f681, 11);
    c = hh(c, d, a, b, x[11], 0x6d9d6122, 16); b = hh(b, c, d, a, x[14], 0xfde5380c, 23);
    a = hh(a, b, c, d, x[1], 0xa4beea44, 4);   d = hh(d, a, b, c, x[4], 0x4bdecfa9, 11);
    c = hh(c, d, a, b, x[7], 0xf6bb4b60, 16);  b = hh(b, c, d, a, x[10], 0xbebfbc70, 23);
    a = hh(a, b, c, d, x[13], 0x289b7ec6, 4);  d = hh(d, a, b, c, x[0], 0xeaa127fa, 11);
    c = hh(c, d, a, b, x[3], 0xd4ef3085, 16);  b = hh(b, c, d, a, x[6], 0x04881d05, 23);
    a = hh(a, b, c, d, x[9], 0xd9d4d039, 4);   d = hh(d, a, b, c, x[12], 0xe6db99e5, 11);
    c = hh(c, d, a, b, x[15], 0x1fa27cf8, 16); b = hh(b, c, d, a, x[2], 0xc4ac5665, 23);

    a = ii(a, b, c, d, x[0], 0xf4292244, 6);   d = ii(d, a, b, c, x[7], 0x432aff97, 10);
    c = ii(c, d, a, b, x[14], 0xab9423a7, 15); b = ii(b, c, d, a, x[5], 0xfc93a039, 21);
    a = ii(a, b, c, d, x[12], 0x655b59c3, 6);  d = ii(d, a, b, c, x[3], 0x8f0ccc92, 10);
    c = ii(c, d, a, b, x[10], 0xffeff47d, 15); b = ii(b, c, d, a, x[1], 0x85845dd1, 21);
    a = ii(a, b, c, d, x[8], 0x6fa87e4f, 6);   d = ii(d, a, b, c, x[15], 0xfe2ce6e0, 10);
    c = ii(c, d, a, b, x[6], 0xa3014314, 15);  b = ii(b, c, d, a, x[13], 0x4e0811a1, 21);
    a = ii(a, b, c, d, x[4], 0xf7537e82, 6);   d = ii(d, a, b, c, x[11], 0xbd3af235, 10);
    c = ii(c, d, a, b, x[2], 0x2ad7d2bb, 15);  b = ii(b, c, d, a, x[9], 0xeb86d391, 21);

    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

// Compresses `count` whole blocks straight from the caller's bytes (no copy into
// the context's block).
void transform_blocks(unsigned int* state, const unsigned char* p, std::size_t count)
{
    unsigned int words[16];
    for (; count > 0; --count, p += 64) {
        for (int i = 0; i < 16; ++i) words[i] = load_le32(p + 4 * i);
        Transform(state, words);
    }
}

// The shared update step: count the bits, top up a partial block, run whole
// blocks in place, keep the tail.
void md5_feed(MD5Context* ctx, const unsigned char* input, std::size_t length)
{
    if (length == 0) return;
    std::size_t fill = (ctx->bit_count[0] >> 3) & 63;
    std::uint64_t bits = (std::uint64_t(ctx->bit_count[1]) << 32 | ctx->bit_count[0]) +
                         (std::uint64_t(length) << 3);
    ctx->bit_count[0] = static_cast<std::uint32_t>(bits);
    ctx->bit_count[1] = static_cast<std::uint32_t>(bits >> 32);

    unsigned int* state = ctx->state;
    if (fill > 0) {
        std::size_t take = 64 - fill < length ? 64 - fill : length;
        for (std::size_t i = 0; i < take; ++i) ctx->block[fill + i] = input[i];
        input += take;
        length -= take;
        if (fill + take < 64) return;
        transform_blocks(state, ctx->block, 1);
    }
    transform_blocks(state, input, length / 64);
    input += length & ~std::size_t(63);
    for (std::size_t i = 0; i < (length & 63); ++i) ctx->block[i] = input[i];
}

} // namespace

// ---- 2. context functions ------------------------------------------------------

void MD5Init(MD5Context* context)
{
    context->bit_count[0] = context->bit_count[1] = 0;
    context->state[0] = 0x67452301;
    context->state[1] = 0xefcdab89;
    context->state[2] = 0x98badcfe;
    context->state[3] = 0x10325476;
}

void MD5Update(MD5Context* context, const unsigned char* input, unsigned short length)
{
    md5_feed(context, input, length);
}

void MD5UpdateWide(MD5Context* context, const unsigned char* input, unsigned int length)
{
    md5_feed(context, input, length);
}

void MD5Final(MD5Context* context)
{
    unsigned int saved[2] = {context->bit_count[0], context->bit_count[1]};
    std::size_t fill = (saved[0] >> 3) & 63;
    md5_feed(context, PADDING, fill < 56 ? 56 - fill : 120 - fill);

    unsigned int words[16];
    for (int i = 0; i < 14; ++i) words[i] = load_le32(context->block + 4 * i);
    words[14] = saved[0];
    words[15] = saved[1];
    Transform(context->state, words);
    for (int i = 0; i < 4; ++i) store_le32(context->digest + 4 * i, context->state[i]);
}

// ---- 3. the streaming digest -----------------------------------------------------

namespace {

// 32 lower-case hex digits (no snprintf: for a small file it would cost more
// than the digest itself).
std::string digest_hex(const unsigned char* digest)
{
    static const char digits[] = "0123456789abcdef";
    std::string text(32, '0');
    for (int i = 0; i < 16; ++i) {
        text[2 * i] = digits[digest[i] >> 4];
        text[2 * i + 1] = digits[digest[i] & 15];
    }
    return text;
}

} // namespace

void MD5Stream::feed(const unsigned char* data, std::size_t size) { md5_feed(&ctx_, data, size); }

std::string MD5Stream::hex()
{
    if (!finished_) {
        MD5Final(&ctx_);
        finished_ = true;
    }
    return digest_hex(ctx_.digest);
}

// ---- 4. calc_file_md5 ----------------------------------------------------------

namespace {

constexpr std::size_t md5_chunk = 64 * 1024; // bounded: memory never grows with the file

// Digests every byte of the open file; false when a read fails.
bool digest_fd(int fd, MD5Context* ctx)
{
    unsigned char buf[md5_chunk];
    for (;;) {
        ssize_t got = read(fd, buf, sizeof buf);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) return true;
        MD5UpdateWide(ctx, buf, static_cast<unsigned int>(got));
    }
}

} // namespace

int calc_file_md5(const std::string& path, std::string& hex)
{
    if (path.empty()) return err_file_open;
    struct stat st;
    int fd = IO_open_regular(path, st, "calc_file_md5");
    if (fd < 0) return err_file_open;
    return digest_open_file(fd, hex);
}

int digest_open_file(int fd, std::string& hex)
{
    MD5Context ctx;
    MD5Init(&ctx);
    posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    bool ok = digest_fd(fd, &ctx);
    close(fd);
    if (!ok) return err_file_open;

    MD5Final(&ctx);
    hex = digest_hex(ctx.digest);
    return 0;
}
