// install_records.cpp - the engine's shared records and path helpers.
#include "engine/install_records.h"

#include "engine/dest_state.h"
#include "engine/made_folders.h"
#include "files/io_utils.h"
#include "foundation/program_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

std::vector<file_history_struct> sim_info;
std::string dest_dir_path;
std::string install_name;
std::string temp_path;
std::string crnt_file_name;
std::string crnt_file_path;
std::string server_name[max_servers];
std::string server_path[max_servers];
std::string server_desc[max_servers];
int this_install_has_exes;
std::set<std::string> deleted_files;
examined_folder_struct examined_folder;

int path_has_no_file(std::string path) { return !path.empty() && path.back() == '/' ? 1 : 0; }

void trim_dest_folder(std::string& path)
{
    const size_t slash = path.find('/');
    if (slash != std::string::npos) path.erase(0, slash + 1);
}

std::string ENG_disk_path(const std::string& manifest_path)
{
    std::string rel = manifest_path;
    trim_dest_folder(rel);
    return dest_dir_path + rel;
}

file_version_struct& ENG_current_version(int history) { return sim_info[static_cast<size_t>(history)].versions.back(); }

void get_OS_abs_path(int which, std::string& out)
{
    if (which == os_dir_this_app) {
        out = UTL_program_folder();
        for (char& c : out)
            if (c == '\\' || c == ':') c = '/';
        if (out.empty() || out.back() != '/') out += '/';
        return;
    }
    if (which == os_dir_temp) {
        out = "/tmp/";
        return;
    }
    if (which != os_dir_desktop && which != os_dir_default_apps && which != os_dir_prefs) return;
    const std::string home = UTL_home_folder();
    if (home.empty()) return; // no home: the caller puts nothing there, not in the current folder
    out = home == "/" ? home : home + "/";
    if (which == os_dir_prefs) {
        out += ".skylume/";
        mkdir(out.c_str(), 0777); // an existing folder or a failure is not reported
    }
}

void get_path_with_path(std::string& folder, const std::string& path)
{
    std::string p = path;
    if (p.size() > 2 && p.back() == '/') p.pop_back();
    const size_t slash = p.rfind('/');
    folder = slash == std::string::npos ? std::string() : p.substr(0, slash + 1);
}

int path_stays_inside(const std::string& manifest_path)
{
    if (manifest_path.empty() || manifest_path.find('\0') != std::string::npos) return 0;
    size_t start = 0;
    for (;;) {
        const size_t slash = manifest_path.find('/', start);
        const size_t len = slash == std::string::npos ? std::string::npos : slash - start;
        const std::string part = manifest_path.substr(start, len);
        if (part.empty() || part == "." || part == "..") return 0;
        if (slash == std::string::npos) return 1;
        start = slash + 1;
    }
}

int path_fits_system(const std::string& path) { return path.size() < PATH_MAX ? 1 : 0; }

int ENG_name_is_plain(const std::string& name)
{
    if (name.empty() || name.front() == '.' || name.back() == ' ') return 0;
    for (const char c : name)
        if (c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return 0; // NUL included
    return 1;
}

std::string ENG_product_folder_name(const std::string& set_name)
{
    const std::size_t end = set_name.find_last_not_of(" \t");
    return end == std::string::npos ? std::string() : set_name.substr(0, end + 1);
}

std::string ENG_dest_refusal(const std::string& dest)
{
    if (dest.size() > path_limit())
        return "Its path is " + std::to_string(dest.size()) + " characters long; at most " +
               std::to_string(path_limit()) + " can be used.";
    for (const char c : dest)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return "Its path holds a control character such as a line break.";
    if (dest.find_first_of(":\\") != std::string::npos) return "Its path holds a ':' or a '\\'.";
    for (size_t end = dest.find('/'); end != std::string::npos; end = dest.find('/', end + 1))
        if (end > 0 && dest[end - 1] == ' ') return "A folder name in its path ends in a blank.";
    if (!dest.empty() && dest.back() == ' ') return "A folder name in its path ends in a blank.";
    return {};
}

int ENG_dest_dir_usable() { return path_usable(dest_dir_path, "destination"); }

void ENG_normalise_dest_dir()
{
    if (dest_dir_path.empty()) return;
    if (dest_dir_path.front() != '/') {
        std::vector<char> cwd(4096);
        while (!getcwd(cwd.data(), cwd.size()) && errno == ERANGE) cwd.resize(cwd.size() * 2);
        dest_dir_path = std::string(cwd.data()) + "/" + dest_dir_path;
    }
    if (dest_dir_path.back() != '/') dest_dir_path += '/';
}

void ENG_reset_records()
{
    sim_info.clear();
    dest_dir_path.clear();
    install_name.clear();
    temp_path.clear();
    crnt_file_name.clear();
    crnt_file_path.clear();
    for (int i = 0; i < max_servers; ++i) server_name[i].clear(), server_path[i].clear(), server_desc[i].clear();
    this_install_has_exes = 0;
    deleted_files.clear();
    examined_folder = examined_folder_struct{};
    dest_at_install = dest_record_struct{};
    ENG_forget_made_folders();
}
