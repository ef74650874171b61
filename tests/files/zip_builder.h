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

// MS-DOS date and time word as zip headers store them.
unsigned long dos_date(int year, int month, int day, int hour, int minute, int second);
