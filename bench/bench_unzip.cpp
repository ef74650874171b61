// zip_to_file over a few hundred archives of mixed sizes (text and incompressible
// data) beside the extractors a user would pick for the same files: one bsdtar
// (libarchive) and one Info-ZIP unzip process over ONE archive holding all of
// them, and `cp -r` of the extracted tree as the floor. The sides alternate
// over several rounds (SKY_BENCH_ROUNDS, default 7), each into a fresh file
// system of its own (fresh_fs); min, median, CPU seconds and ratios are
// printed, then the peak memory of each, from a fresh process; then all of it
// again pinned to two cores (SKY_BENCH_PINNED, default "0,1").
#include "bench_tools.h"
#include "foundation/hl_types.h"
#include "support/zip_builder.h"
#include "files/zip_io.h"

#include <chrono>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int archive_count = 300;

struct archive_set {
    std::string dir;
    std::vector<std::string> archives; // names in dir
    std::string one;                   // all the same entries in one archive, for the peers
    std::uint64_t bytes = 0;           // uncompressed total
    std::size_t largest = 0;           // largest entry
};

std::size_t entry_size(int i)
{
    if (i % 10 < 6) return 2048 + std::size_t(i * 7919) % (62 * 1024);        // small
    if (i % 10 < 9) return 256 * 1024 + std::size_t(i * 104729) % (1792 * 1024); // medium
    return (4 + std::size_t(i) % 9) * 1024 * 1024;                             // large
}

const archive_set& the_set()
{
    static const archive_set set = [] {
        archive_set s;
        s.dir = bench_scratch_dir() + "/unzip-set";
        const bool made = access((s.dir + "/complete-one-dated").c_str(), F_OK) == 0;
        s.one = s.dir + "/all-in-one.zip";
        std::vector<zip_entry_spec> all;
        mkdir(s.dir.c_str(), 0755);
        for (int i = 0; i < archive_count; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "a%03d.zip", i);
            s.archives.push_back(name);
            const std::size_t n = entry_size(i);
            s.bytes += 2 * n;
            s.largest = std::max(s.largest, n);
            if (made) continue;
            const std::string folder = "set" + std::to_string(i) + "/";
            const unsigned long date = product_file_date(std::uint64_t(i));
            std::vector<zip_entry_spec> entries = {{folder, "", 0040755, 0, date},
                                                   {folder + "text.txt", text_bytes(n, i + 1), 0100644, 0, date},
                                                   {folder + "data.bin", random_bytes(n, i + 7), 0100644, 0, date}};
            make_zip(s.dir + "/" + name, entries);
            for (zip_entry_spec& e : entries) all.push_back(std::move(e));
        }
        if (!made) {
            make_zip(s.one, all);
            std::fclose(std::fopen((s.dir + "/complete-one-dated").c_str(), "w"));
        }
        return s;
    }();
    return set;
}

int extract_all(const archive_set& set, const std::string& out)
{
    for (const std::string& a : set.archives)
        if (int err = zip_to_file(set.dir + "/" + a, out, nullptr, 0)) return err;
    return 0;
}

namespace fs = std::filesystem;

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Files and bytes below folder.
std::pair<std::uint64_t, std::uint64_t> tree_size(const std::string& folder)
{
    std::uint64_t files = 0, bytes = 0;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.is_regular_file()) ++files, bytes += e.file_size();
    return {files, bytes};
}

// One timed run into a file system of its own, after a sync, so that no run
// pays for another's write-back or works in the shadow of its deletions; the
// output is checked after the clock stops. The CPU seconds are those of this
// process's threads and of the children it waited for while `work` ran.
side_run timed(const archive_set& set, const std::function<bool(const std::string&)>& work)
{
    const fresh_fs space(set.bytes, 2 * set.archives.size() + set.archives.size());
    const std::string out = space.dir() + "/out/";
    fs::create_directories(out);
    sync();
    const double cpu_before = cpu_seconds_used(), switches_before = context_switches();
    const auto start = std::chrono::steady_clock::now();
    const bool ok = work(out);
    const double secs = seconds_since(start);
    const double cpu = cpu_seconds_used() - cpu_before, switches = context_switches() - switches_before;
    const bool whole = ok && tree_size(out) == std::make_pair(std::uint64_t(2 * set.archives.size()), set.bytes);
    return {whole ? secs : -1, cpu, switches};
}

bool read_through(const std::string& path)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    static char buf[1 << 16];
    while (std::fread(buf, 1, sizeof buf, f) == sizeof buf) {
    }
    std::fclose(f);
    return true;
}

bool child_ok(const std::vector<std::string>& argv) { return run_child(argv).status == 0; }

} // namespace

int main(int argc, char** argv)
{
    // Child mode: one extraction of the set in a fresh process, for its peak memory.
    if (argc == 3 && std::strcmp(argv[1], "--extract-into") == 0) return extract_all(the_set(), argv[2]) ? 1 : 0;

    app_path.clear();
    const archive_set& set = the_set();
    // The tree cp copies, on a file system of its own, and every archive read
    // once so all sides read from the page cache.
    const fresh_fs tree_space(set.bytes, 3 * set.archives.size());
    const std::string tree = tree_space.dir() + "/tree/";
    fs::create_directories(tree);
    if (extract_all(set, tree) != 0 || !read_through(set.one)) {
        std::fprintf(stderr, "could not prepare the set\n");
        return 1;
    }
    print_pass_header();
    const std::vector<contender> sides = {
        {"zip_to_file, 300 archives", [&] { return timed(set, [&](const std::string& o) { return extract_all(set, o) == 0; }); }},
        {"bsdtar -xf, one archive", [&] { return timed(set, [&](const std::string& o) { return child_ok({"bsdtar", "-xf", set.one, "-C", o}); }); }},
        {"unzip -qq, one archive", [&] { return timed(set, [&](const std::string& o) { return child_ok({"unzip", "-qq", set.one, "-d", o}); }); }},
        {"cp -r of the tree (floor)", [&] { return timed(set, [&](const std::string& o) { return child_ok({"cp", "-r", tree + ".", o}); }); }},
    };
    char title[160];
    std::snprintf(title, sizeof title, "extraction of %zu files, %.1f MB (largest entry %zu KiB)",
                  2 * set.archives.size(), static_cast<double>(set.bytes) / 1e6, set.largest / 1024);
    print_comparison(title, alternate(sides, bench_rounds(7)), static_cast<double>(set.bytes) / 1e6, "MB");

    auto peak = [&set](const std::function<std::vector<std::string>(const std::string&)>& argv) {
        const fresh_fs space(set.bytes, 3 * set.archives.size());
        const std::string out = space.dir() + "/out/";
        fs::create_directories(out);
        return peak_kib_of(argv(out));
    };
    const std::string self = fs::read_symlink("/proc/self/exe"); // run by another program
    const long ours = peak([&](const std::string& o) { return std::vector<std::string>{self, "--extract-into", o}; });
    const long bsdtar = peak([&](const std::string& o) { return std::vector<std::string>{"bsdtar", "-xf", set.one, "-C", o}; });
    const long unzip = peak([&](const std::string& o) { return std::vector<std::string>{"unzip", "-qq", set.one, "-d", o}; });
    std::printf("peak memory: zip_to_file %ld KiB, bsdtar %ld KiB, unzip %ld KiB\n", ours, bsdtar, unzip);
    return in_pinned_pass() || run_pinned_pass({}) ? 0 : 1;
}
