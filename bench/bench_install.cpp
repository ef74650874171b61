// bench_install.cpp - a full disc installation by the install engine beside
// Info-ZIP unzip extracting the same archives, in the same run.
//   generated discs: a mixed set (a few hundred archives, a few hundred MB,
//     text-like and random data, a few KB to tens of MB) and a set of tiny files
//   the engine: manifest, folders, decisions, then the install step until done
//   unzip: one process per archive, spawned directly, and the same commands run
//     by a single shell loop
//   the summary: rates and the engine/unzip ratios
// Every run writes into an empty folder; the archives are read once beforehand,
// so all runs read them from the page cache. Rates count installed bytes (MB =
// 10^6 bytes). Smaller sets for quick runs: SKY_BENCH_INSTALL_MB (default 400)
// and SKY_BENCH_TINY_FILES (default 20000). Everything is made below TMPDIR
// (default /tmp) and removed at the end.
#include "engine/decisions.h"
#include "support/disc_fixture.h"
#include "engine/folders.h"
#include "foundation/hl_types.h"
#include "engine/install_records.h"
#include "engine/manifest.h"
#include "engine/stg.h"
#include "engine/streams.h"
#include "support/testkit.h"
#include "files/zip_io.h"

#include <benchmark/benchmark.h>
#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>
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
#include <thread>
#include <vector>

extern char** environ;

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
    }
    return files;
}

struct bench_disc {
    temp_dir dir;                 // removed with everything below it
    std::string root;             // the disc, ending in '/'
    std::string set = "Skylume 9";
    std::vector<std::string> rels; // product-relative path of each file
    std::uint64_t bytes = 0;       // installed bytes
    std::uint64_t archive_bytes = 0;
    bool ok = false;

    std::string archive(size_t i) const { return root + set + "/Top/" + rels[i] + ".zip"; }
};

// Reads every archive once, so that each run takes them from the page cache.
bool warm_cache(bench_disc& d)
{
    std::vector<char> buf(1 << 20);
    for (size_t i = 0; i < d.rels.size(); ++i) {
        std::ifstream in(d.archive(i), std::ios::binary);
        if (!in) return false;
        while (in.read(buf.data(), static_cast<std::streamsize>(buf.size())) || in.gcount() > 0)
            d.archive_bytes += static_cast<std::uint64_t>(in.gcount());
    }
    return true;
}

std::unique_ptr<bench_disc> build_disc(std::vector<disc_file> files)
{
    auto d = std::make_unique<bench_disc>();
    d->root = d->dir / "disc/";
    for (const disc_file& f : files) {
        d->rels.push_back(f.rel);
        d->bytes += f.data.size();
    }
    make_disc(d->root, d->set, files);
    d->ok = !testing::UnitTest::GetInstance()->ad_hoc_test_result().Failed() && warm_cache(*d);
    return d;
}

bench_disc& mixed_disc()
{
    static std::unique_ptr<bench_disc> d = build_disc(mixed_files(env_number("SKY_BENCH_INSTALL_MB", 400) * 1000000));
    return *d;
}

bench_disc& tiny_disc()
{
    static std::unique_ptr<bench_disc> d = build_disc(tiny_files(env_number("SKY_BENCH_TINY_FILES", 20000)));
    return *d;
}

// ---- output folders --------------------------------------------------------------

// A new empty folder for each run. Output is never deleted between runs: on an
// ext4 without journal, creating files near inodes deleted in the last minutes
// scans past every one of them, which would slow down whatever runs next.
std::string fresh_folder(const bench_disc& d, const std::string& name)
{
    static unsigned made;
    const std::string folder = d.dir / (name + std::to_string(++made));
    fs::create_directories(folder);
    return folder + "/";
}

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

