// disk_need.h - the room an installation takes on the destination's file
// system. The manifest lists each file's content in whole kB (rounded up); a
// file system gives every file whole fragments and every folder at least one,
// so a product of thousands of small files takes far more room than its
// content. Main thread only.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

// ---- the file system ---------------------------------------------------------------------
constexpr std::uint64_t fallback_fragment_bytes = 4096; // the usual fragment, where no file system answers
// statvfs's fragment size (f_frsize) of the file system that holds folder, or
// its nearest existing parent while it is not there; fallback_fragment_bytes
// when none answers.
std::uint64_t ENG_fragment_bytes(const std::string& folder);
// kB a file listed at kb takes in fragments of frag bytes: kb x 1024 bytes
// rounded up to whole fragments; 0 for an empty (or negative) listing.
double ENG_file_room_kb(double kb, std::uint64_t frag);

// ---- the sum ---------------------------------------------------------------------------------
// Summed file by file while the product folder is examined.
class disk_need_class {
public:
    explicit disk_need_class(std::uint64_t fragment_bytes);
    // A file to install at rel_path (relative to the product folder), listed at kb.
    void add_file(std::string_view rel_path, double kb);
    // kB in all for the product folder dest (ending in '/'): the files, and a
    // fragment for every folder the installation makes that is not there yet
    // (dest and its missing parents, the files' folders, the fixed folders).
    // all_new: dest is missing or empty, so nothing below it is looked up.
    double total_kb(const std::string& dest, bool all_new) const;

private:
    std::uint64_t frag;             // bytes per fragment
    double files_kb = 0;            // the files' whole fragments, kB
    std::set<std::string> folders;  // the files' folders with their parents, relative to the product folder
    std::string last_folder;        // the folder of the file added last
};
