// opensave_cache.h - folder listings kept while their folder is unchanged, for
// pickers that list the folder they show on every frame. A kept listing is
// handed out only when the folder's status (device, inode, modification and
// change times) is the same as when it was read, the listing was not made in
// the same moment as the last change (timestamps are coarser than the clock),
// and no entry was a symbolic link (its target can change silently); so a new
// folder appears at once. Main thread only.
#pragma once

#include <sys/stat.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

class opensave_cache_class {
public:
    // opensave_getitems (files/opensave.h), from the kept listing when it is still exact.
    int getitems(const std::string& folder, int picker_type, std::vector<std::string>& names, std::vector<int>& kinds);
    void forget(); // drops every kept listing

    int hits = 0;   // listings handed out without reading the folder
    int misses = 0; // listings read

private:
    struct kept {
        struct stat st;
        bool trusted;
        std::vector<std::string> names;
        std::vector<int> kinds;
    };
    std::map<std::pair<std::string, int>, kept> listings; // by (app_path + folder, picker type)
};

extern opensave_cache_class opensave_cache;
