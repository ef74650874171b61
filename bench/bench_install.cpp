// bench_install.cpp - a full disc installation by the install engine beside the
// extractors a user would pick for the same files, alternated over several
// rounds (SKY_BENCH_ROUNDS, default 7): min, median and CPU seconds printed,
// on every core and again pinned to two (SKY_BENCH_PINNED, default "0,1").
//   generated discs: a mixed set (a few hundred archives, a few hundred MB,
//     text-like and random data, a few KB to tens of MB) and a set of tiny files
//   the engine: manifest, folders, decisions, then the install step until done,
//     the signature of every installed file checked on the way
//   the peers: one bsdtar (libarchive) and one Info-ZIP unzip process over ONE
//     archive holding the same files, and `cp -r` of the installed tree as the floor
// Every run writes into a fresh file system of its own after a sync (see
// fresh_fs); the archives are read once beforehand, so all runs read them from
// the page cache. Rates count installed bytes (MB = 10^6 bytes). Smaller sets
// for quick runs: SKY_BENCH_INSTALL_MB (default 400) and SKY_BENCH_TINY_FILES
// (default 20000). Everything is made below SKY_BENCH_DIR (default /tmp) and
// removed at the end.
#include "engine/decisions.h"
#include "support/disc_fixture.h"
#include "engine/folders.h"
#include "foundation/hl_types.h"
#include "engine/install_records.h"
#include "engine/manifest.h"
#include "engine/stg.h"
#include "engine/streams.h"
#include "support/testkit.h"
#include "support/zip_builder.h"
#include "files/zip_io.h"

#include "bench_engine.h"
#include "bench_tools.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// ---- generated discs -------------------------------------------------------------

std::uint64_t env_number(const char* name, std::uint64_t fallback)
{
    const char* v = std::getenv(name);
    if (!v || !*v) return fallback;
    const unsigned long long n = std::strtoull(v, nullptr, 10);
    return n ? n : fallback;
}

struct xorshift {
    std::uint64_t s = 0x9e3779b97f4a7c15ull;
    std::uint64_t next()
    {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return s;
    }
    double unit() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
    // Log-uniform between lo and hi: many small sizes, a few large ones.
    std::uint64_t size_between(double lo, double hi) { return static_cast<std::uint64_t>(lo * std::pow(hi / lo, unit())); }
};

// Lines of words and figures, as in the product's data and scenery text files.
std::string text_data(xorshift& r, std::uint64_t size)
{
    static const char* const words[] = {"runway", "heading", "altitude", "waypoint", "approach", "flaps",
                                        "throttle", "vertex", "texture", "airport", "taxiway", "beacon",
                                        "ILS", "glide", "slope", "frequency", "tower", "KSEA", "EGLL",
                                        "LFPG", "object", "polygon", "terrain", "mesh", "weather", "wind",
                                        "cloud", "visibility", "engine", "fuel", "pitch", "roll"};
    std::string out;
    out.reserve(size + 32);
    while (out.size() < size) {
        out += words[r.next() % (sizeof words / sizeof *words)];
        out += ' ';
        if (r.next() % 3 == 0) out += std::to_string(r.next() % 100000) + '.' + std::to_string(r.next() % 10000) + ' ';
        if (r.next() % 8 == 0) out.back() = '\n';
    }
    out.resize(size);
    return out;
}

std::string random_data(xorshift& r, std::uint64_t size)
{
    std::string out(size, '\0');
    for (std::uint64_t i = 0; i < size; i += 8) {
        const std::uint64_t v = r.next();
        for (std::uint64_t b = 0; b < 8 && i + b < size; ++b) out[i + b] = static_cast<char>(v >> (8 * b));
    }
    return out;
}

// Files until `budget` bytes: mostly 4 KB..4 MB, every thirtieth 8..32 MB;
// three in five text-like, the rest incompressible.
std::vector<disc_file> mixed_files(std::uint64_t budget)
{
    xorshift r;
    std::vector<disc_file> files;
    for (std::uint64_t total = 0, i = 0; total < budget; ++i) {
        std::uint64_t size = i % 30 == 29 ? r.size_between(8e6, 32e6) : r.size_between(4e3, 4e6);
        size = std::min(size, budget - total);
        const bool text = r.next() % 5 < 3;
        disc_file f;
        f.rel = "Data/d" + std::to_string(i % 16) + "/f" + std::to_string(i) + (text ? ".txt" : ".bin");
        f.dos_date = product_file_date(i);
        f.data = text ? text_data(r, size) : random_data(r, size);
        files.push_back(std::move(f));
        total += size;
    }
    return files;
}

std::vector<disc_file> tiny_files(std::uint64_t count)
{
    xorshift r;
    std::vector<disc_file> files(count);
    for (std::uint64_t i = 0; i < count; ++i) {
        files[i].rel = "Tiny/t" + std::to_string(i / 500) + "/f" + std::to_string(i) + ".txt";
        files[i].data = text_data(r, r.size_between(16, 1024));
        files[i].dos_date = product_file_date(i);
    }
    return files;
}

