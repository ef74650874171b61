// bench_tools.h - what the file benchmarks share: a scratch folder, fast
// pseudo-random fixture bytes, and timing of the user's own tools in a child
// process (wall time and peak memory).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

std::string bench_scratch_dir();                               // $SKY_BENCH_DIR or /tmp, made once
std::string random_bytes(std::size_t n, std::uint64_t seed);   // incompressible
std::string text_bytes(std::size_t n, std::uint64_t seed);     // words and lines, compresses well

struct child_run {
    double seconds;
    long peak_kib; // the child's maximum resident set
    int status;
};
child_run run_child(const std::vector<std::string>& argv); // fork + execvp, waited for

// Keeps the best time per iteration of a named run, and prints ratios at the end.
void record_best(const std::string& name, double seconds);
double best_of(const std::string& name);
