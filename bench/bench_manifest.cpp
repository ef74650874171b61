// bench_manifest.cpp - reading a 50,000-entry manifest and examining the
// product folder, against md5sum over the same files.
//   1. the generated tree: manifest, product folder, file list, in a temporary folder
//   2. the comparison: the full tree beside md5sum, sides alternated; the empty folder
//   3. main: generate, check, compare, remove the tree
//
// Environment: SKY_BENCH_TREE_MB (default 2560) sets the product tree's total
// size, SKY_BENCH_FILES (default 50000) the number of manifest entries; smaller
// values give a quick run. The tree is written once and read back before timing,
// so both sides hash from the page cache.
#include "engine/engine_hooks.h"
#include "engine/install_records.h"
#include "engine/manifest.h"
#include "engine/stg.h"

#include "bench_tools.h"

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

// ---- 1. the generated tree ---------------------------------------------------

constexpr int area_count = 20;     // top-level folders below the product's top folder
constexpr int tiles_per_area = 15; // folders in each: 300 folders in all
constexpr std::size_t content_bytes = std::size_t(32) << 20; // shared file content

struct tree_plan {
    std::string root;       // temporary folder, ends in '/'
    std::string manifest;   // root + "directory.txt"
    std::string product;    // the full product folder, ends in '/'
    std::string empty;      // an empty product folder, ends in '/'
    std::string file_list;  // NUL-separated paths relative to product, manifest order
    std::size_t files = 0;
    std::uint64_t total_bytes = 0;
};

tree_plan plan;

std::uint64_t env_number(const char* name, std::uint64_t fallback)
{
    const char* text = std::getenv(name);
    if (!text || !*text) return fallback;
    char* end = nullptr;
    const unsigned long long v = std::strtoull(text, &end, 10);
    return (*end == '\0' && v > 0) ? v : fallback;
}

[[noreturn]] void fail(const std::string& what)
{
    std::fprintf(stderr, "bench_manifest: %s: %s\n", what.c_str(), std::strerror(errno));
    std::exit(2);
}

std::uint64_t next_random(std::uint64_t& s) // splitmix64
{
    std::uint64_t z = (s += 0x9e3779b97f4a7c15ull);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return z ^ (z >> 31);
}

bool is_large(std::size_t i) { return i % 200 == 100; }

// A product's mix: most files small (100 B .. 128 KB, spread evenly in
// log-size), one in 200 large, sharing what is left of the budget (a few MB
// each at the default size). A small budget scales the small files down too.
std::vector<std::uint64_t> plan_sizes(std::size_t files, std::uint64_t budget)
{
    std::vector<std::uint64_t> sizes(files);
    std::uint64_t seed = 7, small_total = 0, large_weight = 0;
    for (std::size_t i = 0; i < files; ++i) {
        const double r = double(next_random(seed) >> 11) / double(1ull << 53);
        sizes[i] = is_large(i) ? 1 + next_random(seed) % 12 : std::uint64_t(100.0 * std::pow(1310.72, r));
        (is_large(i) ? large_weight : small_total) += sizes[i];
    }
    const double small_scale = std::min(1.0, 0.4 * double(budget) / double(small_total ? small_total : 1));
    const double large_share = double(budget) - small_scale * double(small_total);
    for (std::size_t i = 0; i < files; ++i)
        sizes[i] = is_large(i) ? std::uint64_t(large_share * double(sizes[i]) / double(large_weight ? large_weight : 1))
                               : std::uint64_t(small_scale * double(sizes[i]));
    return sizes;
}

std::vector<unsigned char> make_content()
{
    std::vector<unsigned char> content(content_bytes);
    std::uint64_t seed = 11;
    for (std::size_t i = 0; i + 8 <= content.size(); i += 8) {
        const std::uint64_t v = next_random(seed);
        std::memcpy(&content[i], &v, 8);
    }
    return content;
}

// Writes size bytes of the shared content, starting at a place of its own so
// that files differ; one write per 32 MB.
void write_tree_file(const std::string& path, std::uint64_t size, std::size_t index,
                     const std::vector<unsigned char>& content)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) fail("cannot create " + path);
    std::size_t offset = (index * 4099) % (content.size() / 2);
    while (size > 0) {
        const std::size_t n = std::size_t(std::min<std::uint64_t>(size, content.size() - offset));
        const ssize_t put = write(fd, content.data() + offset, n);
        if (put <= 0) fail("cannot write " + path);
        size -= std::uint64_t(put);
        offset = 0;
    }
    if (close(fd) != 0) fail("cannot close " + path);
}

std::string folder_of(std::size_t i, std::size_t files)
{
    const std::size_t folder = i * area_count * tiles_per_area / files;
    char name[64];
    std::snprintf(name, sizeof name, "area%02zu/tile%02zu/", folder / tiles_per_area, folder % tiles_per_area);
    return name;
}

std::string file_name_of(std::size_t i)
{
    char name[64];
    std::snprintf(name, sizeof name, is_large(i) ? "terrain %05zu.dsf" : "object_%05zu.obj", i);
    return name;
}