struct bench_disc {
    std::unique_ptr<fresh_fs> fs;  // where the disc was made; null in the pinned rerun, which reuses it
    std::string dir;               // the disc, its one archive and the extracted tree below it
    std::string root;              // the disc, ending in '/'
    std::string set = "Skylume 9";
    std::vector<std::string> rels; // product-relative path of each file
    std::uint64_t bytes = 0;       // installed bytes
    std::uint64_t archive_bytes = 0;
    std::string one;               // every file in one archive, for the peers
    std::string tree;              // the files as extracted once, untimed: what cp copies
    bool ok = false;

    std::string archive(size_t i) const { return root + set + "/Top/" + rels[i] + ".zip"; }
};

std::uint64_t read_through(const std::string& path)
{
    static std::vector<char> buf(1 << 20);
    std::uint64_t n = 0;
    std::ifstream in(path, std::ios::binary);
    while (in.read(buf.data(), static_cast<std::streamsize>(buf.size())) || in.gcount() > 0)
        n += static_cast<std::uint64_t>(in.gcount());
    return n;
}

// Reads every archive once, so that each run takes them from the page cache.
bool warm_cache(bench_disc& d)
{
    for (size_t i = 0; i < d.rels.size(); ++i) {
        const std::uint64_t n = read_through(d.archive(i));
        if (!n) return false;
        d.archive_bytes += n;
    }
    return read_through(d.one) > 0;
}

bool child_ok(const std::vector<std::string>& argv) { return run_child(argv).status == 0; }

void name_the_parts(bench_disc& d)
{
    d.root = d.dir + "/disc/";
    d.one = d.dir + "/all-in-one.zip";
    d.tree = d.dir + "/tree/";
}

// The disc on a file system of its own (removed whole at the end, so that
// no deletion of its files shadows the host's), with its one archive and the
// tree cp copies.
std::unique_ptr<bench_disc> build_disc(const char* name, std::vector<disc_file> files)
{
    auto d = std::make_unique<bench_disc>();
    for (const disc_file& f : files) {
        d->rels.push_back(f.rel);
        d->bytes += f.data.size();
    }
    d->fs = std::make_unique<fresh_fs>(2 * d->bytes, 3 * files.size());
    d->dir = d->fs->dir() + "/" + name;
    name_the_parts(*d);
    make_disc(d->root, d->set, files);
    std::vector<zip_entry_spec> all;
    for (disc_file& f : files) all.push_back({f.rel, std::move(f.data), f.mode, 0, f.dos_date});
    files.clear();
    fs::create_directories(d->tree);
    if (!make_zip(d->one, all) || !child_ok({"bsdtar", "-xf", d->one, "-C", d->tree})) return d;
    d->ok = !testing::UnitTest::GetInstance()->ad_hoc_test_result().Failed() && warm_cache(*d);
    return d;
}

// The pinned rerun takes the disc its parent made: the files are those of the tree.
std::unique_ptr<bench_disc> reuse_disc(const std::string& dir)
{
    auto d = std::make_unique<bench_disc>();
    d->dir = dir;
    name_the_parts(*d);
    for (const auto& e : fs::recursive_directory_iterator(d->tree))
        if (e.is_regular_file()) {
            d->rels.push_back(fs::relative(e.path(), d->tree).string());
            d->bytes += e.file_size();
        }
    d->ok = !d->rels.empty() && warm_cache(*d);
    return d;
}

std::unique_ptr<bench_disc> disc_from(const char* reuse_env, const char* name, std::vector<disc_file> (*files)(std::uint64_t),
                                      std::uint64_t amount)
{
    const char* reuse = std::getenv(reuse_env);
    return reuse && *reuse ? reuse_disc(reuse) : build_disc(name, files(amount));
}

bench_disc& mixed_disc()
{
    static std::unique_ptr<bench_disc> d =
        disc_from("SKY_BENCH_MIXED_DISC", "mixed", mixed_files, env_number("SKY_BENCH_INSTALL_MB", 400) * 1000000);
    return *d;
}

bench_disc& tiny_disc()
{
    static std::unique_ptr<bench_disc> d =
        disc_from("SKY_BENCH_TINY_DISC", "tiny", tiny_files, env_number("SKY_BENCH_TINY_FILES", 20000));
    return *d;
}

// ---- output folders --------------------------------------------------------------

// True when the folder holds exactly the disc's files and bytes.
bool holds_the_disc(const bench_disc& d, const std::string& folder)
{
    std::uint64_t files = 0, bytes = 0;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.is_regular_file()) ++files, bytes += e.file_size();
    return files == d.rels.size() && bytes == d.bytes;
}

// ---- the engine ------------------------------------------------------------------

