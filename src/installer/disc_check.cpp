// disc_check.cpp - version file, disc search, manifest fetch and scan.
#include "installer/disc_check.h"

#include "engine/install_records.h"
#include "engine/stg.h"
#include "engine/streams.h"
#include "files/disc.h"
#include "files/io_errors.h"
#include "files/xmap.h"
#include "files/zip_io.h"
#include "foundation/hl_types.h"
#include "foundation/hooks.h"
#include "installer/screen_ops.h"
#include "shell/subwin.h"

#include <cerrno>
#include <cstring>
#include <set>

#include <unistd.h>

namespace {

const int dvd_versions[] = {900, 0};

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool ends_line(char c) { return c == '\r' || c == '\n' || c == '\0'; }

const char* skip_blanks(const char* p, const char* end)
{
    while (p < end && is_blank(*p)) ++p;
    return p;
}
const char* skip_line_ends(const char* p, const char* end)
{
    while (p < end && (ends_line(*p) || is_blank(*p))) ++p;
    return p;
}
const char* to_line_end(const char* p, const char* end)
{
    while (p < end && !ends_line(*p)) ++p;
    return p;
}

// True and past the word when "VERSION" stands at p as a word of its own.
bool version_word(const char*& p, const char* end)
{
    static const char word[] = "VERSION";
    const std::size_t n = sizeof word - 1;
    if (static_cast<std::size_t>(end - p) < n || std::memcmp(p, word, n) != 0) return false;
    const char* q = p + n;
    if (q < end && !is_blank(*q) && !ends_line(*q)) return false;
    p = q;
    return true;
}

// Reads the version file of the disc at folder (empty: the program's folder)
// the way the disc search does: an absolute disc folder is read as it stands,
// whatever program folder the file layer keeps. 1 when the header is the
// disc's; *name = the set's name, empty without one.
int read_version_file(const std::string& folder, std::string* name)
{
    const std::string saved = app_path;
    if (!folder.empty()) app_path.clear();
    int ok = 0;
    {
        xmap_class file(folder + "dvd_version.txt");
        if (file.begin && file.check_file(io_text, dvd_versions, "DVD", nullptr) == 900) {
            ok = 1;
            if (!INS_read_version_lines(file.cursor, file.end, name)) name->clear();
        }
    }
    app_path = saved;
    return ok;
}

// The discs whose set name was refused and told, by folder ("" the program's
// own): once a disc, not once a frame nor once a search.
std::set<std::string> told_discs;

void tell_refused(const std::string& folder, const std::string& name)
{
    if (!told_discs.insert(folder).second) return;
    const std::string file = (folder.empty() ? app_path : folder) + "dvd_version.txt";
    xer << "The disc version file '" << file << "' names no usable install set ('" << name << "'); still looking.\n";
    MACIBM_alert(0, "I cannot install from this DVD: its version file names no install set I can use.", file,
                 "Its last VERSION line must give a plain folder name, such as \"Skylume 10\".",
                 "Please insert a Skylume DVD.", t_alert);
}

// The set's name that the disc at folder gives, when it is one to install
// from; a disc without one is told, once.
int usable_set(const std::string& folder, std::string* name)
{
    if (!read_version_file(folder, name)) return 0;
    if (INS_install_name_ok(*name)) return 1;
    tell_refused(folder, *name);
    return 0;
}

// For the disc search: whether the disc found at folder is one to install from.
int usable_disc(const std::string& folder)
{
    std::string name;
    return usable_set(folder, &name);
}

} // namespace

// ---- the version file ------------------------------------------------------------------------

int INS_read_version_lines(const char* p, const char* end, std::string* name)
{
    int found = 0;
    while (p < end) {
        p = skip_blanks(p, end);
        if (version_word(p, end)) {
            p = skip_blanks(p, end);
            const char* stop = to_line_end(p, end);
            name->assign(p, stop);
            found = 1;
            p = stop;
        } else {
            p = to_line_end(p, end);
        }
        p = skip_line_ends(p, end);
    }
    return found;
}

// The name becomes a folder on the disc and, without the blanks at its end,
// the product folder's new name: a disc that does not give a plain one is no
// disc to install from.
int INS_install_name_ok(const std::string& name)
{
    return ENG_name_is_plain(ENG_product_folder_name(name));
}

int INS_check_disc_version()
{
    std::string name;
    if (!usable_set(dvd_path, &name)) return 0;
    install_name = name;
    stg.server_count = 0;
    return 1;
}

int INS_look_for_disc(int tick)
{
    // A disc refused for its set's name does not end the search: another
    // place may hold a good disc, or the same one a good disc later.
    if (tick) demo.look_again(usable_disc);
    return dvd_path.empty() ? 0 : 1;
}

void INS_reset_disc_check() { told_discs.clear(); }

// ---- the manifest -------------------------------------------------------------------------------

manifest_paths INS_manifest_paths()
{
    manifest_paths p;
    p.dvd_dir_path_zip = dvd_path + install_name + "/directory.txt.zip";
    p.dir_path = temp_path + "directory.txt";
    p.dir_path_path = temp_path;
    return p;
}

int INS_fetch_manifest(const manifest_paths& paths)
{
    // Only the installer's own folder is written: a shared folder would let
    // another user plant the manifest or a link in its place.
    int r = ENG_temp_folder_is_private() ? 0 : EACCES;
    if (!r && unlink(paths.dir_path.c_str()) != 0 && errno != ENOENT) r = errno;
    if (!r) r = zip_to_file(paths.dvd_dir_path_zip, paths.dir_path_path, nullptr, 0);
    if (!r && access(paths.dir_path.c_str(), F_OK) != 0) r = errno; // the archive held no manifest
    if (r) {
        __MACIBM_alert(win_main, "DVD scan: The installer cannot extract a file.", "Error: " + error_str(r),
                       "Compressed File/" + paths.dvd_dir_path_zip, "Destination Path/" + paths.dir_path_path, t_exit,
                       "main", 183);
        return 0;
    }
    stg.dir_phase = dir_scan;
    return 1;
}

void INS_scan_manifest(const manifest_paths& paths)
{
    stg.dir_phase = INS_screen_ops().read_directory(
        paths.dir_path, "Scanning directory text file to see if you already have Skylume installed...");
}
