// zip_site.h - what the zip extraction tests share: a temporary folder with an
// archive, an output folder and a folder beside it that no extraction may
// touch; entry types; listing and patching helpers.
#pragma once

#include "files_fixture.h"
#include "files/zip_io.h"
#include "support/testkit.h"
#include "support/zip_builder.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <vector>

constexpr unsigned long reg_file = 0100000;
constexpr unsigned long sym_link = 0120000;
constexpr unsigned long dir_type = 0040000;

struct stat_result {
    bool exists;
    struct stat st;
};

inline stat_result lstat_of(const std::string& path)
{
    stat_result r{};
    r.exists = lstat(path.c_str(), &r.st) == 0;
    return r;
}

inline mode_t umasked(mode_t mode)
{
    mode_t mask = umask(0);
    umask(mask);
    return mode & ~mask;
}

// Names in a folder, "." and ".." left out.
inline std::vector<std::string> list_dir(const std::string& path)
{
    std::vector<std::string> names;
    if (DIR* d = opendir(path.c_str())) {
        while (dirent* e = readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
        closedir(d);
    }
    return names;
}

// A temporary folder with an archive "a.zip", an output folder "out/" and a
// folder "outside" beside it that no extraction may touch.
struct zip_site {
    temp_dir dir;
    app_path_guard prefix{dir.path() + "/"};
    zip_site()
    {
        mkdir((dir / "out").c_str(), 0755);
        mkdir((dir / "outside").c_str(), 0755);
    }
    std::string out(const std::string& name) const { return dir / ("out/" + name); }
    int extract(const std::vector<zip_entry_spec>& entries, std::string* first = nullptr, int flag = 0)
    {
        EXPECT_TRUE(make_zip(dir / "a.zip", entries));
        return zip_to_file("a.zip", "out/", first, flag);
    }
    // No temporary file may be left anywhere below out/.
    void expect_no_temporaries(const std::string& sub = "") const
    {
        for (const std::string& name : list_dir(out(sub))) {
            EXPECT_EQ(name.find(".sky-"), std::string::npos) << name;
            if (lstat_of(out(sub + name)).exists && S_ISDIR(lstat_of(out(sub + name)).st.st_mode))
                expect_no_temporaries(sub + name + "/");
        }
    }
};

// Replaces every occurrence of `from` in the file by `to` (same length).
inline void patch_file(const std::string& path, const std::string& from, const std::string& to)
{
    ASSERT_EQ(from.size(), to.size());
    std::string bytes = read_file(path);
    for (std::size_t at = bytes.find(from); at != std::string::npos; at = bytes.find(from, at + 1))
        bytes.replace(at, from.size(), to);
    write_file(path, bytes);
}

