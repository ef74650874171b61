// disk_need.cpp - files in whole fragments, and the folders an installation makes.
#include "engine/disk_need.h"

#include "engine/folders.h"
#include "files/io_utils.h"

#include <sys/statvfs.h>

#include <cmath>

// ---- the file system ---------------------------------------------------------------------

std::uint64_t ENG_fragment_bytes(const std::string& folder)
{
    struct statvfs fs;
    if (folder.empty() || IO_statvfs_nearest(folder, &fs) != 0) return fallback_fragment_bytes;
    if (fs.f_frsize > 0) return fs.f_frsize;
    return fs.f_bsize > 0 ? fs.f_bsize : fallback_fragment_bytes;
}

double ENG_file_room_kb(double kb, std::uint64_t frag)
{
    if (!(kb > 0)) return 0;
    const double f = static_cast<double>(frag > 0 ? frag : fallback_fragment_bytes);
    return std::ceil(kb * 1024.0 / f) * f / 1024.0;
}

// ---- the sum ---------------------------------------------------------------------------------

namespace {

// The missing folders of the chain that ends in dest: dest itself and each
// parent up to the first one there.
std::uint64_t missing_chain(std::string folder)
{
    std::uint64_t missing = 0;
    while (!folder.empty() && folder != "/" && file_is_absent(folder)) {
        ++missing;
        if (folder.back() == '/') folder.pop_back();
        const std::size_t slash = folder.rfind('/');
        if (slash == std::string::npos) break;
        folder.resize(slash + 1);
    }
    return missing;
}

} // namespace

disk_need_class::disk_need_class(std::uint64_t fragment_bytes)
    : frag(fragment_bytes > 0 ? fragment_bytes : fallback_fragment_bytes)
{
}

void disk_need_class::add_file(std::string_view rel_path, double kb)
{
    files_kb += ENG_file_room_kb(kb, frag);
    const std::size_t end = rel_path.rfind('/');
    if (end == std::string_view::npos || end == 0) return; // in the product folder itself
    // The manifest lists a folder's files together: most files add no folder.
    if (rel_path.substr(0, end) == last_folder) return;
    last_folder.assign(rel_path.substr(0, end));
    std::string folder = last_folder;
    for (std::size_t slash = end; slash != std::string::npos && slash > 0; slash = folder.rfind('/')) {
        folder.resize(slash);
        if (!folders.insert(folder).second) break; // its parents came with it
    }
}

double disk_need_class::total_kb(const std::string& dest, bool all_new) const
{
    // Without a destination nothing is looked up: every folder counts as new.
    const bool look = !all_new && !dest.empty();
    std::uint64_t made = dest.empty() ? 0 : missing_chain(dest);
    std::set<std::string> wanted = folders;
    wanted.insert(std::begin(fixed_folders), std::end(fixed_folders));
    for (const std::string& f : wanted)
        if (!look || file_is_absent(dest + f)) ++made;
    return files_kb + static_cast<double>(made) * static_cast<double>(frag) / 1024.0;
}
