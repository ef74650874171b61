// io_utils.cpp - folders and files, existence questions.
#include "io_utils.h"

#include "find_path.h"
#include "hl_types.h"
#include "io_errors.h"
#include "io_paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace {

void drop_trailing_slash(std::string& path)
{
    if (!path.empty() && path.back() == '/') path.pop_back();
}

// stat of a full path after the case lookup; false when it cannot be examined.
// The lookup takes paths of io_max_path bytes at most; a longer one is refused.
bool stat_outside_path(std::string full, struct stat& st, const char* who)
{
    if (g_case_sensitive) {
        if (!IO_path_length_ok(full, who)) return false;
        findPath(full);
    }
    return stat(full.c_str(), &st) == 0;
}

} // namespace

int make_folder(const std::string& path)
{
    std::string p = path;
    drop_trailing_slash(p);
    if (mkdir(p.c_str(), 0755) != 0) {
        const int err = errno;
        IO_SET_ERR_LOCATION();
        return err;
    }
    return 0;
}

int rename_file(const std::string& folder, const std::string& old_name, const std::string& new_name)
{
    if (std::rename((folder + old_name).c_str(), (folder + new_name).c_str()) < 0) {
        const int err = errno;
        IO_SET_ERR_LOCATION();
        return err;
    }
    return 0;
}

int delete_file(std::string path)
{
    std::string full = app_path + path;
    if (full.empty()) return ENOENT;
    int r;
    if (full.back() == '/') {
        full.pop_back();
        r = rmdir(full.c_str());
    } else {
        r = unlink(full.c_str());
    }
    if (r != 0) {
        const int err = errno;
        IO_SET_ERR_LOCATION();
        return err;
    }
    return 0;
}

int file_exists(std::string path)
{
    struct stat st;
    return stat_outside_path(app_path + path, st, "file_exists") && !S_ISDIR(st.st_mode) ? 1 : 0;
}

int dir_exists(std::string path)
{
    std::string full = app_path + path;
    drop_trailing_slash(full);
    struct stat st;
    return stat_outside_path(full, st, "dir_exists") && S_ISDIR(st.st_mode) ? 1 : 0;
}
