// bench_tools.h - what the file benchmarks share: a scratch folder, fast
// pseudo-random fixture bytes, and timing of the user's own tools in a child
// process (wall time; peak memory through GNU time).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

std::string bench_scratch_dir();                               // $SKY_BENCH_DIR or /tmp, made once
std::string random_bytes(std::size_t n, std::uint64_t seed);   // incompressible
std::string text_bytes(std::size_t n, std::uint64_t seed);     // words and lines, compresses well

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

// One contender: `run` does the whole piece of work once and returns its wall
// time in seconds, or a negative number when it failed or produced the wrong
// result. Whatever must not be timed (fresh output folders) belongs in `run`
// before its own clock starts.
struct contender {
    std::string name;
    std::function<double()> run;
};

struct contender_times {
    std::string name;
    std::vector<double> seconds; // one per round, in order
    bool failed = false;
    double min() const;
    double median() const;
};

// Runs every contender `rounds` times, round after round, the order rotated
// each round so that no side always runs first (or always after the same
// neighbour), and returns their times in the order given.
std::vector<contender_times> alternate(const std::vector<contender>& sides, int rounds);

// Prints one line per contender: min and median time, the rate of `work`
// `unit`s (e.g. MB, files) per second at the median, and the ratio of the
// first contender's speed to each other's (min/min, median/median and the
// paired median: the median of the rounds' own ratios; above 1 means the
// first is faster).
void print_comparison(const std::string& title, const std::vector<contender_times>& times, double work,
                      const char* unit);

// SKY_BENCH_ROUNDS, or `fallback`.
int bench_rounds(int fallback);

// The machine's load average over the last minute, for the record.
double load_average();