void reset_engine(const bench_disc& d, const std::string& product, const std::string& temp)
{
    ENG_reset_records();
    stg = stg_class{};
    STG_set_defaults();
    is_net = 0;
    install_type = 1;
    dvd_path = d.root;
    install_name = d.set;
    dest_dir_path = product;
    temp_path = temp;
    next = next_class{};
}

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The screen's road for the disc build; false when any step failed.
bool engine_install(const bench_disc& d, const std::string& product, const std::string& temp, engine_times& t)
{
    reset_engine(d, product, temp);
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

// ---- unzip -----------------------------------------------------------------------

bool run_program(std::vector<std::string> args)
{
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string folder_of(const std::string& rel) { return rel.substr(0, rel.rfind('/') + 1); }

// unzip makes only the last folder of -d; the ones above it are made before the clock starts.
void make_unzip_folders(const bench_disc& d, const std::string& out)
{
    for (const std::string& rel : d.rels) fs::create_directories(fs::path(out + folder_of(rel)).parent_path());
}

bool unzip_each(const bench_disc& d, const std::string& out)
{
    for (size_t i = 0; i < d.rels.size(); ++i)
        if (!run_program({"unzip", "-qq", "-o", d.archive(i), "-d", out + folder_of(d.rels[i])})) return false;
    return true;
}

// The list the shell loop reads: archive and folder, a line each.
std::string write_job_list(const bench_disc& d, const std::string& out)
{
    const std::string list = d.dir / "jobs.txt";
    std::ofstream f(list);
    for (size_t i = 0; i < d.rels.size(); ++i) f << d.archive(i) << '\n' << out << folder_of(d.rels[i]) << '\n';
    return list;
}

const char* const shell_loop =
    "while IFS= read -r a && IFS= read -r d; do unzip -qq -o \"$a\" -d \"$d\" || exit 1; done < \"$1\"";

// ---- the benchmarks --------------------------------------------------------------

enum extractor { by_engine, by_unzip_each, by_unzip_loop, extractor_count };
enum disc_kind { mixed, tiny, disc_kind_count };

// What the runs of one disc measured, for the summary.
struct set_result {
    std::uint64_t files = 0, bytes = 0, archive_bytes = 0;
    double bytes_per_s[extractor_count] = {};
    double files_per_s[extractor_count] = {};
    engine_times engine_parts;          // summed over the engine's runs
    benchmark::IterationCount engine_runs = 0;
};
set_result results[disc_kind_count];

// One timed run into the empty folder out. work: the engine's temporary folder,
// or the job list of the shell loop.
bool run_once(extractor how, const bench_disc& d, const std::string& out, const std::string& work,
              engine_times& parts)
{
    switch (how) {
    case by_engine: return engine_install(d, out, work, parts);
    case by_unzip_each: return unzip_each(d, out);
    case by_unzip_loop: return run_program({"sh", "-c", shell_loop, "sh", work});
    case extractor_count: break;
    }
    return false;
}

void record(set_result& r, const bench_disc& d, extractor how, benchmark::IterationCount runs, double secs,
            const engine_times& parts)
{
    r.files = d.rels.size();
    r.bytes = d.bytes;
    r.archive_bytes = d.archive_bytes;
    r.bytes_per_s[how] = static_cast<double>(d.bytes) * static_cast<double>(runs) / secs;
    r.files_per_s[how] = static_cast<double>(d.rels.size()) * static_cast<double>(runs) / secs;
    if (how != by_engine) return;
    r.engine_parts = parts;
    r.engine_runs = runs;
}

void BM_install(benchmark::State& state, disc_kind kind, extractor how)
{
    bench_disc& d = kind == mixed ? mixed_disc() : tiny_disc();
    if (!d.ok) return state.SkipWithError("the disc could not be generated");
    double total = 0;
    engine_times parts;
    for (auto _ : state) {
        const std::string out = fresh_folder(d, "out");
        if (how != by_engine) make_unzip_folders(d, out);
        const std::string work = how == by_engine ? fresh_folder(d, "temp") : write_job_list(d, out);
        sync(); // no run pays for the write-back of another
        const auto start = std::chrono::steady_clock::now();
        const bool ok = run_once(how, d, out, work, parts);
        const double secs = seconds_since(start);
        if (!ok) return state.SkipWithError("the extraction failed");
        if (!holds_the_disc(d, out)) return state.SkipWithError("the output differs from the disc");
        state.SetIterationTime(secs);
        total += secs;
    }
    set_result& r = results[kind];
    record(r, d, how, state.iterations(), total, parts);
    state.counters["MB_per_s"] = r.bytes_per_s[how] / 1e6;
    state.counters["files_per_s"] = r.files_per_s[how];
}

BENCHMARK_CAPTURE(BM_install, mixed_engine, mixed, by_engine)->Iterations(3)->UseManualTime();
BENCHMARK_CAPTURE(BM_install, mixed_unzip_each, mixed, by_unzip_each)->Iterations(3)->UseManualTime();
BENCHMARK_CAPTURE(BM_install, mixed_unzip_loop, mixed, by_unzip_loop)->Iterations(3)->UseManualTime();
BENCHMARK_CAPTURE(BM_install, tiny_engine, tiny, by_engine)->Iterations(1)->UseManualTime();
BENCHMARK_CAPTURE(BM_install, tiny_unzip_each, tiny, by_unzip_each)->Iterations(1)->UseManualTime();
BENCHMARK_CAPTURE(BM_install, tiny_unzip_loop, tiny, by_unzip_loop)->Iterations(1)->UseManualTime();

// ---- the summary -----------------------------------------------------------------

double ratio(double a, double b) { return b > 0 ? a / b : 0; }

void print_set(const char* title, const set_result& r, bool by_bytes)
{
    if (!r.files) return;
    std::printf("\n%s: %llu archives, %.1f MB installed from %.1f MB of archives\n", title,
                static_cast<unsigned long long>(r.files), static_cast<double>(r.bytes) / 1e6,
                static_cast<double>(r.archive_bytes) / 1e6);
    const char* const names[extractor_count] = {"engine", "unzip, one process per archive", "unzip, single shell loop"};
    for (int how = 0; how < extractor_count; ++how)
        std::printf("  %-32s %9.1f MB/s %10.0f files/s\n", names[how], r.bytes_per_s[how] / 1e6, r.files_per_s[how]);
    const double* rate = by_bytes ? r.bytes_per_s : r.files_per_s;
    const char* unit = by_bytes ? "throughput" : "files per second";
    std::printf("  ratio engine/unzip, %s, one process per archive: %.2f (target: at least 1.0)\n", unit,
                ratio(rate[by_engine], rate[by_unzip_each]));
    std::printf("  ratio engine/unzip, %s, single shell loop:       %.2f\n", unit,
                ratio(rate[by_engine], rate[by_unzip_loop]));
    if (!r.engine_runs) return;
    const double n = static_cast<double>(r.engine_runs);
    std::printf("  engine per run: %.3f s preparing (manifest, folders, decisions), %.3f s in the install step\n",
                r.engine_parts.prepare / n, r.engine_parts.steps / n);
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\ncores: %u\n", std::thread::hardware_concurrency());
    print_set("mixed set", results[mixed], true);
    print_set("tiny files", results[tiny], false);
    return 0;
}
