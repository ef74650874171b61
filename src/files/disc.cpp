// disc.cpp - disc discovery.
#include "files/disc.h"

#include "foundation/hl_types.h"
#include "foundation/hooks.h"
#include "files/xmap.h"
#include "foundation/xtim.h"

#include <mntent.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

demo_class demo;

namespace {

const std::string support_line =
    std::string("Please contact Skylume Linux support at ") + maker_support_address + " with any further questions.";
const int dvd_versions[] = {900, 0};

void warn_not_udf(const char* type)
{
    std::fprintf(stderr, "LINUX: I saw filesystem type \"%s\", but I wanted \"udf\"\n", type);
    __MACIBM_alert(0,
                   "I found a DVD, but it is not mounted as UDF! Skylume needs discs to be mounted as UDF so it can "
                   "find its files! Run the following commands as root at a shell to remount your disc as UDF.",
                   "umount /dev/dvd && mkdir -p /mnt/dvd && mount -t udf /dev/dvd /mnt/dvd",
                   "I will try to continue anyway, but it probably won't work.", support_line, t_alert, __FILE__,
                   __LINE__);
}

void warn_no_mount_table()
{
    __MACIBM_alert(0, "I could not open /etc/mtab!",
                   "I cannot scan for CDs without knowing about /etc/mtab! I will try some predefined places, but I "
                   "will not guarantee that I can find your DVD!",
                   "Make sure I can read /etc/mtab next time!", support_line, t_alert, __FILE__, __LINE__);
}

// check_dvd, and then the caller's say; a folder refused keeps dvd_path as it was.
int probe(const std::string& folder, disc_usable_fn usable)
{
    const std::string before = dvd_path;
    if (!check_dvd(folder)) return 0;
    if (!usable || usable(folder)) return 1;
    dvd_path = before;
    return 0;
}

} // namespace

int check_dvd(std::string folder)
{
    const std::string saved = app_path;
    app_path.clear();
    int passed = 0;
    {
        xmap_class version_file(folder + "dvd_version.txt");
        passed = version_file.begin && version_file.check_file(io_text, dvd_versions, "DVD", nullptr) == 900;
    }
    app_path = saved;
    if (passed) dvd_path = folder;
    return passed;
}

// Walks the mount table; the entries' octal escapes ("\040" for a blank) are
// decoded by the system's reader, so a folder name with blanks is found.
int demo_class::scan_mount_table(bool quiet, disc_usable_fn usable)
{
    FILE* table = setmntent(mtab_path.c_str(), "r");
    if (!table) {
        if (quiet) return 0;
        std::fprintf(stderr, "fopen: %s\n", std::strerror(errno));
        warn_no_mount_table();
        return 0;
    }
    std::vector<char> buf(64 * 1024);
    mntent entry;
    int found = 0;
    while (!found && getmntent_r(table, &entry, buf.data(), static_cast<int>(buf.size()))) {
        std::string folder = entry.mnt_dir;
        if (folder.empty()) continue; // a malformed line: never probe the root for it
        if (folder.back() != '/') folder += '/';
        found = probe(folder, usable);
        if (found && !quiet && std::strcmp(entry.mnt_type, "udf") != 0) warn_not_udf(entry.mnt_type);
    }
    endmntent(table);
    return found;
}

int demo_class::check_any(int selector, int force)
{
    if (selector < 0 || selector > 4) return 0;
    if (force) next_check_time[selector] = -1.0f;
    const float now = xtim.elapsed_time;
    if (now < next_check_time[selector]) return found_thing[selector];
    found_thing[selector] = 0;
    if (selector != 0) {
        next_check_time[selector] = now + 360.0f;
        return 0;
    }
    next_check_time[0] = now + 3600.0f;
    found_thing[0] = scan_all(false, nullptr);
    return found_thing[0];
}

int demo_class::scan_all(bool quiet, disc_usable_fn usable)
{
    int found = scan_mount_table(quiet, usable);
    for (size_t i = 0; !found && i < fixed_folders.size(); ++i) found = probe(fixed_folders[i], usable);
    return found;
}

int demo_class::look_again(disc_usable_fn usable)
{
    found_thing[0] = scan_all(true, usable);
    return found_thing[0];
}

void demo_class::reset_scans()
{
    next_check_time[0] = -1.0f;
    for (int i = 1; i < 5; ++i) next_check_time[i] = 0.0f;
    for (int& f : found_thing) f = 0;
}
