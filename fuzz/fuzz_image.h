// fuzz_image.h - what the image fuzz targets share: fatal alerts turned into
// an exception that the target catches (a reader's fatal alert ends the
// program by design, which is no finding), and a mapped-file reader pointed
// straight at the fuzzer's bytes, so that a read one byte past them is caught.
#pragma once

#include "files/xmap.h"
#include "foundation/hooks.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

struct fuzz_fatal {};

inline void fuzz_alert(int, const alert_lines&, int type, const char*, int)
{
    if (type == t_exit) throw fuzz_fatal{};
}

// Installs the alert hook once.
inline void fuzz_init()
{
    static const bool done = (MACIBM_set_alert_hook(fuzz_alert), true);
    (void)done;
}

// An xmap_class over data: nothing mapped, so its destructor unmaps nothing.
struct fuzz_mapping {
    xmap_class map{""};
    fuzz_mapping(const std::uint8_t* data, std::size_t size)
    {
        static const char empty = 0;
        map.begin = map.cursor = size ? reinterpret_cast<const char*>(data) : &empty;
        map.end = map.begin + size;
    }
    ~fuzz_mapping() { map.begin = map.cursor = map.end = nullptr; }
};

// Reader options taken from the input's last byte, so that the corpus explores them too.
struct fuzz_options {
    unsigned int desired;
    int follow_alpha, make_pow2, row_pixels;
    bool caller_buffer; // the kept 1 MiB buffer with its capacity, else the reader allocates
    explicit fuzz_options(const std::uint8_t* data, std::size_t size)
    {
        const unsigned b = size ? data[size - 1] : 0;
        const unsigned int formats[3] = {0x1907 /* GL_RGB */, 0x1908 /* GL_RGBA */, 0x1906 /* GL_ALPHA */};
        desired = formats[b % 3];
        follow_alpha = (b >> 2) & 1;
        make_pow2 = (b >> 3) & 1;
        caller_buffer = (b >> 4) & 1;
        row_pixels = (b >> 5) & 1 ? 2048 : 0;
    }
};

// Where a reader puts its pixels: the caller's 1 MiB buffer, one for the
// whole process as the program keeps its scratch buffer (a fresh, cleared
// buffer for every input cost a hundred times the read), or, with none, the
// block the reader allocates, freed at the end of the input.
struct fuzz_pixels {
    unsigned char* px;
    std::size_t capacity;
    explicit fuzz_pixels(bool caller_buffer)
    {
        static std::vector<unsigned char> kept(std::size_t(1) << 20);
        px = caller_buffer ? kept.data() : nullptr;
        capacity = caller_buffer ? kept.size() : 0;
        from_caller = caller_buffer;
    }
    ~fuzz_pixels()
    {
        if (!from_caller) std::free(px);
    }
    fuzz_pixels(const fuzz_pixels&) = delete;
    fuzz_pixels& operator=(const fuzz_pixels&) = delete;

private:
    bool from_caller;
};
