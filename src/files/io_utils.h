// io_utils.h - the thin layer over the POSIX file calls. Results are 0 or an
// errno value unless said; the failing calls record sErrFile/sErrLine
// (io_errors.h). Main thread only. Which calls put app_path in front of their
// path is fixed per call (below).
#pragma once

#include <cstddef>
#include <string>

struct statvfs;

// ---- folders and files ---------------------------------------------------
int make_folder(const std::string& path); // mkdir 0755 of path (one trailing '/' dropped), as given; EEXIST when there
int rename_file(const std::string& folder, const std::string& old_name,
                const std::string& new_name); // folder + old → folder + new, as given
int delete_file(std::string path); // app_path + path: a file, or an empty folder when it ends in '/'; "" → ENOENT

// ---- questions -----------------------------------------------------------
int file_exists(std::string path); // 1 when app_path + path exists and is no folder (links followed), else 0
int dir_exists(std::string path);  // 1 when app_path + path (one trailing '/' dropped) is a folder, else 0
// 1 only when nothing at all stands at app_path + path: no entry, or a non-folder
// on the way. A path the other calls refuse (a '\\' or ':', too long), an entry
// that cannot be read, a dangling link, or a lookup that fails otherwise give 0,
// so that "cannot be examined" is never taken for "missing".
int file_is_absent(std::string path);
// 1 when the file calls take app_path + path: neither '\\' nor ':', at most
// io_max_path bytes in all; else 0, logged as "<who>: ..." .
int path_usable(const std::string& path, const char* who);
// The longest full path the file calls take, in bytes (io_max_path).
std::size_t path_limit();
// statvfs of folder (as given) or, while it is not there yet, of its nearest
// existing parent: the file system it will be made on. 0, else the errno of
// the last folder asked ("" and a relative name with no parent: ENOENT).
int IO_statvfs_nearest(const std::string& folder, struct statvfs* fs);

// Writes one line to the log xer when it is open. Main thread only.
void IO_log(const std::string& line);
// The path check of the file calls, for a caller that opens the file on
// another thread but keeps the log lines in its own order: logs a refusal as
// who (nothing with who null) and gives app_path + path, or "" when refused.
std::string IO_checked_full_path(const std::string& path, const char* who);

// ---- programs -------------------------------------------------------------
// Starts app_path + program (one trailing '/' dropped) with the arguments
// "-path" argument (none when argument is empty). Once the new program runs,
// this one ends: ordered exit with saving, then exit(1). Returns only when the
// program could not be started, with the errno of the fork or the exec (logged).
int launch_app(const std::string& program, const std::string& argument);

// Sets the large-address-aware flag of a Windows PE executable at path (as
// given). 0; errno of the file calls; EIO on a short read or write;
// err_exe_not_mz / err_exe_not_pe when the file is no such executable.
int make_file_large_address_aware(std::string path);
