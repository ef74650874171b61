// disc_fixture.cpp
#include "support/disc_fixture.h"

#include "files/md5.h"
#include "support/testkit.h"
#include "support/zip_builder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

std::string md5_of(const std::string& bytes)
{
    MD5Stream digest;
    digest.feed(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    return digest.hex();
}

std::string zeros_md5(std::uint64_t mib)
{
    static std::map<std::uint64_t, std::string> known;
    std::string& sig = known[mib];
    if (!sig.empty()) return sig;
    const std::string zeros(std::size_t(1) << 20, '\0');
    MD5Stream digest;
    for (std::uint64_t i = 0; i < mib; ++i)
        digest.feed(reinterpret_cast<const unsigned char*>(zeros.data()), zeros.size());
    return sig = digest.hex();
}

std::string make_disc(const std::string& root, const std::string& set, const std::vector<disc_file>& files)
{
    namespace fs = std::filesystem;
    fs::create_directories(root + set);
    write_file(root + "dvd_version.txt", "I\n900 version\nDVD\nVERSION " + set + "\n");
    std::string manifest = "I\n900 version\nINSTALLER\n";
    for (const disc_file& f : files) {
        const std::string path = "Top/" + f.rel;
        const size_t slash = path.rfind('/');
        const std::string dir = path.substr(0, slash + 1), name = path.substr(slash + 1);
        manifest += "DIR " + dir + "\n";
        for (const std::string& old : f.older_sigs)
            manifest += "FILE 0 " + std::to_string(f.platform) + " 0 1 1 " + old + " " + name + "\n";
        const std::string sig = f.gone ? "GONE" : f.zero_mib ? zeros_md5(f.zero_mib) : md5_of(f.data);
        const std::uint64_t bytes = f.zero_mib ? f.zero_mib << 20 : f.data.size();
        const std::string disk_kb = std::to_string(bytes / 1024); // whole kB, rounded down
        manifest += "FILE 0 " + std::to_string(f.platform) + " 0 3 " + disk_kb + " " + sig + " " + name + "\n";
        if (f.gone) continue;
        const std::string archive = root + set + "/" + path + ".zip";
        fs::create_directories(fs::path(archive).parent_path());
        zip_entry_spec e = f.zero_mib ? zeros_entry(name, f.zero_mib) : zip_entry_spec{};
        e.name = name;
        if (!f.zero_mib) e.data = f.data;
        e.mode = f.mode;
        e.dos_date = f.dos_date;
        EXPECT_TRUE(make_zip(archive, {e})) << archive;
    }
    zip_entry_spec m;
    m.name = "directory.txt";
    m.data = manifest;
    EXPECT_TRUE(make_zip(root + set + "/directory.txt.zip", {m}));
    return manifest;
}
