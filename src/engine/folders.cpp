// folders.cpp - product folders and the progress bar.
//   failures (one alert per run) and refusals of the destination
//   the destination chain, the wanted folders, the walk below the locked folder
//   make_dirs: refuse, chain, lock, walk, fixed folders
//   the folder alert and the progress bar
#include "engine/folders.h"

#include "engine/dest_state.h"
#include "foundation/hl_types.h"
#include "foundation/hooks.h"
#include "engine/install_records.h"
#include "files/io_errors.h"
#include "files/io_utils.h"
#include "engine/leftovers.h"
#include "engine/made_folders.h"
#include "engine/product_lock.h"
#include "engine/stg.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <set>

namespace {

// The folders a run could not make: every one is logged, the first is shown
// once at the end, so a broken destination costs the user one alert, not thousands.
struct folder_failures {
    std::string first_path;
    int first_err = 0;
    int count = 0;

    void note(const std::string& path, int err)
    {
        xer << "Could not make the folder " << path << ": " << error_str(err) << "\n";
        if (count++ == 0) first_path = path, first_err = err;
    }
    void report() const
    {
        if (count) make_dir_error(first_path, first_err);
    }
};

void alert_refused(const std::string& why, const std::string& what_now)
{
    __MACIBM_alert(0, why, what_now, "Install Location: " + dest_dir_path, "", t_alert, __FILE__, __LINE__);
}

// True when the folder made exists afterwards.
bool make_noted(const std::string& path, folder_failures& failures)
{
    const int err = make_folder(path);
    if (err == 0) ENG_note_made_folder(path, AT_FDCWD, path.c_str());
    if (!show_make_dir_err(err)) return true;
    failures.note(path, err);
    return false;
}

bool make_destination_chain(folder_failures& failures)
{
    const std::string s = dest_dir_path.substr(0, dest_dir_path.size() - 1);
    size_t p = s.find('/');
    if (p == std::string::npos) p = 0;
    do {
        p = s.find('/', p + 1);
        if (p == std::string::npos) p = s.size();
        if (!make_noted(s.substr(0, p), failures)) return false;
    } while (p < s.size());
    return true;
}

// The folder of every wanted file, relative to the product folder, each once.
// Only a file's own folder is kept (its parents are made on the way there), so
// the set never holds more bytes than the manifest.
std::set<std::string> wanted_folders()
{
    std::set<std::string> folders;
    for (size_t i = 0; i < sim_info.size(); ++i) {
        const file_version_struct& v = ENG_current_version(static_cast<int>(i));
        if (v.sig_want == sig_gone) continue;
        if (!ENG_current_wanted(static_cast<int>(i))) continue;
        std::string rel = v.path;
        trim_dest_folder(rel);
        const size_t slash = rel.rfind('/');
        if (slash != std::string::npos && slash > 0) folders.insert(rel.substr(0, slash));
    }
    return folders;
}

// Makes the folder name in parent (full: its whole path) unless it is there,
// and opens it. A descriptor, or -1 with errno.
int make_and_open(int parent, const std::string& name, const std::string& full)
{
    if (mkdirat(parent, name.c_str(), 0755) == 0) ENG_note_made_folder(full, parent, name.c_str());
    else if (errno != EEXIST) return -1;
    return openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

// Opens the folder rel below root_fd, making each missing component, one
// component at a time from the descriptor of the one before: the work is
// linear in the length of rel however deep it goes. A descriptor, or -1 with *err.
int open_made(int root_fd, const std::string& rel, int* err)
{
    if (dest_dir_path.size() + rel.size() >= PATH_MAX) {
        *err = ENAMETOOLONG; // the system could not name the files inside it
        return -1;
    }
    int parent = root_fd;
    for (size_t start = 0; start <= rel.size();) {
        size_t slash = rel.find('/', start);
        if (slash == std::string::npos) slash = rel.size();
        const std::string name = rel.substr(start, slash - start);
        int fd = -1;
        if (name.empty() || name == "." || name == "..") {
            errno = EINVAL; // never leave the product folder, whatever the caller filled in
        } else {
            fd = openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (fd < 0 && errno == ENOENT) fd = make_and_open(parent, name, dest_dir_path + rel.substr(0, slash));
        }
        const int saved = errno;
        if (parent != root_fd) close(parent);
        if (fd < 0) {
            *err = saved;
            return -1;
        }
        parent = fd;
        start = slash + 1;
    }
    return parent;
}

// Makes the wanted folders below the locked product folder and clears the
// partial files a killed run left in them.
void make_wanted_folders(int root_fd, folder_failures& failures)
{
    ENG_remove_partial_files(root_fd);
    for (const std::string& f : wanted_folders()) {
        int err = 0;
        const int fd = open_made(root_fd, f, &err);
        if (fd < 0) {
            failures.note(dest_dir_path + f, err);
            continue;
        }
        ENG_remove_partial_files(fd);
        close(fd);
    }
}

// True when the product folder is still the one read_directory examined: a
// folder renamed or replaced since (by another installer's run) would be
// filled from a stale examination.
bool still_the_examined_folder()
{
    if (!examined_folder.existed) return true;
    struct stat st;
    return stat(dest_dir_path.c_str(), &st) == 0 && st.st_dev == examined_folder.dev &&
           st.st_ino == examined_folder.ino;
}

// Everything that must hold before anything is made. True when the run may go on.
bool destination_accepted()
{
    if (dest_dir_path.empty() || !ENG_dest_dir_usable()) {
        alert_refused("I cannot install into this folder: its path holds a ':' or a '\\', or is too long.",
                      "Please choose another folder.");
        return false;
    }
    if (!still_the_examined_folder()) {
        alert_refused("This folder has been renamed or replaced since I examined it, perhaps by another installer.",
                      "Please choose the folder again, so that I examine it afresh.");
        return false;
    }
    return true;
}

// Locks the product folder for the run. True when held.
bool lock_for_the_run()
{
    int err = 0;
    const int r = ENG_lock_product_folder(&err);
    if (r == lock_busy)
        alert_refused("Another Skylume installer is working on this folder right now.",
                      "Let it finish, or choose another folder, then press INSTALL again.");
    if (r == lock_failed) make_dir_error(dest_dir_path, err);
    return r == lock_held;
}

} // namespace

int make_dirs()
{
    ENG_forget_made_folders(); // what an earlier INSTALL made is no longer this one's to take back
    ENG_normalise_dest_dir();
    if (!destination_accepted()) return 0;
    ENG_record_dest(dest_dir_path); // before the run makes anything in it
    folder_failures failures;
    if (!make_destination_chain(failures)) {
        failures.report();
        return 0;
    }
    if (!lock_for_the_run()) return 0;
    make_wanted_folders(ENG_locked_folder_fd(), failures);
    for (const char* f : fixed_folders) make_noted(dest_dir_path + f, failures);
    failures.report();
    // A file whose folder is missing could only fail to extract, long after
    // the licence and the questions: the run does not start.
    return failures.count == 0;
}

void make_dir_error(std::string path, int err)
{
    __MACIBM_alert(0,
                   "I am unable to install or update Skylume. An error occurred while creating new folders. "
                   "Make sure you are installing to a directory that you have access to!",
                   "Error: " + error_str(err), "Install Location: " + dest_dir_path, "Install Path:" + path, t_alert,
                   "utils", 177);
}

progress_frame dir_progress_geometry(float lo, float value, float hi, int phase, const std::string& line1,
                                     const std::string& line3, int x_res, int y_res)
{
    progress_frame f;
    const float x0 = (static_cast<float>(x_res) - 512.0f) * 0.5f;
    const float y0 = (static_cast<float>(y_res) - 138.0f) * 0.5f;
    float frac = 0.52f;
    if (lo != hi) {
        frac = (value - lo) * (0.96f / (hi - lo)) + 0.04f;
        if (!(frac >= 0.04f)) frac = 0.04f;
        if (frac > 1.0f) frac = 1.0f;
    }
    f.panel_x = x0 + 20.0f;
    f.panel_y = y0 + 20.0f;
    f.bar_left = x0 + 30.0f;
    f.bar_right = x0 + 482.0f;
    f.fill_end = f.bar_left + 452.0f * frac;
    f.bar_y = y0 + 35.0f;
    f.text_x = x0 + 32.0f;
    f.line1_y = y0 + 100.0f;
    f.line2_y = y0 + 80.0f;
    f.line3_y = y0 + 60.0f;
    f.line1 = line1;
    f.line2 = phase == 0 ? "Currently SCANNING the directory text file."
              : phase == 1 ? "Currently EXAMINING the hard disk." : "";
    f.line3 = line3;
    return f;
}

void dir_progress_bar(float lo, float value, float hi, int phase, std::string line1, std::string line3)
{
    ENG_show_progress(dir_progress_geometry(lo, value, hi, phase, line1, line3, mnw.x_res_now, mnw.y_res_now));
}
