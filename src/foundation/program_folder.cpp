// program_folder.cpp - the executable's folder from /proc.
#include "foundation/program_folder.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include <vector>

std::string UTL_program_folder()
{
    std::vector<char> buf(4096);
    for (;;) {
        const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0) return {};
        if (static_cast<size_t>(n) < buf.size()) {
            std::string exe(buf.data(), static_cast<size_t>(n));
            return exe.substr(0, exe.rfind('/') + 1);
        }
        buf.resize(buf.size() * 2); // the link text was cut: read it again whole
    }
}

std::string UTL_home_folder()
{
    std::string home;
    if (const char* env = std::getenv("HOME"); env && *env) {
        home = env;
    } else {
        std::vector<char> buf(16384);
        struct passwd entry, *found = nullptr;
        if (getpwuid_r(getuid(), &entry, buf.data(), buf.size(), &found) == 0 && found && found->pw_dir)
            home = found->pw_dir;
    }
    while (home.size() > 1 && home.back() == '/') home.pop_back();
    return home;
}
