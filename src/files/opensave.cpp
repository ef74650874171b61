// opensave.cpp - folder listing for pickers.
//   takeit    suffix kinds and the picker rules
//   sort      the fast sort and the exchange procedure it must agree with
//   getitems  reading the folder or the command registry
#include "files/opensave.h"

#include "foundation/cmnd.h"
#include "foundation/hl_types.h"
#include "foundation/hooks.h"

#include <dirent.h>
#include <sys/stat.h>
#include <strings.h>

#include <algorithm>
#include <numeric>

namespace {

// ---- takeit ---------------------------------------------------------------

struct suffix_kind {
    const char* suffix;
    int kind;
};

const suffix_kind kSuffixes[] = {
    {".AFL", file_kind_afl}, {".WPN", file_kind_wpn}, {".ACF", file_kind_acf}, {".OBJ", file_kind_obj},
    {".SIT", file_kind_sit}, {".SMO", file_kind_smo}, {".TXT", file_kind_txt}, {".FMS", file_kind_fms},
    {".TRA", file_kind_tra}, {".CAR", file_kind_car}, {".SPA", file_kind_spa}, {".REG", file_kind_reg},
    {".WAV", file_kind_wav}, {".BMP", file_kind_image}, {".PNG", file_kind_image}, {".FDR", file_kind_fdr},
    {".DSF", file_kind_dsf}, {".HGT", file_kind_hgt},
};

const char kPanelFolder[] = "Resources/bitmaps/cockpit/-panel"; // 32 characters

bool is_panel_part(const std::string& joined)
{
    if (joined.size() >= sizeof kPanelFolder - 1 &&
        strncasecmp(joined.c_str(), kPanelFolder, sizeof kPanelFolder - 1) == 0)
        return true;
    if (joined.size() < 6) return false;
    const std::string mark = joined.substr(joined.size() - 6, 3);
    return mark == "-1." || mark == "-2." || mark == "-3." || mark == "-4.";
}

// ---- sort -----------------------------------------------------------------

int lower(char c) { return static_cast<signed char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); }

bool name_less(const std::string& a, const std::string& b)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i)
        if (lower(a[i]) != lower(b[i])) return lower(a[i]) < lower(b[i]);
    return a.size() < b.size();
}

bool same_but_case(const std::string& a, const std::string& b) { return !name_less(a, b) && !name_less(b, a); }

// The listing's own order: for each i, exchange with every earlier j it is less than.
void exchange_sort(std::vector<std::string>& names, std::vector<int>& kinds)
{
    for (std::size_t i = 0; i < names.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (name_less(names[i], names[j])) {
                std::swap(names[i], names[j]);
                std::swap(kinds[i], kinds[j]);
            }
}

} // namespace

int opensave_takeit(const std::string& folder, const std::string& name, int picker_type, int& kind)
{
    if (name.size() >= 4) {
        std::string tail = name.substr(name.size() - 4);
        for (char& c : tail)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        for (const suffix_kind& s : kSuffixes)
            if (tail == s.suffix) kind = s.kind;
    }
    if (picker_type == file_kind_panel && is_panel_part(folder + name)) return 0;
    if (name.empty() || name[0] == '.') return 0;
    if (kind == file_kind_folder || kind == picker_type || picker_type == file_kind_any) return 1;
    return picker_type == file_kind_panel && kind == file_kind_image ? 1 : 0;
}

void opensave_sort(std::vector<std::string>& names, std::vector<int>& kinds)
{
    // Any sort gives the one order of distinct names; only names equal but for
    // case depend on the exchange procedure's swaps, so those lists take it.
    std::vector<std::size_t> order(names.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return name_less(names[a], names[b]); });
    for (std::size_t i = 1; i < order.size(); ++i)
        if (same_but_case(names[order[i - 1]], names[order[i]])) return exchange_sort(names, kinds);

    std::vector<std::string> sorted_names;
    std::vector<int> sorted_kinds;
    sorted_names.reserve(names.size());
    sorted_kinds.reserve(kinds.size());
    for (std::size_t i : order) {
        sorted_names.push_back(std::move(names[i]));
        sorted_kinds.push_back(kinds[i]);
    }
    names.swap(sorted_names);
    kinds.swap(sorted_kinds);
}

int opensave_getitems(const std::string& folder, int picker_type, std::vector<std::string>& names,
                      std::vector<int>& kinds, int* links_seen)
{
    if (links_seen) *links_seen = 0;
    names.clear();
    kinds.clear();
    if (picker_type == picker_nothing || picker_type == file_kind_command) {
        if (picker_type == file_kind_command) cmnd.get_cmds_in_path(folder, names);
        kinds.assign(names.size(), file_kind_command);
        for (std::size_t i = 0; i < names.size(); ++i)
            if (!names[i].empty() && names[i].back() == '/') {
                names[i].pop_back();
                kinds[i] = file_kind_folder;
            }
        return static_cast<int>(names.size());
    }

    const std::string full = app_path + folder;
    if (full.size() >= 2 && full.back() != '/')
        MACIBM_alert(0, "Working path does not appear to be a directory!",
                     "This is not consistent with my labelling practices!",
                     "I need to end all paths with the directory indicator!", full, t_exit);
    DIR* dir = opendir(full.c_str());
    if (!dir) return 0;
    while (dirent* e = readdir(dir)) {
        if (links_seen && (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN)) *links_seen = 1;
        struct stat st;
        if (stat((full + e->d_name).c_str(), &st) != 0) continue;
        int kind = S_ISDIR(st.st_mode) ? file_kind_folder : file_kind_any;
        if (opensave_takeit(folder, e->d_name, picker_type, kind)) {
            names.emplace_back(e->d_name);
            kinds.push_back(kind);
        }
    }
    closedir(dir);
    opensave_sort(names, kinds);
    return static_cast<int>(names.size());
}
