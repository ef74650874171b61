// manifest.h - reading the manifest ("directory.txt") into sim_info and
// examining the product folder by MD5. Main thread only.
#pragma once

#include <string>

// Reads the manifest, examines the current version of every listed path under
// dest_dir_path and sums stg.download_kb / stg.disk_kb, and stg.disk_need_kb,
// the room they take on the destination's file system. Returns dir_ready, or
// dir_missing when the header is refused. Draws progress pictures headed title.
int read_directory(const std::string& manifest_path, std::string title);

// The network installer's notice that the manifest is newer than it reads;
// ends the program after the current frame.
void new_format(std::string manifest_path);

// Parses a manifest body (the bytes after the header) into sim_info, as
// read_directory does; returns the number of FILE lines seen. For tests and
// for read_directory.
int ENG_parse_manifest_body(const char* begin, const char* end, const char* file_start,
                            const std::string& title);
