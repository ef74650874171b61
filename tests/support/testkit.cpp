// testkit.cpp - shared test helpers.
#include "support/testkit.h"

#include "foundation/hl_types.h"
#include "foundation/log_budget.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::vector<recorded_alert> recorded;
size_t looked_at = 0; // alerts a test has had the chance to check

void record_alert(int, const alert_lines& lines, int type, const char* file, int line)
{
    recorded.push_back({lines, type, file ? file : "", line});
    if (type == t_exit) { // the test that does not catch it fails with the exception
        looked_at = recorded.size();
        throw fatal_alert{lines};
    }
}

std::uint64_t stepped_now = 0;
std::uint64_t stepped_source() { return stepped_now; }

} // namespace

alert_recorder::alert_recorder() : previous(MACIBM_set_alert_hook(record_alert))
{
    recorded.clear();
    looked_at = 0;
}

// An alert that no test looked at was not expected: it fails the test as it
// would have without the recorder.
alert_recorder::~alert_recorder()
{
    MACIBM_set_alert_hook(previous);
    for (size_t i = looked_at; i < recorded.size(); ++i)
        ADD_FAILURE_AT(recorded[i].file.c_str(), recorded[i].line)
            << "alert never checked: \"" << recorded[i].lines.l1 << "\" \"" << recorded[i].lines.l2 << "\"";
    recorded.clear();
    looked_at = 0;
}

std::vector<recorded_alert>& alert_recorder::alerts()
{
    looked_at = recorded.size();
    return recorded;
}

stepped_clock::stepped_clock() : previous(xtim_class::set_time_source(stepped_source))
{
    stepped_now = 1000000; // any start: the clock counts from its first reading
    xtim_class::reset_process_state();
}

stepped_clock::~stepped_clock()
{
    xtim_class::set_time_source(previous);
    xtim_class::reset_process_state();
}

void stepped_clock::advance_us(std::uint64_t us) { stepped_now += us; }

temp_dir::temp_dir()
{
    const char* base = std::getenv("TMPDIR");
    std::string tmpl = std::string(base && *base ? base : "/tmp") + "/sky_test_XXXXXX";
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    dir = tmpl;
}

temp_dir::~temp_dir()
{
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

xer_capture::xer_capture()
{
    if (xer.is_open()) xer.close();
    xer.clear();
    xer.open(dir / "Log.txt");
    UTL_reset_log_budgets(); // a fresh log hears every cause again
}

xer_capture::~xer_capture()
{
    xer.close();
    xer.clear();
}

std::string xer_capture::text()
{
    xer.flush();
    return read_file(dir / "Log.txt");
}

std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_file(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::vector<long long> unnamed_files(int pid, const std::string& folder)
{
    std::vector<long long> sizes;
    const std::string fds = "/proc/" + std::to_string(pid) + "/fd/";
    DIR* dir = opendir(fds.c_str());
    if (!dir) return sizes;
    while (const dirent* e = readdir(dir)) {
        char target[4096];
        const std::string link = fds + e->d_name;
        const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
        if (n <= 0) continue;
        // Such a file reads as "<its folder>/#<inode> (deleted)".
        const std::string path(target, std::size_t(n));
        struct stat st;
        if (path.rfind(folder, 0) == 0 && path.find("/#") != std::string::npos && stat(link.c_str(), &st) == 0)
            sizes.push_back(st.st_size);
    }
    closedir(dir);
    return sizes;
}
