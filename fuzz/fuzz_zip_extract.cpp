// libFuzzer target: zip_to_file on arbitrary bytes. The output folder is nested
// two levels down a scratch folder (scratch/a/out/) and emptied after every
// input. Whatever the bytes, extraction must not crash or leak, and must write
// nothing outside the output folder: the target aborts when scratch or
// scratch/a holds anything besides the input archive and a/out, or when the
// absolute name the seeds use appears. Nor may it make a link that leads out:
// every link below a/out, resolved on the disk (links followed, the missing
// rest taken as written), must stay below a/out.
#include "fuzz_scratch.h"

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
        dir = fuzz_scratch_folder();
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

// Aborts when a link below out resolves outside it.
void expect_links_inside(const std::string& out)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const std::string root = fs::canonical(out, ec).string() + "/";
    if (ec) std::abort();
    for (auto it = fs::recursive_directory_iterator(out, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (!it->is_symlink(ec)) continue;
        const std::string where = fs::weakly_canonical(it->path(), ec).string();
        if (ec) { // a loop of links, say: it leads nowhere
            ec.clear();
            continue;
        }
        if ((where + "/").compare(0, root.size(), root) != 0) {
            std::fprintf(stderr, "extraction made a link out of its folder: %s -> %s\n", it->path().c_str(),
                         where.c_str());
            std::abort();
        }
    }
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
    expect_links_inside(out);
    struct stat st;
    if (lstat(absolute_seed_name, &st) == 0) {
        std::fprintf(stderr, "extraction wrote an absolute name: %s\n", absolute_seed_name);
        std::abort();
    }
    std::error_code ec;
    std::filesystem::remove_all(out, ec);
    return 0;
}
