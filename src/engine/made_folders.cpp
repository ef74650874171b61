// made_folders.cpp - the record of the folders one INSTALL made, and their removal.
#include "engine/made_folders.h"

#include "files/io_errors.h"
#include "foundation/hl_types.h"
#include "foundation/log_budget.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace {

struct made_folder {
    std::string path; // absolute, without its final '/'
    dev_t dev;
    ino_t ino;
};

// Owned by the main thread; written by make_dirs, emptied by the removal and
// by every new INSTALL. In the order made, so parents come before children.
std::vector<made_folder> made;

// True when path is still the folder that was made there: a folder put in its
// place, or a link to one elsewhere, is somebody else's.
bool still_the_made_one(const made_folder& f)
{
    struct stat st;
    return lstat(f.path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_dev == f.dev && st.st_ino == f.ino;
}

} // namespace

void ENG_forget_made_folders() { made.clear(); }

void ENG_note_made_folder(const std::string& path, int dir_fd, const char* name)
{
    struct stat st;
    if (fstatat(dir_fd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode))
        made.push_back({path, st.st_dev, st.st_ino});
}

int ENG_remove_made_folders()
{
    int removed = 0;
    for (auto f = made.rbegin(); f != made.rend(); ++f) {
        if (!still_the_made_one(*f)) continue;
        if (rmdir(f->path.c_str()) == 0) {
            ++removed;
            continue;
        }
        if (errno == ENOTEMPTY || errno == EEXIST) continue; // something went in: it stays, as it should
        const int err = errno;
        const log_budget_answer say = UTL_log_budget("made folder removal", 5);
        if (say == log_line) xer << "Could not remove the folder " << f->path << ": " << error_str(err) << "\n";
        if (say == log_last) xer << "Further folders that could not be removed are not logged.\n";
    }
    if (removed) xer << "Removed the " << removed << " empty folders that this installation had made.\n";
    made.clear();
    return removed;
}
