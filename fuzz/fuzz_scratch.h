// fuzz_scratch.h - what the text fuzz targets share: a scratch folder that
// lives as long as the process, an input written to a file in it, and an
// alert handler that turns a fatal alert into an exception the target catches
// (a notice is dropped): refusing an input with a fatal alert is no fault.
#pragma once

#include "foundation/hooks.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

struct fuzz_fatal_alert {};

inline void fuzz_alert_handler(int, const alert_lines&, int type, const char*, int)
{
    if (type == t_exit) throw fuzz_fatal_alert{};
}

struct fuzz_scratch {
    std::string dir; // ends without '/'

    fuzz_scratch()
    {
        char tmpl[] = "/tmp/sky-fuzz-XXXXXX";
        if (!mkdtemp(tmpl)) std::abort();
        dir = tmpl;
        MACIBM_set_alert_hook(fuzz_alert_handler);
    }
    ~fuzz_scratch()
    {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    // Writes the bytes to dir/name and returns that path; aborts when it cannot.
    std::string write(const std::string& name, const std::uint8_t* data, std::size_t size) const
    {
        const std::string path = dir + "/" + name;
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0) std::abort();
        return path;
    }
};

// Aborts with the reason when a property of the target does not hold.
inline void fuzz_expect(bool holds, const char* what)
{
    if (holds) return;
    std::fprintf(stderr, "fuzz property broken: %s\n", what);
    std::abort();
}
