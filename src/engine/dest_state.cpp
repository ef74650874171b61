// dest_state.cpp - what the product folder held before the installation.
//   marker folders, emptiness, the state, the refusal texts
#include "engine/dest_state.h"

#include "files/opensave.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
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
    for (size_t i = 0; i < names.size(); ++i) {
        if (kinds[i] != file_kind_folder) continue;
        for (int m = 0; m < marker_count; ++m)
            if (names[i].find(marker_folders[m]) != std::string::npos) ticked[m] = true;
    }
    for (bool t : ticked)
        if (!t) return 0;
    return 1;
}

dest_state ENG_dest_state(const std::string& folder)
{
    struct stat st;
    if (stat(folder.c_str(), &st) != 0) return errno == ENOENT ? dest_new : dest_foreign;
    if (!S_ISDIR(st.st_mode)) return dest_foreign;
    if (ENG_is_empty_folder(folder)) return dest_empty;
    if (has_own_resources(folder) || ENG_holds_marker_folders(folder)) return dest_product;
    return dest_foreign;
}

void ENG_record_dest(const std::string& folder)
{
    struct stat st;
    const bool exists = stat(folder.c_str(), &st) == 0;
    const bool same = exists && st.st_dev == dest_at_install.dev && st.st_ino == dest_at_install.ino;
    if (dest_at_install.state == dest_foreign && same) return;
    dest_at_install.state = ENG_dest_state(folder);
    dest_at_install.dev = exists ? st.st_dev : 0;
    dest_at_install.ino = exists ? st.st_ino : 0;
}

const char* ENG_rename_refusal(dest_state s)
{
    switch (s) {
    case dest_new:
    case dest_empty:
    case dest_product: return nullptr;
    case dest_foreign: return "before this installation it held other files and no earlier installation of Skylume";
    case dest_unrecorded: break;
    }
    return "what it held before this installation was not recorded";
}
