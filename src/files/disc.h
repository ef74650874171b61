// disc.h - finding the product disc through the mount table and a list of
// usual mount folders. Main thread only, at start-up.
#pragma once

#include <string>
#include <vector>

// Whether a folder that carries the disc header holds a disc to install
// from; 1 yes. Given by the screen, which reads the disc's version file.
using disc_usable_fn = int (*)(const std::string& folder);

class demo_class {
public:
    // 1 when the disc was found, now or by the last scan of this selector
    // (0..4). Selector 0 scans again after an hour, or at once with force.
    int check_any(int selector, int force);

    std::string mtab_path = "/etc/mtab"; // the mount table read first
    std::vector<std::string> fixed_folders = {
        "/mnt/cdrom/", "/cdrom/", "/media/cdrom/", "/mnt/dvd/", "/dvd/", "/media/dvd/", "/mnt/skylume/",
    };

    void reset_scans(); // forgets every selector's last scan; for tests

    // Searches for the disc now, in every place selector 0 does, but silently:
    // no alert for an unreadable mount table or a file system other than UDF.
    // A folder with the disc header counts only when usable(folder) says so
    // (null: every such folder); a refused one leaves dvd_path as it was. For
    // the screen, which looks again and again for a disc inserted after
    // start-up, or for another disc than one it could not use. 1 found.
    int look_again(disc_usable_fn usable = nullptr);

private:
    float next_check_time[5] = {-1.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    int found_thing[5] = {};
    int scan_mount_table(bool quiet, disc_usable_fn usable);
    int scan_all(bool quiet, disc_usable_fn usable);
};

extern demo_class demo;

// Tests one folder (with its trailing '/'): 1 and dvd_path = folder when its
// "dvd_version.txt" carries the disc header, else 0.
int check_dvd(std::string folder);
