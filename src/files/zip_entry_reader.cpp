// zip_entry_reader.cpp - entry information with true sizes, and entry data
// inflated and checked in bounded chunks.
//   1. zip64 sizes from the central extra field
//   2. the data: stored or deflated, size and CRC
#include "zip_entry_reader.h"

#include "hl_types.h"
#include "io_errors.h"

#include <zlib.h>

#include <cstdint>

namespace {

// ---- 1. zip64 sizes ------------------------------------------------------------

constexpr ZPOS64_T zip32_escape = 0xffffffffu; // a 32-bit field whose value lives in zip64
constexpr unsigned zip64_tag = 0x0001;

std::uint64_t load_le(const unsigned char* p, int bytes)
{
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | p[i];
    return v;
}

// Replaces escaped sizes by the zip64 block's values (uncompressed first, then
// compressed, each present only when escaped); false when a value is missing or
// the compressed size needs zip64, which minizip's raw reads cannot follow.
bool apply_zip64_sizes(unz_file_info64& info, const unsigned char* extra, std::size_t length)
{
    const bool need_u = info.uncompressed_size == zip32_escape;
    const bool need_c = info.compressed_size == zip32_escape;
    if (need_c) return false;
    if (!need_u) return true;
    for (std::size_t at = 0; at + 4 <= length;) {
        const std::size_t id = load_le(extra + at, 2), size = load_le(extra + at + 2, 2);
        if (at + 4 + size > length) break;
        if (id == zip64_tag && size >= 8) {
            info.uncompressed_size = load_le(extra + at + 4, 8);
            return true;
        }
        at += 4 + size;
    }
    return false;
}

// ---- 2. the data ----------------------------------------------------------------

struct entry_stream {
    unzFile uf;
    const unz_file_info64& info;
    char* out;        // zip_out_chunk bytes
    char* in;         // zip_in_chunk bytes
    zip_sink sink;
    void* target;
    ZPOS64_T total;   // bytes handed to the sink
    uLong crc;
};

// Hands one piece on, refusing data beyond the declared size before it lands.
int deliver(entry_stream& s, const char* data, std::size_t size)
{
    if (size > s.info.uncompressed_size - s.total) return err_zip_read;
    s.total += size;
    s.crc = crc32(s.crc, reinterpret_cast<const Bytef*>(data), static_cast<uInt>(size));
    return s.sink(s.target, data, size);
}

int copy_stored(entry_stream& s)
{
    for (;;) {
        int got = unzReadCurrentFile(s.uf, s.out, zip_out_chunk);
        if (got < 0) return err_zip_read;
        if (got == 0) return 0;
        if (int err = deliver(s, s.out, std::size_t(got))) return err;
    }
}

int inflate_loop(entry_stream& s, z_stream& zs)
{
    bool input_done = false;
    for (;;) {
        if (zs.avail_in == 0 && !input_done) {
            int got = unzReadCurrentFile(s.uf, s.in, zip_in_chunk);
            if (got < 0) return err_zip_read;
            input_done = got == 0;
            zs.next_in = reinterpret_cast<Bytef*>(s.in);
            zs.avail_in = uInt(got);
        }
        zs.next_out = reinterpret_cast<Bytef*>(s.out);
        zs.avail_out = uInt(zip_out_chunk);
        int z = inflate(&zs, Z_NO_FLUSH);
        const std::size_t produced = zip_out_chunk - zs.avail_out;
        if (produced > 0)
            if (int err = deliver(s, s.out, produced)) return err;
        if (z == Z_STREAM_END) return 0;
        const bool stuck = z == Z_BUF_ERROR && input_done && produced == 0;
        if (stuck || (z != Z_OK && z != Z_BUF_ERROR)) {
            xer << "UNZIP inflate stopped with zlib err=" << z << "\n";
            return err_zip_read;
        }
    }
}

int inflate_deflated(entry_stream& s)
{
    z_stream zs{};
    if (inflateInit2(&zs, -MAX_WBITS) != Z_OK) return ENOMEM;
    int err = inflate_loop(s, zs);
    inflateEnd(&zs);
    return err;
}

} // namespace

int zip_fetch_entry_info(unzFile uf, unz_file_info64& info, char (&name)[zip_name_size], char* work)
{
    unsigned char* extra = reinterpret_cast<unsigned char*>(work + zip_out_chunk + zip_in_chunk);
    // At most size - 1 bytes of the name are read, so it stays terminated.
    name[zip_name_size - 1] = '\0';
    int err = unzGetCurrentFileInfo64(uf, &info, name, zip_name_size - 1, extra, zip_extra_size, nullptr, 0);
    if (err != UNZ_OK) return err;
    std::size_t extra_length = info.size_file_extra < zip_extra_size ? info.size_file_extra : zip_extra_size;
    if (apply_zip64_sizes(info, extra, extra_length)) return 0;
    xer << "UNZIP cannot read an entry whose zip64 sizes are missing or past the zip library's reach\n";
    return err_zip_read;
}

int zip_read_entry(unzFile uf, const unz_file_info64& info, char* work, zip_sink sink, void* target)
{
    int method = 0, level = 0;
    if (int err = unzOpenCurrentFile2(uf, &method, &level, 1)) return err;
    entry_stream s{uf, info, work, work + zip_out_chunk, sink, target, 0, crc32(0, nullptr, 0)};
    int err = method == Z_DEFLATED ? inflate_deflated(s) : method == 0 ? copy_stored(s) : UNZ_BADZIPFILE;
    if (!err && s.total != info.uncompressed_size) {
        xer << "UNZIP entry gave " << s.total << " of " << info.uncompressed_size << " bytes\n";
        err = err_zip_read;
    }
    if (!err && s.crc != info.crc) err = UNZ_CRCERROR;
    int close_err = unzCloseCurrentFile(uf);
    return err ? err : close_err;
}
