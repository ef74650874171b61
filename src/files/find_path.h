// find_path.h - case-insensitive path lookup. Paths the program builds may
// differ in letter case from the names on disk; these calls rewrite a path to
// the case the folders actually use. Main thread or any thread on its own copy.
#pragma once

#include <string>

// Non-zero: callers' paths may differ in case from the disk, so file_exists,
// dir_exists and the mapped-file reader resolve them with findPath first.
// Start-up sets it to 1; 0 at process start.
extern int g_case_sensitive;

// Corrects the letter case of path in place, component by component. Nothing
// changes when the path exists as written; the walk stops at the first
// component without a match (the rest keeps the caller's case). The length
// never changes. No result, nothing reported.
void findPath(std::string& path);
void findPath(char* path); // the same on a NUL-terminated writable buffer
