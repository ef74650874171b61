// dest_state.cpp - what the product folder held before the installation.
//   marker folders, emptiness, the product's top names, the state, the record of the run, the refusal texts
#include "engine/dest_state.h"

#include "engine/install_records.h"
#include "engine/leftovers.h"
#include "files/opensave.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <iterator>
#include <vector>

dest_record_struct dest_at_install;

namespace {

const char* const marker_folders[] = {"Airfoils", "Instructions", "Output", "Resources"};
constexpr int marker_count = 4;

// The product's own folder, not a link to somewhere else.
bool has_own_resources(const std::string& folder)
{
    struct stat st;
    return lstat((folder + "Resources").c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Ticks each marker that name contains; true when it contains one.
bool tick_markers(const std::string& name, bool ticked[marker_count])
{
    bool any = false;
    for (int m = 0; m < marker_count; ++m)
        if (name.find(marker_folders[m]) != std::string::npos) ticked[m] = any = true;
    return any;
}

bool all_ticked(const bool ticked[marker_count])
{
    for (int m = 0; m < marker_count; ++m)
        if (!ticked[m]) return false;
    return true;
}

// What one pass over the top level of a folder found.
struct top_level {
    bool listed = false;             // the folder could be read
    bool any = false;                // it holds an entry
    bool foreign = false;            // one that is not the product's own (the pass ends there)
    bool markers[marker_count] = {}; // marker names among its folders, links followed
};

top_level list_top_level(const std::string& folder, const std::set<std::string>& own)
{
    top_level top;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return top;
    top.listed = true;
    while (const dirent* e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        top.any = true;
        if (!own.count(name) && !ENG_is_partial_file_name(name)) {
            top.foreign = true;
            break;
        }
        bool ticked[marker_count] = {};
        struct stat st;
        if (tick_markers(name, ticked) && stat((folder + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            for (int m = 0; m < marker_count; ++m) top.markers[m] = top.markers[m] || ticked[m];
    }
    closedir(dir);
    return top;
}

} // namespace

// Every entry counts, hidden ones too: a folder holding only a user's
// dotfiles is theirs, not empty.
int ENG_is_empty_folder(const std::string& folder)
{
    DIR* dir = opendir(folder.c_str());
    if (!dir) return 0;
    int empty = 1;
    while (dirent* e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") {
            empty = 0;
            break;
        }
    }
    closedir(dir);
    return empty;
}

int ENG_holds_marker_folders(const std::string& folder)
{
    std::vector<std::string> names;
    std::vector<int> kinds;
    if (opensave_getitems(folder, file_kind_any, names, kinds) < 1) return 0;
    bool ticked[marker_count] = {};
    for (size_t i = 0; i < names.size(); ++i)
        if (kinds[i] == file_kind_folder) tick_markers(names[i], ticked);
    return all_ticked(ticked) ? 1 : 0;
}

// A manifest path lands at dest_dir_path + the path less its first component
// (ENG_disk_path), so its top name is the component after the first.
std::set<std::string> ENG_product_top_names()
{
    std::set<std::string> names(std::begin(marker_folders), std::end(marker_folders));
    for (const file_history_struct& h : sim_info)
        for (const file_version_struct& v : h.versions) {
            const size_t first = v.path.find('/');
            const size_t from = first == std::string::npos ? 0 : first + 1;
            const size_t end = v.path.find('/', from);
            names.emplace(v.path, from, end == std::string::npos ? std::string::npos : end - from);
        }
    return names;
}

dest_state ENG_dest_state(const std::string& folder, const std::set<std::string>& own)
{
    struct stat st;
    if (stat(folder.c_str(), &st) != 0) return errno == ENOENT ? dest_new : dest_foreign;
    if (!S_ISDIR(st.st_mode)) return dest_foreign;
    const top_level top = list_top_level(folder, own);
    if (!top.listed || top.foreign) return dest_foreign;
    if (!top.any) return dest_empty;
    // Only the product's names, and the product is there: not a user's folder
    // that merely holds an "Output" or a file named like one of the product's.
    if (has_own_resources(folder) || all_ticked(top.markers)) return dest_product;
    return dest_foreign;
}

void ENG_record_dest(const std::string& folder)
{
    struct stat st;
    const bool exists = stat(folder.c_str(), &st) == 0;
    const std::pair<std::uint64_t, std::uint64_t> id{exists ? st.st_dev : 0, exists ? st.st_ino : 0};
    if (exists && dest_at_install.users_folders.count(id)) {
        dest_at_install.state = dest_foreign;
        return;
    }
    dest_at_install.state = ENG_dest_state(folder, ENG_product_top_names());
    if (exists && dest_at_install.state == dest_foreign) dest_at_install.users_folders.insert(id);
}

const char* ENG_rename_refusal(dest_state s)
{
    switch (s) {
    case dest_new:
    case dest_empty:
    case dest_product: return nullptr;
    case dest_foreign: return "before this installation it held files that are not Skylume's";
    case dest_unrecorded: break;
    }
    return "what it held before this installation was not recorded";
}
