// finish.cpp - cleanup of emptied folders and the rename of the product folder.
#include "engine/finish.h"

#include "engine/dest_state.h"
#include "foundation/hl_types.h"
#include "foundation/program_folder.h"
#include "engine/install_records.h"
#include "engine/product_lock.h"
#include "files/io_utils.h"
#include "files/opensave.h"
#include "engine/stg.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

std::string without_trailing_slash(std::string p)
{
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    return p;
}

// One name the file layer can use: ':' and '\\' would make the renamed
// product folder one that no later run can install into.
bool is_plain_folder_name(const std::string& name)
{
    return ENG_name_is_plain(name) && name.find_first_of(":\\") == std::string::npos;
}

void remove_if_empty(const std::string& folder)
{
    std::vector<std::string> names;
    std::vector<int> kinds;
    if (opensave_getitems(folder, file_kind_any, names, kinds) != 0) return;
    const int r = delete_file(folder);
    if (stg.log_actions) xer << "cleanup: DELETING  file " << folder << ", with result=" << r << ".\n";
}

void rename_product_folder()
{
    const std::string folder = without_trailing_slash(dest_dir_path);
    const size_t slash = folder.rfind('/');
    if (slash == std::string::npos) return;
    const std::string parent = folder.substr(0, slash + 1);
    const std::string last = folder.substr(slash + 1) + "/";
    const std::string name = ENG_product_folder_name(install_name);
    if (last == name + "/") return; // already so named
    if (const char* why = ENG_rename_refusal(dest_at_install.state)) {
        xer << "The folder " << dest_dir_path << " keeps its name: " << why << ".\n";
        return;
    }
    if (!rename_is_safe(dest_dir_path, name)) {
        if (stg.log_actions) xer << "Not renaming " << dest_dir_path << " to \"" << name << "\": not a safe rename.\n";
        return;
    }
    // No-replace, so that a folder appearing under the new name since the check is never overwritten.
    const std::string from = parent + last, to = parent + name;
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        dest_dir_path = to + "/";
}

bool same_folder(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// True when folder is the home folder or one of the folders above it.
bool holds_home(const struct stat& folder)
{
    const std::string home = UTL_home_folder();
    if (home.empty()) return false;
    std::string h = home;
    for (;;) {
        struct stat st;
        if (stat(h.c_str(), &st) == 0 && same_folder(st, folder)) return true;
        const size_t slash = h.rfind('/');
        if (slash == std::string::npos || h == "/") return false;
        h = slash == 0 ? "/" : h.substr(0, slash);
    }
}

} // namespace

void remember_deleted_folders(const std::string& dest_file)
{
    std::string f;
    get_path_with_path(f, dest_file);
    while (f.size() > dest_dir_path.size()) {
        deleted_files.insert(f);
        f.pop_back();
        const size_t slash = f.rfind('/');
        f = slash == std::string::npos ? std::string() : f.substr(0, slash + 1);
    }
}

void finish_install()
{
    for (auto it = deleted_files.rbegin(); it != deleted_files.rend(); ++it) remove_if_empty(*it);
    if (this_install_has_exes && stg.rename_folder) rename_product_folder();
    ENG_unlock_product_folder(); // the run is over: another installer may have the folder now
}

int rename_is_safe(const std::string& dest, const std::string& new_name)
{
    if (!is_plain_folder_name(new_name)) return 0;
    const std::string folder = without_trailing_slash(dest);
    if (folder.empty() || folder == "/" || folder.front() != '/') return 0;
    struct stat st, root;
    if (lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return 0;
    if (stat("/", &root) == 0 && same_folder(st, root)) return 0; // "//", "/./" and the like
    if (holds_home(st)) return 0;
    const std::string target = folder.substr(0, folder.rfind('/') + 1) + new_name;
    if (!path_usable(target + "/", "rename")) return 0;
    return lstat(target.c_str(), &st) != 0 && errno == ENOENT ? 1 : 0;
}
