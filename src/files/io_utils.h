// io_utils.h - the thin layer over the POSIX file calls. Results are 0 or an
// errno value unless said; the failing calls record sErrFile/sErrLine
// (io_errors.h). Main thread only. Which calls put app_path in front of their
// path is fixed per call (below).
#pragma once

#include <string>

// ---- folders and files ---------------------------------------------------
int make_folder(const std::string& path); // mkdir 0755 of path (one trailing '/' dropped), as given; EEXIST when there
int rename_file(const std::string& folder, const std::string& old_name,
                const std::string& new_name); // folder + old → folder + new, as given
int delete_file(std::string path); // app_path + path: a file, or an empty folder when it ends in '/'; "" → ENOENT

// ---- questions -----------------------------------------------------------
int file_exists(std::string path); // 1 when app_path + path exists and is no folder (links followed), else 0
int dir_exists(std::string path);  // 1 when app_path + path (one trailing '/' dropped) is a folder, else 0