// Wall time of the parts of one engine install, s.
struct engine_times {
    double prepare = 0; // manifest extracted and read, folders made, decisions
    double steps = 0;   // the install step until the run ends
};

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The screen's road for the disc build; false when any step failed.
bool engine_install(const bench_disc& d, const std::string& product, const std::string& temp, engine_times& t)
{
    reset_engine_for_disc(d.root, d.set, product, temp);
    const auto start = std::chrono::steady_clock::now();
    if (zip_to_file(dvd_path + install_name + "/directory.txt.zip", temp_path, nullptr, 0) != 0) return false;
    if (read_directory(temp_path + "directory.txt", "Scanning") != dir_ready) return false;
    next.reset_all_streams();
    make_dirs();
    if (!choose_files()) return false;
    t.prepare += seconds_since(start);
    const auto steps = std::chrono::steady_clock::now();
    int r = 0;
    for (size_t step = 0; step < 2 * d.rels.size() + 16 && r == 0; ++step) r = grab_files();
    t.steps += seconds_since(steps);
    return r == 1;
}

// ---- the peers and the comparison -----------------------------------------------

// Where one run writes: the output folder and a temporary folder, both empty,
// on a file system made for the run.
struct run_dirs {
    std::string out, temp; // each ending in '/'
};

// One timed run of `work` after a sync, so that no run pays for another's
// write-back; negative when it failed or the output differs. The CPU seconds
// are those of this process's threads and of the children it waited for
// while `work` ran: the engine's, or the peer's.
side_run timed(const bench_disc& d, const std::function<bool(const run_dirs&)>& work)
{
    const fresh_fs space(d.bytes, d.rels.size());
    const run_dirs dirs{space.dir() + "/out/", space.dir() + "/temp/"};
    fs::create_directories(dirs.out);
    fs::create_directories(dirs.temp);
    sync();
    const double cpu_before = cpu_seconds_used(), switches_before = context_switches();
    const auto start = std::chrono::steady_clock::now();
    const bool ok = work(dirs);
    const double secs = seconds_since(start);
    const double cpu = cpu_seconds_used() - cpu_before, switches = context_switches() - switches_before;
    return {ok && holds_the_disc(d, dirs.out) ? secs : -1, cpu, switches};
}

// SKY_BENCH_SIDES: the sides whose names contain one of its comma-separated
// words ("engine,bsdtar"); all when unset. For profiling one side alone.
std::vector<contender> chosen_sides(const std::vector<contender>& sides)
{
    const char* wanted = std::getenv("SKY_BENCH_SIDES");
    if (!wanted || !*wanted) return sides;
    std::vector<contender> chosen;
    for (const contender& c : sides) {
        const std::string list = std::string(",") + wanted + ",";
        for (std::size_t at = 1, comma; (comma = list.find(',', at)) != std::string::npos; at = comma + 1)
            if (comma > at && c.name.find(list.substr(at, comma - at)) != std::string::npos) {
                chosen.push_back(c);
                break;
            }
    }
    return chosen.empty() ? sides : chosen;
}

void compare(const char* title, const bench_disc& d, int rounds, bool by_bytes)
{
    if (!d.ok) {
        std::printf("\n%s: the disc could not be generated\n", title);
        return;
    }
    engine_times parts;
    int engine_runs = 0;
    const std::vector<contender> sides = {
        {"engine, disc install", [&] {
             ++engine_runs;
             return timed(d, [&](const run_dirs& r) { return engine_install(d, r.out, r.temp, parts); });
         }},
        {"bsdtar -xf, one archive", [&] { return timed(d, [&](const run_dirs& r) { return child_ok({"bsdtar", "-xf", d.one, "-C", r.out}); }); }},
        {"unzip -qq, one archive", [&] { return timed(d, [&](const run_dirs& r) { return child_ok({"unzip", "-qq", d.one, "-d", r.out}); }); }},
        {"cp -r of the tree (floor)", [&] { return timed(d, [&](const run_dirs& r) { return child_ok({"cp", "-r", d.tree + ".", r.out}); }); }},
    };
    const std::vector<contender_times> times = alternate(chosen_sides(sides), rounds);
    char line[256];
    std::snprintf(line, sizeof line, "%s: %zu files, %.1f MB installed from %.1f MB of archives (one archive: %.1f MB)",
                  title, d.rels.size(), static_cast<double>(d.bytes) / 1e6, static_cast<double>(d.archive_bytes) / 1e6,
                  static_cast<double>(fs::file_size(d.one)) / 1e6);
    if (by_bytes)
        print_comparison(line, times, static_cast<double>(d.bytes) / 1e6, "MB");
    else
        print_comparison(line, times, static_cast<double>(d.rels.size()), "files");
    if (engine_runs)
        std::printf("  engine per run: %.3f s preparing (manifest, folders, decisions), %.3f s in the install step; "
                    "%.1f us per file at the median\n",
                    parts.prepare / engine_runs, parts.steps / engine_runs,
                    times[0].median() * 1e6 / static_cast<double>(d.rels.size()));
}

} // namespace

int main()
{
    const int rounds = bench_rounds(7);
    bench_disc& mixed = mixed_disc();
    bench_disc& tiny = tiny_disc();
    print_pass_header();
    compare("mixed disc", mixed, rounds, true);
    compare("tiny files", tiny, rounds, false);
    if (!in_pinned_pass() && mixed.ok && tiny.ok)
        return run_pinned_pass({"SKY_BENCH_MIXED_DISC=" + mixed.dir, "SKY_BENCH_TINY_DISC=" + tiny.dir}) ? 0 : 1;
    return 0;
}
