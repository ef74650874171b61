// find_path.cpp - the component walk of the case-insensitive lookup.
#include "files/find_path.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstring>
#include <strings.h>

int g_case_sensitive;

namespace {

// The entry of folder named name: the exact name when it is there, else the
// first entry equal to it without regard to ASCII case, in the order the
// system lists them; "" when none (or no folder). Preferring the exact name
// keeps "a.txt" from being read as its twin "A.txt".
std::string best_case_match(const std::string& folder, const std::string& name)
{
    DIR* dir = opendir(folder.c_str());
    if (!dir) return {};
    std::string found;
    while (dirent* e = readdir(dir)) {
        if (strcasecmp(e->d_name, name.c_str()) != 0) continue;
        if (name == e->d_name) {
            found = name;
            break;
        }
        if (found.empty()) found = e->d_name;
    }
    closedir(dir);
    return found;
}

} // namespace

void findPath(std::string& path)
{
    struct stat st;
    if (path.empty() || stat(path.c_str(), &st) == 0) return;

    std::string::size_type pos = 0;
    while (pos < path.size()) {
        // A run of slashes (the root's, or a doubled one inside the path)
        // belongs to the folder before the next component: "a//b" searches "a/".
        pos = path.find_first_not_of('/', pos);
        if (pos == std::string::npos) return;
        const std::string folder = pos == 0 ? std::string(".") : path.substr(0, pos);
        std::string::size_type end = path.find('/', pos);
        if (end == std::string::npos) end = path.size();

        const std::string match = best_case_match(folder, path.substr(pos, end - pos));
        if (match.size() != end - pos) return; // no entry matched, or no folder
        path.replace(pos, end - pos, match);
        pos = end;
    }
}

void findPath(char* path)
{
    std::string s(path);
    findPath(s);
    std::memcpy(path, s.data(), s.size()); // same length: the buffer holds it
}
