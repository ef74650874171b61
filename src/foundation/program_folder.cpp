// program_folder.cpp - the executable's folder from /proc.
#include "foundation/program_folder.h"

#include <unistd.h>

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