// Writes the files on every core: creating 50,000 files is mostly the file
// system's own work, and the tree is not what is measured.
void write_files_in_parallel(const std::vector<std::string>& paths, const std::vector<std::uint64_t>& sizes)
{
    const std::vector<unsigned char> content = make_content();
    const unsigned workers = std::max(1u, std::min(8u, std::thread::hardware_concurrency()));
    std::vector<std::thread> threads;
    for (unsigned w = 0; w < workers; ++w)
        threads.emplace_back([&, w] {
            for (std::size_t i = w; i < paths.size(); i += workers) write_tree_file(paths[i], sizes[i], i, content);
        });
    for (std::thread& t : threads) t.join();
}

// The manifest text and the product tree it describes; every signature is a
// placeholder, so each file counts as changed (its sizes are summed).
void write_tree(std::size_t files, std::uint64_t budget)
{
    const std::vector<std::uint64_t> sizes = plan_sizes(files, budget);
    std::vector<std::string> paths;
    std::string text = "I\n900 version\nINSTALLER\n", list, folder;
    for (std::size_t i = 0; i < files; ++i) {
        if (folder_of(i, files) != folder) {
            folder = folder_of(i, files);
            std::filesystem::create_directories(plan.product + folder);
            text += "DIR Skylume/" + folder + "\n";
        }
        const std::string name = file_name_of(i);
        const std::uint64_t kb = (sizes[i] + 1023) / 1024;
        text += "FILE 0 0 0 " + std::to_string(kb / 2) + " " + std::to_string(kb) +
                " 0123456789abcdef0123456789abcdef " + name + "\n";
        list += folder + name;
        list += '\0';
        paths.push_back(plan.product + folder + name);
        plan.total_bytes += sizes[i];
    }
    std::ofstream(plan.manifest, std::ios::binary) << text;
    std::ofstream(plan.file_list, std::ios::binary) << list;
    write_files_in_parallel(paths, sizes);
    plan.files = files;
}

void remove_tree()
{
    std::error_code ignored;
    std::filesystem::remove_all(plan.root, ignored);
}

void make_tree()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/sky_bench_manifest.XXXXXX";
    if (!mkdtemp(pattern.data())) fail("cannot make a temporary folder");
    plan.root = pattern + "/";
    std::atexit(remove_tree); // also when a check below ends the program
    plan.manifest = plan.root + "directory.txt";
    plan.product = plan.root + "Full/";
    plan.empty = plan.root + "Empty/";
    plan.file_list = plan.root + "files.lst";
    std::filesystem::create_directories(plan.empty);
    write_tree(env_number("SKY_BENCH_FILES", 50000), env_number("SKY_BENCH_TREE_MB", 2560) << 20);
    sync(); // written back now, not while timing
}

// ---- 2. the comparison -----------------------------------------------------------

// One reading of the manifest against product; the counts of files found and missing.
std::pair<std::size_t, std::size_t> read_against(const std::string& product)
{
    dest_dir_path = product;
    if (read_directory(plan.manifest, "Benchmark") != dir_ready) {
        std::fprintf(stderr, "bench_manifest: the manifest was refused\n");
        std::exit(2);
    }
    std::size_t found = 0, missing = 0;
    for (const file_history_struct& h : sim_info) (h.versions.back().sig_have == "NONE" ? missing : found)++;
    return {found, missing};
}

std::string md5sum_command() // one md5sum per as many files as a command line holds
{
    return "cd '" + plan.product + "' && xargs -0 -a '" + plan.file_list + "' md5sum > /dev/null";
}

void run_md5sum()
{
    if (std::system(md5sum_command().c_str()) != 0) {
        std::fprintf(stderr, "bench_manifest: md5sum failed: %s\n", md5sum_command().c_str());
        std::exit(2);
    }
}

double seconds_of(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The engine's examination of the full tree beside md5sum over the same
// files, sides alternated; then the manifest alone against an empty folder.
void compare(int rounds)
{
    char title[160];
    std::snprintf(title, sizeof title, "examining %zu files, %.1f MB, %ld cores", plan.files,
                  double(plan.total_bytes) / (1 << 20), sysconf(_SC_NPROCESSORS_ONLN));
    print_comparison(title,
                     alternate({{"read_directory, full tree", [] { return seconds_of([] { read_against(plan.product); }); }},
                                {"md5sum, same files", [] { return seconds_of(run_md5sum); }}},
                               rounds),
                     double(plan.total_bytes) / (1 << 20), "MB");
    print_comparison("reading the manifest against an empty folder",
                     alternate({{"read_directory, empty folder", [] { return seconds_of([] { read_against(plan.empty); }); }}},
                               rounds),
                     double(plan.files), "files");
}

// ---- 3. main -----------------------------------------------------------------------

void check_tree()
{
    const auto empty = read_against(plan.empty);
    const auto full = read_against(plan.product); // also reads every file into the page cache
    if (empty.first != 0 || empty.second != plan.files || full.first != plan.files || full.second != 0) {
        std::fprintf(stderr, "bench_manifest: expected %zu files; empty folder found %zu, full tree missed %zu\n",
                     plan.files, empty.first, full.second);
        std::exit(2);
    }
    run_md5sum();
}

} // namespace

int main()
{
    ENG_reset_records();
    STG_set_defaults();
    ENG_set_progress_hook(nullptr); // draws nothing
    const auto start = std::chrono::steady_clock::now();
    make_tree();
    check_tree();
    std::printf("tree written, synced and read once in %.1f s\n",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    compare(bench_rounds(7));
    return 0;
}
