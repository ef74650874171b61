// libFuzzer target: zip_to_file on arbitrary bytes. The output folder is nested
// two levels down a scratch folder (scratch/a/out/) and emptied after every
// input. Whatever the bytes, extraction must not crash or leak, and must write
// nothing outside the output folder: the target aborts when scratch or
// scratch/a holds anything besides the input archive and a/out, or when the
// absolute name the seeds use appears.
#include "files/zip_io.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The absolute entry name of the seed "absolute.zip" (make_zip_seeds.cpp).
const char* const absolute_seed_name = "/tmp/sky-fuzz-escaped";

struct scratch {
    std::string dir;
    scratch()
    {
        char tmpl[] = "/tmp/sky-fuzz-XXXXXX";
        if (!mkdtemp(tmpl)) std::abort();
        dir = tmpl;
        if (mkdir((dir + "/a").c_str(), 0755) != 0) std::abort();
    }
    ~scratch()
    {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

// Aborts, naming the stray entry, when dir holds a name not in `allowed`.
void expect_only(const std::string& dir, const std::set<std::string>& allowed)
{
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec)) {
        const std::string name = e.path().filename().string();
        if (allowed.count(name)) continue;
        std::fprintf(stderr, "extraction wrote outside its folder: %s/%s\n", dir.c_str(), name.c_str());
        std::abort();
    }
    if (ec) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static scratch s;
    const std::string archive = s.dir + "/in.zip", out = s.dir + "/a/out/";
    if (FILE* f = std::fopen(archive.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    mkdir(out.c_str(), 0755);
    std::string first;
    zip_to_file(archive, out, &first, 0);
    expect_only(s.dir, {"in.zip", "a"});
    expect_only(s.dir + "/a", {"out"});
    struct stat st;
    if (lstat(absolute_seed_name, &st) == 0) {
        std::fprintf(stderr, "extraction wrote an absolute name: %s\n", absolute_seed_name);
        std::abort();
    }
    std::error_code ec;
    std::filesystem::remove_all(out, ec);
    return 0;
}
