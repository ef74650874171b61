// bench_tools.h - what the file benchmarks share: a scratch folder, fast
// pseudo-random fixture bytes, timing of the user's own tools in a child
// process (wall time; peak memory through GNU time), CPU seconds, a fresh
// file system for each timed run, and the pinned reruns.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

std::string bench_scratch_dir();                               // $SKY_BENCH_DIR or /tmp, made once
std::string random_bytes(std::size_t n, std::uint64_t seed);   // incompressible
std::string text_bytes(std::size_t n, std::uint64_t seed);     // words and lines, compresses well
// The DOS date of a product's file `index`, as the sample disc dates them: a
// real time that differs between files (the minizip default is no valid date,
// which no product archive carries and which costs an extractor a time-zone
// look-up per file).
unsigned long product_file_date(std::uint64_t index);

struct child_run {
    double seconds;
    int status;
};
child_run run_child(const std::vector<std::string>& argv); // fork + execvp, waited for

// The maximum resident set of the program, KiB, measured by GNU time (Debian
// `time`); 0 when it could not be run. A child forked from the benchmark would
// count the benchmark's own pages from before its exec, so a small process
// runs the program instead.
long peak_kib_of(const std::vector<std::string>& argv);

// Keeps the best time per iteration of a named run, and prints ratios at the end.
void record_best(const std::string& name, double seconds);
double best_of(const std::string& name);

// ---- side-by-side comparisons ---------------------------------------------------

// What one run of a side took: wall seconds (negative: it failed or produced
// the wrong result) and the CPU seconds (user + system) of the side's own
// threads or child processes over the same span; -1 when not measured.
struct side_run {
    double seconds;
    double cpu = -1;
    double switches = -1; // voluntary context switches of those threads or processes over the span; -1 not measured
    side_run(double s, double c = -1, double sw = -1) : seconds(s), cpu(c), switches(sw) {} // from a bare wall time too
};

// One contender: `run` does the whole piece of work once and returns what it
// took. Whatever must not be timed (fresh output folders) belongs in `run`
// before its own clock starts.
struct contender {
    std::string name;
    std::function<side_run()> run;
};

struct contender_times {
    std::string name;
    std::vector<double> seconds; // one per round, in order
    std::vector<double> cpu;     // one per round when measured, else empty
    std::vector<double> switches; // the same
    bool failed = false;
    double min() const;
    double median() const;
    double cpu_median() const; // -1 when not measured
};

// Runs every contender `rounds` times, round after round, the order rotated
// each round so that no side always runs first (or always after the same
// neighbour), and returns their times in the order given.
std::vector<contender_times> alternate(const std::vector<contender>& sides, int rounds);

// Prints one line per contender: min and median time, the median CPU seconds
// and voluntary context switches,
// the rate of `work` `unit`s (e.g. MB, files) per second at the median, the
// ratio of the first contender's speed to each other's (min/min,
// median/median and the paired median: the median of the rounds' own ratios;
// above 1 means the first is faster), and the paired median of the first's
// CPU seconds over each other's (above 1: the first costs more CPU).
void print_comparison(const std::string& title, const std::vector<contender_times>& times, double work,
                      const char* unit);

// SKY_BENCH_ROUNDS, or `fallback`.
int bench_rounds(int fallback);

// The machine's load average over the last minute, for the record.
double load_average();

// ---- CPU ------------------------------------------------------------------------

// CPU seconds (user + system) used so far by every thread of this process and
// by the child processes it has waited for. The difference over a span is what
// the work in that span cost, whichever side did it.
double cpu_seconds_used();
// Voluntary context switches so far (each a thread that waited: for another
// thread, a lock, the disk), counted the same way.
double context_switches();

// The processors this process may run on (its affinity, as taskset sets it).
unsigned usable_cores();

// ---- a fresh file system ----------------------------------------------------------

// Files made by a timed run go to a file system of their own. On ext4 a file
// system where many files were deleted makes every tool that creates files
// slower for a minute or more, so a run that followed a large deletion (its
// own side's last round, another program's cleanup) would measure that shadow
// instead of the tool. This is a sparse ext4 image (no journal, as the host's)
// made and loop-mounted below the scratch folder, unmounted and removed with
// the object: nothing is ever deleted inside it. Where it cannot be made (not
// root, no loop device), a new folder on the host file system stands in, and
// fresh() says so.
class fresh_fs {
public:
    fresh_fs(std::uint64_t bytes, std::uint64_t files); // room for that many bytes and files
    ~fresh_fs();
    fresh_fs(const fresh_fs&) = delete;
    fresh_fs& operator=(const fresh_fs&) = delete;
    const std::string& dir() const { return dir_; } // ends without '/'
    bool fresh() const { return mounted_; }
    static const char* where(); // how the runs were measured, for the printed header

private:
    std::string dir_, image_;
    bool mounted_ = false;
};

// ---- pinned reruns ------------------------------------------------------------------

// The cores of the pinned pass: SKY_BENCH_PINNED (default "0,1"); empty when
// it is "none". A bench prints its comparisons on every core it may use, then
// runs itself again under `taskset -c <cores>` to print them pinned.
std::string pinned_cores();
// True in the pinned rerun (SKY_BENCH_PINNED_PASS is set).
bool in_pinned_pass();
// Runs this program (argv[0] of main, found through /proc/self/exe) again
// under taskset on pinned_cores(), with SKY_BENCH_PINNED_PASS set and the
// extra environment `env` ("NAME=value"); its output goes to ours. False when
// it could not run or failed.
bool run_pinned_pass(const std::vector<std::string>& env);
// The header line of a pass: the cores, and how the runs were measured.
void print_pass_header();
