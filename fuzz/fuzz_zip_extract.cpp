// libFuzzer target: zip_to_file on arbitrary bytes, into a scratch folder that
// is emptied after every input. Whatever the bytes, extraction must not crash,
// leak, or write outside the folder.
#include "zip_io.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct scratch {
    std::string dir;
    scratch()
    {
        char tmpl[] = "/tmp/sky-fuzz-XXXXXX";
        if (!mkdtemp(tmpl)) std::abort();
        dir = tmpl;
    }
    ~scratch()
    {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static scratch s;
    const std::string archive = s.dir + "/in.zip", out = s.dir + "/out/";
    if (FILE* f = std::fopen(archive.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    mkdir(out.c_str(), 0755);
    std::string first;
    zip_to_file(archive, out, &first, 0);
    std::error_code ec;
    std::filesystem::remove_all(out, ec);
    return 0;
}
