// zip_io.h - zip archives (PKZIP) over minizip: extracting an archive into a
// folder and packing one file into a new archive. Main thread only.
// Both put app_path in front of every path they receive.
#pragma once

#include <string>

// ---- extraction ------------------------------------------------------------------
// Unpacks every entry of app_path + zip_file into app_path + out_directory (which
// must exist and end with '/'): folders, files with their Unix mode and DOS date,
// symbolic links; "__MACOSX" entries are skipped and missing folders made. Each
// file is streamed to a temporary name and renamed into place only when its size,
// CRC and every write checked out, so a failure leaves the old file untouched.
// Never writes outside the output folder, nor through a symbolic link below it.
// first_name (may be null) receives the first entry's name; with flag non-zero the
// first entry is written under the name *first_name held on entry instead.
// 0 ok; err_zip_open; err_zip_read (short or unreadable data); err_zip_corrupt
// (refused entry name or link target); ENOTDIR (a link or file on the way);
// another errno (making a folder, writing, renaming); 12 (no buffer); -1 (link or
// file time not set); a negative minizip code (entry info, open, CRC -105, next).
int zip_to_file(std::string zip_file, std::string out_directory, std::string* first_name, int flag);

// ---- creation --------------------------------------------------------------------
// Packs app_path + source_file, opened by IO_open_regular (io_paths.h: path rules,
// letter case, never blocking) and read in chunks (any size; zip64 from 4 GiB),
// into a new archive app_path + zip_file with one deflated entry named after the
// source's last path component as given, carrying its modification time and
// Unix mode. 0 ok; err_file_open (source refused, missing, not a regular file,
// or unreadable; no archive made); err_zip_create; err_zip_too_big (the source grew past 4 GiB while
// being read); or the negative minizip code of the failing call.
int file_to_zip(std::string source_file, std::string zip_file);
