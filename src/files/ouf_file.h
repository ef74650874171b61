// ouf_file.h - the one output stream ouf (hl_types.h) pointed at a file with
// the common header that the mapped-file reader checks. Main thread only: ouf
// is a single global stream without a lock, one file at a time.
#pragma once

#include <string>

// Opens ouf on app_path + path (last three characters lower-cased), truncating,
// and writes the header of type io_text ("I\n<version> version<text>\n", text
// left out when it is "no-copyright-string"; sets the fixed float format) or
// io_binary ('i' and the version as 4 little-endian bytes). A failed open makes
// the file's folder (one level) and tries once more; then a t_alert and 0, with
// ouf closed and failed. A full path over io_max_path bytes is refused the same
// way (logged). Any other type is a program fault: fatal alert. 1 when open.
int ouf_open(std::string path, int type, int version, std::string text);

// ouf_open on full taken as it is (no app_path, no lower-casing), for a writer
// that fills a temporary file and renames it: a failure's alert names shown,
// the file the user knows, in place of full. A bad type's fatal alert names
// received, the path as the caller gave it.
int ouf_open_full(const std::string& full, const std::string& shown, int type, int version, std::string text,
                  const std::string& received);

// The t_alert of a file that cannot be saved, naming shown (the full path).
void ouf_alert_cannot_save(const std::string& shown);

// The file ouf_open(path, ...) writes: app_path + path, its last three characters lower-cased.
std::string ouf_target_path(const std::string& path);
