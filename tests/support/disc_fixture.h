// disc_fixture.h - a product disc made by test code, laid out as the install
// step reads it: the marker file at the root, and under the install set's
// folder the zipped manifest and one archive per listed file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct disc_file {
    std::string rel;         // path below the product folder, e.g. "Resources/a.txt"
    std::string data;        // file content; for a link, its target
    unsigned long mode = 0100644;
    int platform = 0;
    std::vector<std::string> older_sigs; // signatures of older listed versions
    bool gone = false;       // listed as "GONE": no archive
    unsigned long dos_date = 0;
    std::uint64_t zero_mib = 0; // non-zero: the file is that many MiB of zeros, and data is unused
};

std::string md5_of(const std::string& bytes);

// The signature of `mib` MiB of zeros; worked out once per size and process.
std::string zeros_md5(std::uint64_t mib);

// Writes the disc under root (ending in '/') for install set `set`, with the
// product's top folder "Top"; returns the manifest text it zipped. Each file is
// listed with its MD5, a disk size of its whole kB rounded down and a download
// size of 3 kB.
std::string make_disc(const std::string& root, const std::string& set, const std::vector<disc_file>& files);
