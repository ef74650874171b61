// io_paths.cpp - path refusal rules and the case-resolving step.
#include "io_paths.h"

#include "find_path.h"
#include "hl_types.h"

void IO_log(const std::string& line)
{
    if (xer.is_open()) xer << line << "\n";
}

int IO_path_length_ok(const std::string& full, const char* who)
{
    if (full.size() <= io_max_path) return 1;
    IO_log(std::string(who) + ": path too long: " + full);
    return 0;
}

int IO_path_dirchars_ok(const std::string& path, const char* who)
{
    if (path.find_first_of("\\:") == std::string::npos) return 1;
    IO_log(std::string(who) + ": bad folder character in path: " + path);
    return 0;
}

std::string IO_case_resolved(std::string full)
{
    if (g_case_sensitive) findPath(full);
    return full;
}
