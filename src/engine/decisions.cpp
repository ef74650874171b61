// decisions.cpp - the install decision per file, with per-folder answers.
#include "engine/decisions.h"

#include "engine/engine_hooks.h"
#include "foundation/hl_types.h"
#include "engine/install_records.h"
#include "engine/stg.h"

#include <algorithm>
#include <vector>

namespace {

// Folder answers given during one call of choose_files.
struct folder_memory {
    std::vector<std::string> replace_dirs;
    std::vector<std::string> keep_dirs;

    static bool holds(const std::vector<std::string>& dirs, const std::string& folder)
    {
        return std::find(dirs.begin(), dirs.end(), folder) != dirs.end();
    }
};

bool matches_a_listed_version(const file_history_struct& h, const std::string& sig)
{
    for (const file_version_struct& v : h.versions)
        if (v.sig_want == sig) return true;
    return false;
}

// The user modified this file: act (1), leave it (0), or cancel everything (-1).
int decide_modified(const file_version_struct& v, const std::string& local, int gone, folder_memory& memory)
{
    std::string folder;
    get_path_with_path(folder, local);
    if (folder_memory::holds(memory.replace_dirs, folder)) return 1;
    if (folder_memory::holds(memory.keep_dirs, folder)) return 0;
    xer << "File: " << local << "  sig_want=" << v.sig_want << "  sig_have=" << v.sig_have << "\n";
    switch (select_alert(local, gone)) {
    case sel_replace: return 1;
    case sel_replace_all: memory.replace_dirs.push_back(folder); return 1;
    case sel_keep: return 0;
    case sel_keep_all: memory.keep_dirs.push_back(folder); return 0;
    default: return -1;
    }
}

} // namespace

int choose_files()
{
    folder_memory memory;
    for (size_t i = 0; i < sim_info.size(); ++i) {
        file_history_struct& h = sim_info[i];
        file_version_struct& v = h.versions.back();
        int act = ENG_current_wanted(static_cast<int>(i));
        if (act) {
            const std::string local = ENG_disk_path(v.path);
            const int gone = v.sig_want == sig_gone;
            const bool have = v.sig_have != sig_missing;
            // A file that is there but cannot be read may be the user's own:
            // it is never replaced unasked, and never deleted.
            const bool unreadable = v.sig_have == sig_unreadable;
            if (!have && gone) act = 0;
            else if (unreadable && gone) act = 0;
            else if (!unreadable && have && v.sig_have == v.sig_want) act = 0;
            else if (unreadable || (have && !matches_a_listed_version(h, v.sig_have))) {
                act = decide_modified(v, local, gone, memory);
                if (act < 0) return 0;
            }
        }
        v.want_install = act && v.sig_want != sig_gone;
        v.want_delete = act && v.sig_want == sig_gone;
    }
    return 1;
}
