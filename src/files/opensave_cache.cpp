// opensave_cache.cpp - exact reuse of folder listings.
#include "files/opensave_cache.h"

#include "files/opensave.h"
#include "foundation/hl_types.h"

#include <ctime>

opensave_cache_class opensave_cache;

namespace {

// A listing read within this many seconds of the folder's last change may
// have missed a change made in the same timestamp tick; it is not reused.
constexpr long racy_seconds = 2;

// Few folders are shown at once; past this many the kept listings start afresh.
constexpr std::size_t max_kept = 8;

bool same_time(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

bool same_status(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && same_time(a.st_mtim, b.st_mtim) &&
           same_time(a.st_ctim, b.st_ctim);
}

// Entries change the modification time; a later change within the same tick
// would leave it as it is, so a listing that young is not trusted.
bool changed_recently(const struct stat& st, const timespec& now)
{
    return static_cast<long>(now.tv_sec) - static_cast<long>(st.st_mtim.tv_sec) < racy_seconds;
}

} // namespace

int opensave_cache_class::getitems(const std::string& folder, int picker_type, std::vector<std::string>& names,
                                   std::vector<int>& kinds)
{
    if (picker_type == picker_nothing || picker_type == file_kind_command)
        return opensave_getitems(folder, picker_type, names, kinds);
    const std::string full = app_path + folder;
    struct stat before;
    const bool readable = stat(full.c_str(), &before) == 0;
    const auto key = std::make_pair(full, picker_type);
    if (readable) {
        auto it = listings.find(key);
        if (it != listings.end() && it->second.trusted && same_status(it->second.st, before)) {
            ++hits;
            names = it->second.names;
            kinds = it->second.kinds;
            return static_cast<int>(names.size());
        }
    }
    ++misses;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    int links = 0;
    const int n = opensave_getitems(folder, picker_type, names, kinds, &links);
    struct stat after;
    if (!readable || stat(full.c_str(), &after) != 0) {
        listings.erase(key);
        return n;
    }
    if (listings.size() >= max_kept && listings.find(key) == listings.end()) listings.clear();
    kept& k = listings[key];
    k.st = before;
    k.trusted = !links && same_status(before, after) && !changed_recently(before, now);
    k.names = names;
    k.kinds = kinds;
    return n;
}

void opensave_cache_class::forget() { listings.clear(); }
