// zip_entry_reader.h - the entry-level reading under zip_to_file, inside the
// files layer only. minizip finds the entries and hands over their raw bytes;
// zlib inflates them here, and size and CRC are checked here, because the
// packaged minizip misreads zip64 sizes on 64-bit systems and would stop every
// entry of 4 GiB and more at 0xffffffff bytes.
#pragma once

#include <minizip/unzip.h>

#include <cstddef>

constexpr std::size_t zip_name_size = 256;            // an entry name must be shorter
constexpr std::size_t zip_out_chunk = 256 * 1024;     // inflated bytes per sink call
constexpr std::size_t zip_in_chunk = 64 * 1024;       // raw bytes per read
constexpr std::size_t zip_extra_size = 65536;         // the largest extra field
constexpr std::size_t zip_work_size = zip_out_chunk + zip_in_chunk + zip_extra_size;

// Receives inflated data in order; returns 0 or a code that stops the entry.
using zip_sink = int (*)(void* target, const char* data, std::size_t size);

// The current entry's information with its true 64-bit sizes, and its name
// (terminated; info.size_filename is the stored length). A minizip code, or
// err_zip_read for sizes that minizip cannot read past 4 GiB.
int zip_fetch_entry_info(unzFile uf, unz_file_info64& info, char (&name)[zip_name_size], char* work);

// Streams the current entry's data to the sink through `work` (zip_work_size
// bytes): err_zip_read when it cannot be inflated or its size differs from
// info.uncompressed_size, UNZ_CRCERROR when the CRC differs, a minizip code
// from opening or closing, or the sink's code.
int zip_read_entry(unzFile uf, const unz_file_info64& info, char* work, zip_sink sink, void* target);
