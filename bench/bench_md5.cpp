// bench_md5.cpp - calc_file_md5 on a 1 GiB file beside coreutils md5sum on the
// same file, from a warm page cache, the sides alternated over
// SKY_BENCH_ROUNDS rounds (default 7): min, median and the paired median.
// The file is written into a folder of this run's own, made with mkdtemp
// under $TMPDIR (default /tmp), and removed with it at the end.
#include "bench_tools.h"
#include "files/md5.h"
#include "foundation/hl_types.h"
#include "support/testkit.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

constexpr std::size_t file_size = std::size_t(1) << 30;
constexpr std::size_t chunk = std::size_t(1) << 24;

bool write_big_file(const std::string& path)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (std::size_t at = 0; out && at < file_size; at += chunk) out << random_bytes(chunk, at + 1);
    out.flush();
    return bool(out);
}

// md5sum's signature of the file, read from its output; empty when it failed.
std::string md5sum_of(const std::string& path)
{
    // Through the environment, so that no character of the path reaches the shell as code.
    setenv("SKY_BENCH_MD5_FILE", path.c_str(), 1);
    std::FILE* p = popen("md5sum < \"$SKY_BENCH_MD5_FILE\"", "r");
    if (!p) return {};
    char hex[33] = {};
    const bool read = std::fscanf(p, "%32s", hex) == 1;
    return pclose(p) == 0 && read ? hex : "";
}

// One timed signature by our own code; -1 when it failed or differs from want.
double ours(const std::string& path, const std::string& want)
{
    std::string hex;
    const auto start = std::chrono::steady_clock::now();
    const int r = calc_file_md5(path, hex);
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return r == 0 && hex == want ? s : -1;
}

double md5sum(const std::string& path)
{
    const child_run run = run_child({"sh", "-c", "exec md5sum \"$1\" >/dev/null", "sh", path});
    return run.status == 0 ? run.seconds : -1;
}

} // namespace

int main()
{
    temp_dir dir; // removed, with the file, when main returns
    const std::string path = dir / "md5-1GiB.bin";
    if (!write_big_file(path)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return 1;
    }
    app_path.clear();
    const std::string want = md5sum_of(path); // also warms the page cache
    std::string hex;
    if (want.size() != 32 || calc_file_md5(path, hex) != 0 || hex != want) {
        std::fprintf(stderr, "calc_file_md5 gives %s, md5sum %s\n", hex.c_str(), want.c_str());
        return 1;
    }
    const std::vector<contender_times> times =
        alternate({{"calc_file_md5", [&] { return ours(path, want); }}, {"md5sum", [&] { return md5sum(path); }}},
                  bench_rounds(7));
    print_comparison("MD5 signature of a 1 GiB file from the page cache", times, double(file_size) / 1e6, "MB");
    return times[0].failed || times[1].failed ? 1 : 0;
}
