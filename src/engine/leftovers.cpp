// leftovers.cpp - the names a run leaves behind, and whether their owner still runs.
#include "engine/leftovers.h"

#include "foundation/hl_types.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <vector>

namespace {

const char partial_prefix[] = ".sky-unzip-"; // zip layer: ".sky-unzip-<pid>-<counter>"
const char temp_prefix[] = "skylume-";       // ".../skylume-<pid>-XXXXXX"
constexpr size_t mkdtemp_suffix = 6;

// Reads a run of 1..10 decimal digits at name[at]; the value, or -1.
long long digits_at(const std::string& name, size_t& at)
{
    const size_t start = at;
    long long v = 0;
    while (at < name.size() && std::isdigit(static_cast<unsigned char>(name[at])) && at - start < 10)
        v = v * 10 + (name[at++] - '0');
    return at == start ? -1 : v;
}

// The pid of a name "<prefix><pid>-<rest>" whose rest passes rest_ok, else 0.
template <typename RestCheck>
pid_t owner_of(const std::string& name, const char* prefix, RestCheck rest_ok)
{
    const size_t n = std::strlen(prefix);
    if (name.compare(0, n, prefix) != 0) return 0;
    size_t at = n;
    const long long pid = digits_at(name, at);
    if (pid <= 0 || pid > INT_MAX || at >= name.size() || name[at] != '-') return 0;
    return rest_ok(name.substr(at + 1)) ? static_cast<pid_t>(pid) : 0;
}

pid_t partial_file_owner(const std::string& name)
{
    return owner_of(name, partial_prefix, [](const std::string& rest) {
        size_t at = 0;
        return digits_at(rest, at) >= 0 && at == rest.size();
    });
}

pid_t temp_folder_owner(const std::string& name)
{
    return owner_of(name, temp_prefix, [](const std::string& rest) {
        if (rest.size() != mkdtemp_suffix) return false;
        for (char c : rest)
            if (!std::isalnum(static_cast<unsigned char>(c))) return false;
        return true;
    });
}

// Gone: no process has the pid (a process of another user still counts as running).
bool owner_gone(pid_t pid) { return pid != getpid() && kill(pid, 0) != 0 && errno == ESRCH; }

// The names in an open folder that begin with prefix (a product folder may
// hold thousands of files; only candidates are kept). dir_fd stays open.
std::vector<std::string> names_in(int dir_fd, const char* prefix)
{
    const size_t n = std::strlen(prefix);
    std::vector<std::string> names;
    const int fd = openat(dir_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return names;
    DIR* d = fdopendir(fd);
    if (!d) {
        close(fd);
        return names;
    }
    while (const dirent* e = readdir(d))
        if (std::strncmp(e->d_name, prefix, n) == 0) names.emplace_back(e->d_name);
    closedir(d);
    return names;
}

} // namespace

int ENG_remove_partial_files(int dir_fd)
{
    int removed = 0;
    for (const std::string& name : names_in(dir_fd, partial_prefix)) {
        const pid_t pid = partial_file_owner(name);
        if (!pid || !owner_gone(pid)) continue;
        struct stat st;
        if (fstatat(dir_fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) continue;
        if (unlinkat(dir_fd, name.c_str(), 0) != 0) continue;
        xer << "Removed the partial file " << name << " of a run that ended early.\n";
        ++removed;
    }
    return removed;
}

int ENG_is_partial_file_name(const std::string& name) { return partial_file_owner(name) != 0; }

std::string ENG_temp_folder_template(const std::string& root)
{
    return root + temp_prefix + std::to_string(getpid()) + "-XXXXXX";
}

int ENG_remove_stale_temp_folders(const std::string& root)
{
    const int root_fd = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (root_fd < 0) return 0;
    int removed = 0;
    for (const std::string& name : names_in(root_fd, temp_prefix)) {
        const pid_t pid = temp_folder_owner(name);
        if (!pid || !owner_gone(pid)) continue;
        struct stat st;
        if (fstatat(root_fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (!S_ISDIR(st.st_mode) || st.st_uid != geteuid()) continue;
        std::error_code ec;
        std::filesystem::remove_all(root + name, ec); // links inside are removed, never followed
        if (ec) continue;
        xer << "Removed the temporary folder " << root << name << " of an installer that ended early.\n";
        ++removed;
    }
    close(root_fd);
    return removed;
}
