// manifest.cpp - manifest reader and disk examination.
//   body scanner: lines, keywords, the integer rule
//   entries into histories, with path checks and progress
//   read_directory: header, body, disk examination
#include "engine/manifest.h"

#include "engine/dest_state.h"
#include "engine/disk_need.h"
#include "engine/folders.h"
#include "foundation/hl_types.h"
#include "foundation/hooks.h"
#include "engine/install_records.h"
#include "files/io_utils.h"
#include "files/md5.h"
#include "files/md5_pool.h"
#include "engine/stg.h"
#include "files/text_scan.h"
#include "files/xmap.h"

#include <cstdint>
#include <string_view>

#include <sys/stat.h>

namespace {

const int manifest_versions[] = {840, 900, 0};
int file_lines_seen; // never reset: the progress cadence runs across readings

// The body's read position: the shared text reader with the manifest's own
// keyword rule (a keyword counts only when a blank follows it).
struct body_scanner : text_cursor {
    // True and steps over the keyword when it stands here followed by a blank.
    bool keyword(const char* kw)
    {
        const char* q = p;
        for (; *kw; ++kw, ++q)
            if (q >= end || *q != *kw) return false;
        if (q >= end || !TXT_is_blank(*q)) return false;
        p = q;
        return true;
    }
    std::string field() // a word after optional blanks
    {
        skip_blanks();
        return word();
    }
    std::string name() // the rest of the line after optional blanks
    {
        skip_blanks();
        return rest_of_line();
    }
    int integer() // after optional blanks; a lone '-' at the end of the data is 0
    {
        skip_blanks();
        return loose_integer();
    }
};

int clamp(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

bool dropped_by_network_build(const std::string& name)
{
    return is_net && (name.find("900 alt terrain") != std::string::npos ||
                      name.find("Orbit View Textures") != std::string::npos);
}

const char examine_who[] = "calc_file_md5"; // the name the examination's log lines have always carried

void refuse_path(const char* why, const std::string& path)
{
    __MACIBM_alert(0, why, "This is impossible to download or delete!", "It is:", path, t_exit, __FILE__, __LINE__);
}

// Reads one FILE line's fields; the scanner stands after the keyword.
file_version_struct read_file_line(body_scanner& s, const std::string& folder, std::string& name)
{
    file_version_struct v;
    v.match_code = clamp(s.integer(), 0, 4);
    v.platform = clamp(s.integer(), 0, 6);
    v.aux_code = s.integer();
    v.download_kb = static_cast<float>(s.integer());
    v.disk_kb = static_cast<float>(s.integer());
    v.sig_want = s.field();
    name = s.name();
    v.path = folder + name;
    return v;
}

void take_entry(file_version_struct&& v, std::string& previous_path)
{
    if (sim_info.empty() || v.path != previous_path) sim_info.emplace_back();
    previous_path = v.path;
    if (path_has_no_file(v.path))
        refuse_path("I am reading the directory text file and found a path that has no file!", v.path);
    if (!path_stays_inside(v.path))
        refuse_path("I am reading the directory text file and found a path that leaves the product folder!", v.path);
    if (!path_fits_system(v.path))
        refuse_path("I am reading the directory text file and found a path that is too long!", v.path);
    sim_info.back().versions.push_back(std::move(v));
}

void remember_examined_folder()
{
    examined_folder = examined_folder_struct{};
    struct stat st;
    if (dest_dir_path.empty() || stat(dest_dir_path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return;
    examined_folder.existed = 1;
    examined_folder.dev = st.st_dev;
    examined_folder.ino = st.st_ino;
}

// Hands entry i's path to a worker of the pool, which opens and digests the
// file; a refused path goes as "" and is logged when its turn comes.
void hand_out(md5_pool& pool, size_t i, size_t count, size_t step, const std::string& title)
{
    const std::string dest = ENG_disk_path(ENG_current_version(static_cast<int>(i)).path);
    if (i % step == 0) dir_progress_bar(0, static_cast<float>(i), static_cast<float>(count), 1, title, dest);
    pool.submit(dest.empty() ? std::string() : IO_checked_full_path(dest, nullptr));
}

// Entry i's totals and flags once its signature on disk is known.
void account(size_t i, disk_need_class& need)
{
    file_version_struct& v = ENG_current_version(static_cast<int>(i));
    v.up_to_date = v.sig_have != sig_unreadable && v.sig_want == v.sig_have;
    if (v.sig_want == sig_gone || v.up_to_date) return;
    if (!ENG_current_wanted(static_cast<int>(i))) return;
    stg.download_kb += v.download_kb;
    stg.disk_kb += v.disk_kb;
    const std::size_t top = v.path.find('/'); // the top folder is not on the disk (trim_dest_folder)
    need.add_file(std::string_view(v.path).substr(top == std::string::npos ? 0 : top + 1), v.disk_kb);
    if (v.platform >= os_mac && v.platform <= os_linux) this_install_has_exes = 1;
}

void account_for(md5_pool& pool, size_t i, disk_need_class& need)
{
    file_version_struct& v = ENG_current_version(static_cast<int>(i));
    const std::string dest = ENG_disk_path(v.path);
    v.sig_have = sig_missing;
    bool not_regular = false;
    if (!pool.take(v.sig_have, &not_regular)) {
        if (!dest.empty()) IO_checked_full_path(dest, examine_who); // a refusal's log line, in its turn
        if (not_regular) IO_log(std::string(examine_who) + ": not a regular file: " + dest);
        if (!file_is_absent(dest)) v.sig_have = sig_unreadable;
    }
    account(i, need);
}

// Entry i of a destination that is not there: missing, with nothing looked up.
void count_absent(size_t i, size_t count, size_t step, const std::string& title, disk_need_class& need)
{
    file_version_struct& v = ENG_current_version(static_cast<int>(i));
    if (i % step == 0)
        dir_progress_bar(0, static_cast<float>(i), static_cast<float>(count), 1, title, ENG_disk_path(v.path));
    v.sig_have = sig_missing;
    account(i, need);
}

// The files are digested several at a time on the pool's workers; each entry
// is accounted for in manifest order once its own signature is back.
void examine_disk(const std::string& title)
{
    remember_examined_folder();
    // A destination that is not there, or an empty folder (a new one the user
    // just made), holds none of the files: looking each one up would list the
    // same parent folders once a file (tens of thousands).
    const bool nothing_there = !dest_dir_path.empty() && (file_is_absent(dest_dir_path) ||
                                                          ENG_is_empty_folder(app_path + dest_dir_path));
    const size_t count = sim_info.size();
    const size_t step = count / 200 > 0 ? count / 200 : 1;
    md5_pool pool(md5_pool::default_workers());
    // Far enough ahead that the files after a few large ones keep every worker
    // busy while those are read; a path waiting costs only its string.
    const size_t ahead = 4096;
    size_t handed = 0;
    disk_need_class need(ENG_fragment_bytes(dest_dir_path));
    for (size_t i = 0; i < count; ++i) {
        if (nothing_there) {
            count_absent(i, count, step, title, need);
            continue;
        }
        for (; handed < count && handed < i + ahead; ++handed) hand_out(pool, handed, count, step, title);
        account_for(pool, i, need);
    }
    stg.disk_need_kb = need.total_kb(dest_dir_path, nothing_there);
}

} // namespace

int ENG_parse_manifest_body(const char* begin, const char* end, const char* file_start, const std::string& title)
{
    body_scanner s{{begin, end}};
    std::string folder, previous_path, name;
    int lines = 0;
    s.skip_blanks();
    while (!s.at_end()) {
        if (s.keyword("DIR")) {
            folder = s.name();
        } else if (s.keyword("FILE")) {
            file_version_struct v = read_file_line(s, folder, name);
            if (!dropped_by_network_build(name)) take_entry(std::move(v), previous_path);
            if (file_lines_seen++ % 500 == 0)
                dir_progress_bar(0, static_cast<float>(s.p - file_start), static_cast<float>(end - file_start), 0,
                                 title, name);
            ++lines;
        } else {
            s.skip_line();
        }
        s.skip_space();
    }
    return lines;
}

int read_directory(const std::string& manifest_path, std::string title)
{
    ENG_normalise_dest_dir();
    deleted_files.clear();
    stg.download_kb = stg.disk_kb = stg.disk_need_kb = 0.0;
    sim_info.clear();
    xmap_class manifest(manifest_path);
    if (!manifest.begin)
        __MACIBM_alert(0, "I tried to read a directory file that does not exist!", "The file is:", manifest_path, "",
                       t_exit, __FILE__, __LINE__);
    if (!manifest.check_file(io_text, manifest_versions, "INSTALLER", nullptr)) {
        if (is_net) new_format(manifest_path);
        return dir_missing;
    }
    ENG_parse_manifest_body(manifest.cursor, manifest.end, manifest.begin, title);
    examine_disk(title);
    return dir_ready;
}

void new_format(std::string manifest_path)
{
    __MACIBM_alert(0,
                   "OK I am checking the Veltrane Labs servers and I am finding file formats that are newer than I "
                   "can understand!",
                   "In other words, you need to get a new installer!",
                   std::string("No problem... grab it at the download section of ") + maker_web_address + ".", manifest_path, t_alert,
                   __FILE__, __LINE__);
    // Opening the download page in a browser does nothing on this platform.
    stg.run_phase = run_done;
    app_done = 1;
}
