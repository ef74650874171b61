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
#include <sys/stat.h>
#include <unistd.h>

struct fuzz_fatal_alert {};

inline void fuzz_alert_handler(int, const alert_lines&, int type, const char*, int)
{
    if (type == t_exit) throw fuzz_fatal_alert{};
}

// A fresh private folder for the process's scratch files, in memory where
// the machine has a tmpfs: a file rewritten for every input on a disk file
// system is flushed at each close, and the run then waits on the disk.
inline std::string fuzz_scratch_folder()
{
    struct stat st;
    const bool in_memory = stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) && access("/dev/shm", W_OK) == 0;
    std::string tmpl = std::string(in_memory ? "/dev/shm" : "/tmp") + "/sky-fuzz-XXXXXX";
    if (!mkdtemp(tmpl.data())) std::abort();
    return tmpl;
}

struct fuzz_scratch {
    std::string dir; // ends without '/'

    fuzz_scratch()
    {
        dir = fuzz_scratch_folder();
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
