// io_paths.h - the rules every file call applies to a path before it touches
// the disk. Paths reach this layer from outside (a destination the user typed,
// a manifest line, a mount folder), so a path the layer cannot take is refused
// like a file that cannot be opened, with a log line, never by ending the program.
#pragma once

#include <cstddef>
#include <string>

#include "files/io_utils.h"

#include <sys/stat.h>

// Longest full path (program folder prefix included) the file layer takes, in bytes.
constexpr std::size_t io_max_path = 499;


// 1 when full is at most io_max_path bytes; else logs "<who>: path too long: <full>" and 0.
// Both refusals log a path cut to a few hundred bytes, and each <who> logs only
// its first few refusals of a kind in a run (UTL_log_budget), then says the rest go unlogged: one
// long destination refuses every file of the manifest the same way.
int IO_path_length_ok(const std::string& full, const char* who);

// 1 when path holds neither '\\' nor ':'; else logs "<who>: bad folder character in path: <path>" and 0.
int IO_path_dirchars_ok(const std::string& path, const char* who);

// full, with its letter case resolved through findPath while g_case_sensitive is set.
std::string IO_case_resolved(std::string full);

// Opens app_path + path for reading by the rules above: a path holding
// '\\' or ':', or too long, is refused with a log line; its letter case is
// resolved while g_case_sensitive is set. The open never blocks (a FIFO in the
// file's place), and anything but a regular file is refused with a log line
// "<who>: not a regular file: <path>". A descriptor (st filled), or -1.
int IO_open_regular(const std::string& path, struct stat& st, const char* who);

// IO_open_regular in two halves, for a caller that opens on another thread
// but keeps the log lines in its own order: IO_checked_full_path (io_utils.h)
// checks the path; this, on any thread, resolves the letter case and opens
// it, logging nothing: -1 with *not_regular set when something other than a
// regular file stands there.
int IO_open_regular_quietly(const std::string& full, struct stat& st, bool* not_regular);
