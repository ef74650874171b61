// io_paths.cpp - path refusal rules and the case-resolving step.
#include "io_paths.h"

#include "files/find_path.h"
#include "foundation/hl_types.h"
#include "foundation/log_budget.h"

#include <fcntl.h>
#include <unistd.h>

void IO_log(const std::string& line)
{
    if (xer.is_open()) xer << line << "\n";
}

namespace {

constexpr int refusals_logged = 5; // per caller and kind, in a run
constexpr std::size_t path_shown = 600;

void log_refusal(const char* who, const char* kind, const std::string& path)
{
    const std::string cause = std::string(who) + ": " + kind;
    const log_budget_answer budget = UTL_log_budget(cause, refusals_logged);
    if (budget == log_none) return;
    if (budget == log_last) IO_log(cause + ": further paths refused so are not logged");
    else if (path.size() <= path_shown) IO_log(cause + ": " + path);
    else IO_log(cause + ": " + path.substr(0, path_shown) + "... (" + std::to_string(path.size()) + " bytes)");
}

} // namespace

int IO_path_length_ok(const std::string& full, const char* who)
{
    if (full.size() <= io_max_path) return 1;
    log_refusal(who, "path too long", full);
    return 0;
}

int IO_path_dirchars_ok(const std::string& path, const char* who)
{
    if (path.find_first_of("\\:") == std::string::npos) return 1;
    log_refusal(who, "bad folder character in path", path);
    return 0;
}


std::string IO_case_resolved(std::string full)
{
    if (g_case_sensitive) findPath(full);
    return full;
}

std::string IO_checked_full_path(const std::string& path, const char* who)
{
    std::string full = app_path + path;
    if (!who) return path.find_first_of("\\:") == std::string::npos && full.size() <= io_max_path ? full : "";
    if (!IO_path_dirchars_ok(path, who) || !IO_path_length_ok(full, who)) return {};
    return full;
}

int IO_open_regular_quietly(const std::string& full, struct stat& st, bool* not_regular)
{
    *not_regular = false;
    int fd = open(IO_case_resolved(full).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        *not_regular = true;
        close(fd);
        return -1;
    }
    // Reads of a regular file never wait anyway; plain blocking reads from here.
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

int IO_open_regular(const std::string& path, struct stat& st, const char* who)
{
    const std::string full = IO_checked_full_path(path, who);
    if (full.empty()) return -1;
    bool not_regular = false;
    const int fd = IO_open_regular_quietly(full, st, &not_regular);
    if (not_regular) IO_log(std::string(who) + ": not a regular file: " + path);
    return fd;
}
