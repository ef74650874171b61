// zip_builder.h - fixture archives made with minizip's own zip API, so the
// tests can state modes, DOS dates, links, odd names and damage exactly.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct zip_entry_spec {
    std::string name;
    std::string data;            // written `repeat` times, in bounded chunks
    unsigned long mode = 0;      // Unix mode for the upper attribute half; 0: none
    unsigned long dos_attr = 0;  // lower attribute half
    unsigned long dos_date = 0;  // 0: the library's default date
    std::uint64_t repeat = 1;
    bool stored = false;         // method 0 instead of deflate
    bool bad_crc = false;        // stored, with a CRC that does not match
    std::uint64_t claimed_size = 0; // stored; non-zero: the size the headers declare
    bool raw_deflate = false;    // data is a raw deflate stream, declared with
    unsigned long raw_crc = 0;   // claimed_size and this CRC
};

// Writes the archive; false when minizip refused (the test then fails).
bool make_zip(const std::string& path, const std::vector<zip_entry_spec>& entries);

// A plain archive (no zip64 end records, no comment) in its parts, to be put
// back together with central records added or changed: the local entries, and
// the central records in order.
struct zip_parts {
    std::string local;
    std::vector<std::string> central;
};
bool split_zip(const std::string& bytes, zip_parts& parts); // false when it is no such archive
std::string join_zip(const zip_parts& parts);             // parts, central directory, end record

// An archive of e and count - 1 more central records that point at e's data,
// each under e's name with its first "00" numbered ("f00.bin", "f01.bin", ...):
// entries that share one block of data, a zip bomb. False when minizip refused.
bool make_shared_data_zip(const std::string& path, const zip_entry_spec& e, int count);

// An entry of `mib` MiB of zeros, deflated: one compressed MiB, flushed whole,
// repeated, and an empty last block. The archive takes about a thousandth of
// the file, is made at once, and the file is never held in memory.
zip_entry_spec zeros_entry(const std::string& name, std::uint64_t mib);

// MS-DOS date and time word as zip headers store them.
unsigned long dos_date(int year, int month, int day, int hour, int minute, int second);

// One stored entry of a hand-written zip64 archive.
struct sparse_entry {
    std::string name;
    std::uint64_t size = 0;        // bytes of zeros that are never written (a hole), when data is empty
    std::string data;              // written as it is, when not empty
    std::uint64_t skip_before = 0; // unused bytes between the previous entry and this local header
    unsigned long mode = 0100644;  // Unix mode for the upper attribute half
    bool zip64_always = false;     // sizes and offset escaped to zip64 even when small
};

// Writes an archive of stored entries laid out in order, headers written by
// hand: a size or offset of 0xffffffff and more (any, with zip64_always) is
// escaped to the zip64 extra field, and the directory ends with the zip64 records. The zeros and skipped
// bytes are holes, so sizes past 4 GiB cost no disk. False when the file
// system refuses such a file (the test then skips).
bool make_sparse_zip64(const std::string& path, const std::vector<sparse_entry>& entries);
