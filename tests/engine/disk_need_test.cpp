// disk_need_test.cpp - the room an installation takes on the destination's
// file system: each file in whole fragments, and a fragment for each folder
// it makes; checked against what the same files and folders really take on
// the test's own file system.
#include "engine/disk_need.h"
#include "engine/folders.h"
#include "engine/install_records.h"
#include "engine/manifest.h"
#include "engine/stg.h"
#include "engine_fixture.h"

#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <functional>

namespace {

namespace fs = std::filesystem;

TEST(FileRoom, WholeFragmentsOfTheListedSize)
{
    // Listed as the discs list them: the content in whole kB, rounded up.
    struct row {
        const char* what;
        double kb;
        std::uint64_t frag;
        double want_kb;
    } rows[] = {
        {"0 bytes", 0, 4096, 0},
        {"1 byte", 1, 4096, 4},
        {"4096 bytes", 4, 4096, 4},
        {"4097 bytes", 5, 4096, 8},
        {"1 byte in 1 KiB fragments", 1, 1024, 1},
        {"4097 bytes in 1 KiB fragments", 5, 1024, 5},
        {"1 byte in 64 KiB fragments", 1, 65536, 64},
        {"4 GiB and 1 kB", 4194305, 4096, 4194308},
        {"a negative listing takes nothing", -3, 4096, 0},
        {"no fragment size: the usual one", 1, 0, 4},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(ENG_file_room_kb(r.kb, r.frag), r.want_kb);
    }
}

TEST(FileRoom, FragmentOfTheNearestExistingFolder)
{
    temp_dir tmp;
    const std::uint64_t here = ENG_fragment_bytes(tmp.path() + "/");
    EXPECT_GT(here, 0u);
    EXPECT_EQ(ENG_fragment_bytes(tmp / "not/yet/made/"), here);
    EXPECT_EQ(ENG_fragment_bytes(""), fallback_fragment_bytes);
}

// Bytes the entries below folder take on their file system, the folder included.
std::uint64_t bytes_taken(const std::string& folder)
{
    struct stat st;
    std::uint64_t total = stat(folder.c_str(), &st) == 0 ? std::uint64_t(st.st_blocks) * 512 : 0;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (lstat(e.path().c_str(), &st) == 0) total += std::uint64_t(st.st_blocks) * 512;
    return total;
}

class DiskNeed : public engine_fixture {
protected:
    struct listed {
        const char* rel;
        std::uint64_t bytes; // listed as their whole kB, rounded up
    };
    // Files of 0, 1, 4096 and 4097 bytes, one in the product folder itself and
    // the others in new folders; a file that is gone and one for another
    // system add nothing.
    const std::vector<listed> files = {
        {"empty.txt", 0}, {"A/one.txt", 1}, {"A/B/four.bin", 4096}, {"A/B/C/more.bin", 4097}, {"D/more.bin", 4097},
    };
    std::string manifest()
    {
        std::string body = "DIR Top/\n";
        for (const listed& f : files)
            body += "FILE 0 0 0 1 " + std::to_string((f.bytes + 1023) / 1024) + " " + md5_empty + " " + f.rel + "\n";
        body += "FILE 0 0 0 1 1 GONE A/gone.txt\nFILE 0 1 0 1 1 S Mac/x\n";
        return write_manifest(body);
    }
    // The files in whole fragments of frag bytes, counted from their bytes.
    std::uint64_t file_fragments(std::uint64_t frag) const
    {
        std::uint64_t n = 0;
        for (const listed& f : files) n += (f.bytes + frag - 1) / frag;
        return n;
    }
    // What the installation makes below dest: the folders and files of the list.
    void install_them(const std::string& dest)
    {
        for (const char* f : fixed_folders) fs::create_directories(dest + f);
        for (const listed& f : files) {
            fs::create_directories(fs::path(dest + f.rel).parent_path());
            write_file(dest + f.rel, std::string(f.bytes, 'x'));
        }
    }
};

TEST_F(DiskNeed, FilesInWholeFragmentsAndAFragmentForEachNewFolder)
{
    const std::uint64_t frag = ENG_fragment_bytes(tmp.path() + "/");
    ASSERT_EQ(frag % 1024, 0u) << "the listing's whole kB fit whole fragments only where a fragment is whole kB";
    const std::string m = manifest();
    const std::string fresh = tmp / "New/Skylume/";
    struct dest_case {
        const char* name;
        std::string dest;
        std::function<void()> make;
        std::uint64_t new_folders;
    } cases[] = {
        // New/ and Skylume/; A, A/B, A/B/C and D; the seven fixed folders.
        {"a new product folder in a new folder", fresh, [] {}, 2 + 4 + 7},
        {"an empty product folder", product, [&] { fs::remove_all(product); fs::create_directories(product); }, 4 + 7},
        {"some folders there already", product,
         [&] {
             fs::remove_all(product);
             put_file("A/note.txt", "mine");
             fs::create_directories(product + "Output/logbooks");
         },
         2 + 1 + 5},
    };
    for (const dest_case& c : cases) {
        SCOPED_TRACE(c.name);
        c.make();
        dest_dir_path = c.dest;
        ASSERT_EQ(read_directory(m, "t"), dir_ready);
        EXPECT_EQ(stg.disk_kb, 0 + 1 + 4 + 5 + 5) << "the content as listed";
        EXPECT_EQ(stg.disk_need_kb, double((file_fragments(frag) + c.new_folders) * frag) / 1024);
    }
    // What those files and folders really take on this file system is within the need.
    dest_dir_path = fresh;
    ASSERT_EQ(read_directory(m, "t"), dir_ready);
    install_them(fresh);
    EXPECT_LE(bytes_taken(tmp / "New"), stg.disk_need_kb * 1024);
}

} // namespace
