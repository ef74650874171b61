// finish.cpp - cleanup of emptied folders and the rename of the product folder.
#include "finish.h"

#include "hl_types.h"
#include "install_records.h"
#include "io_utils.h"
#include "opensave.h"
#include "stg.h"

#include <sys/stat.h>

#include <cstdlib>
#include <vector>

namespace {

std::string without_trailing_slash(std::string p)
{
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    return p;
}

bool is_plain_folder_name(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
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
    if (last == install_name + "/") return; // already so named
    if (!rename_is_safe(dest_dir_path, install_name)) {
        xer << "Not renaming " << dest_dir_path << " to \"" << install_name << "\": not a safe rename.\n";
        return;
    }
    if (rename_file(parent, last, install_name) == 0) dest_dir_path = parent + install_name + "/";
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
}

int rename_is_safe(const std::string& dest, const std::string& new_name)
{
    if (!is_plain_folder_name(new_name)) return 0;
    const std::string folder = without_trailing_slash(dest);
    if (folder.empty() || folder == "/" || folder.front() != '/') return 0;
    const char* home = std::getenv("HOME");
    if (home && folder == without_trailing_slash(home)) return 0;
    struct stat st;
    if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return 0;
    const std::string target = folder.substr(0, folder.rfind('/') + 1) + new_name;
    return lstat(target.c_str(), &st) != 0 ? 1 : 0;
}
