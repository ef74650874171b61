// md5.h - MD5 message digests (RFC 1321) and the signature text of a file:
// 32 lower-case hexadecimal digits, the form the manifest lists.
#pragma once

#include <cstddef>
#include <string>

struct stat;

// The state of one digest. Owned by its caller; start each digest with MD5Init.
struct MD5Context {
    unsigned int bit_count[2];  // message bits so far, mod 2^64, low word first
    unsigned int state[4];      // chaining values A, B, C, D
    unsigned char block[64];    // partial input block: (bit_count[0] / 8) % 64 bytes
    unsigned char digest[16];   // the digest, valid after MD5Final
};

// ---- digest core (no failures; any thread, one context per thread) ------------
void MD5Init(MD5Context* context);                                                  // starts a digest
void MD5Update(MD5Context* context, const unsigned char* input, unsigned short length);  // adds up to 65,535 bytes
void MD5UpdateWide(MD5Context* context, const unsigned char* input, unsigned int length); // adds any 32-bit count
void MD5Final(MD5Context* context);                                                 // pads; fills digest

// ---- streaming digest (one feeding thread at a time) ------------------------------
// The signature of bytes that arrive in pieces, digested in place as each piece
// is fed, on the feeder's own thread (no second read, no copy, no thread: an
// extraction digests on the thread that inflates and writes the file). The
// caller's buffer is free again when feed returns.
class MD5Stream {
public:
    MD5Stream() { MD5Init(&ctx_); }

    void feed(const unsigned char* data, std::size_t size); // any size, also past 4 GiB in total
    std::string hex(); // finishes the digest: 32 lower-case hex digits; feed no more after it

private:
    MD5Context ctx_;
    bool finished_ = false;
};

// ---- file signature (main thread) -------------------------------------------------
// Reads app_path + path, opened by IO_open_regular (io_paths.h), in bounded chunks (any size,
// also 4 GiB and more). 0 with hex = the 32-digit signature; err_file_open with
// hex untouched when the path is refused, or the file is missing, is not a
// regular file, or a read fails.
int calc_file_md5(const std::string& path, std::string& hex);

// The signature of a file already open for reading, read from where it stands
// to its end; the descriptor is closed. 0 with hex set, or err_file_open with
// hex untouched when a read fails. Any thread.
int digest_open_file(int fd, std::string& hex);
