// zip_entry_reader.h - the entry-level reading under zip_to_file, inside the
// files layer only. minizip walks the central directory; the entries' raw bytes
// are read here straight from the archive file, inflated by ISA-L, and checked
// for size and CRC here. The packaged minizip reports every zip64-escaped field
// of a central record as 0xffffffff on 64-bit systems and never follows a zip64
// local-header offset, so sizes and offsets of 4 GiB and more come from the
// record's zip64 extra field instead.
#pragma once

#include <minizip/unzip.h>

#include <cstddef>
#include <map>
#include <ostream>
#include <string>

constexpr std::size_t zip_name_size = 256;            // an entry name must be shorter
constexpr std::size_t zip_out_chunk = 256 * 1024;     // inflated bytes per sink call
constexpr std::size_t zip_in_chunk = 64 * 1024;       // raw bytes per read
constexpr std::size_t zip_extra_size = 65536;         // the largest extra field
constexpr std::size_t zip_work_size = zip_out_chunk + zip_in_chunk + zip_extra_size;

// Where an extraction's lines go: the log, or, while an extraction runs on a
// worker, the text that the caller writes to the log when the file's turn comes.
std::ostream& zip_log();

// Marks an entry whose local header minizip finds by itself (no zip64 offset).
constexpr ZPOS64_T zip_header_by_minizip = ~ZPOS64_T(0);

// An archive open for reading: minizip's handle for the directory, reading
// through the same descriptor the entries' raw bytes come from (the handle
// owns it and closes it).
struct zip_archive {
    unzFile uf = nullptr;
    int fd = -1;
    ZPOS64_T size = 0;                      // bytes in the archive file
    std::map<ZPOS64_T, ZPOS64_T> claimed;   // raw data read so far: start -> end, disjoint
};

// One entry of the central directory, with its true 64-bit sizes.
struct zip_entry {
    unz_file_info64 info;
    char name[zip_name_size]; // terminated; info.size_filename is the stored length
    ZPOS64_T header_at;       // local header offset from the zip64 field, else zip_header_by_minizip
};

// Receives inflated data in order; returns 0 or a code that stops the entry.
using zip_sink = int (*)(void* target, const char* data, std::size_t size);

// ---- archive ------------------------------------------------------------------------
int zip_open_archive(const std::string& path, zip_archive& za); // 0, or err_zip_open (nothing left open)
void zip_close_archive(zip_archive& za);                         // closes both handles

// ---- entries ------------------------------------------------------------------------
// The current entry's record, name and true sizes, through `work` (zip_work_size
// bytes). A minizip code, or err_zip_read (logged) when an escaped field has no
// value in the zip64 extra field.
int zip_fetch_entry_info(unzFile uf, zip_entry& entry, char* work);

// Streams the current entry's data to the sink through `work`: err_zip_read
// (logged) when the local header is missing or damaged, the data lies past the
// end of the archive, cannot be read or inflated, or its size differs from the
// declared one (no byte past the declared size reaches the sink); UNZ_CRCERROR
// when the CRC differs; UNZ_BADZIPFILE for a method other than stored or
// deflate; err_zip_overlap (logged) when its raw data overlap data an earlier
// call read from this archive; a minizip code from locating the data; or the
// sink's code.
int zip_read_entry(zip_archive& za, const zip_entry& entry, char* work, zip_sink sink, void* target);
