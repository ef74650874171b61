// zip_builder.cpp - fixture archives through minizip's zip API.
#include "support/zip_builder.h"

#include <minizip/zip.h>
#include <zlib.h>

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

namespace {

std::uint64_t entry_size(const zip_entry_spec& e) { return e.data.size() * e.repeat; }

bool write_entry(zipFile zf, const zip_entry_spec& e)
{
    zip_fileinfo fi{};
    fi.dosDate = e.dos_date;
    fi.external_fa = (e.mode << 16) | e.dos_attr;
    bool raw = e.bad_crc || e.claimed_size != 0;
    int method = e.raw_deflate ? Z_DEFLATED : raw || e.stored ? 0 : Z_DEFLATED;
    int zip64 = entry_size(e) >= 0xffffffffu ? 1 : 0;
    if (zipOpenNewFileInZip2_64(zf, e.name.c_str(), &fi, nullptr, 0, nullptr, 0, nullptr, method,
                                Z_BEST_SPEED, raw ? 1 : 0, zip64) != ZIP_OK)
        return false;
    uLong crc = crc32(0, nullptr, 0);
    for (std::uint64_t i = 0; i < e.repeat; ++i) {
        const Bytef* p = reinterpret_cast<const Bytef*>(e.data.data());
        crc = crc32(crc, p, static_cast<uInt>(e.data.size()));
        if (!e.data.empty() && zipWriteInFileInZip(zf, p, static_cast<unsigned>(e.data.size())) != ZIP_OK)
            return false;
    }
    if (!raw) return zipCloseFileInZip(zf) == ZIP_OK;
    std::uint64_t size = e.claimed_size ? e.claimed_size : entry_size(e);
    if (e.raw_deflate) crc = e.raw_crc;
    return zipCloseFileInZipRaw64(zf, size, e.bad_crc ? crc ^ 1 : crc) == ZIP_OK;
}

} // namespace

bool make_zip(const std::string& path, const std::vector<zip_entry_spec>& entries)
{
    zipFile zf = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    if (!zf) return false;
    bool ok = true;
    for (const zip_entry_spec& e : entries) ok = ok && write_entry(zf, e);
    return zipClose(zf, nullptr) == ZIP_OK && ok;
}

unsigned long dos_date(int year, int month, int day, int hour, int minute, int second)
{
    return (unsigned long)(year - 1980) << 25 | (unsigned long)month << 21 | (unsigned long)day << 16 |
           (unsigned long)hour << 11 | (unsigned long)minute << 5 | (unsigned long)(second / 2);
}

namespace {

constexpr std::uint64_t escape32 = 0xffffffffu;

void put_le(std::string& out, std::uint64_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i) out += static_cast<char>(v >> (8 * i) & 0xff);
}

// The 32-bit field of a value that may need zip64, and the value appended to
// the zip64 block when it does.
std::uint64_t field32(std::uint64_t v, std::string& zip64, bool always)
{
    if (v < escape32 && !always) return v;
    put_le(zip64, v, 8);
    return escape32;
}

// CRC of n zero bytes without reading them: doubling with crc32_combine.
uLong zeros_crc(std::uint64_t n)
{
    const Bytef zero = 0;
    uLong crc = crc32(0, nullptr, 0), block = crc32(0, &zero, 1);
    for (z_off64_t len = 1; n != 0; n >>= 1, len <<= 1) {
        if (n & 1) crc = crc32_combine64(crc, block, len);
        block = crc32_combine64(block, block, len);
    }
    return crc;
}

struct placed_entry {
    const sparse_entry* e;
    std::uint64_t header_at, size;
    uLong crc;
};

std::string zip64_extra(const std::string& block)
{
    std::string extra;
    if (block.empty()) return extra;
    put_le(extra, 0x0001, 2);
    put_le(extra, block.size(), 2);
    return extra + block;
}

std::string local_header(const placed_entry& p)
{
    std::string sizes, h;
    // A local zip64 block carries both sizes whenever it is there; stored, they are equal.
    const bool always = p.e->zip64_always;
    const std::uint64_t u32 = field32(p.size, sizes, always), c32 = field32(p.size, sizes, always);
    const std::string extra = zip64_extra(sizes);
    put_le(h, 0x04034b50, 4);
    put_le(h, 45, 2), put_le(h, 0, 2), put_le(h, 0, 2), put_le(h, 0, 4); // version, flags, stored, DOS time
    put_le(h, p.crc, 4), put_le(h, c32, 4), put_le(h, u32, 4);
    put_le(h, p.e->name.size(), 2), put_le(h, extra.size(), 2);
    return h + p.e->name + extra;
}

std::string central_header(const placed_entry& p)
{
    std::string block, h;
    const bool always = p.e->zip64_always;
    const std::uint64_t u32 = field32(p.size, block, always), c32 = field32(p.size, block, always);
    const std::uint64_t at32 = field32(p.header_at, block, always);
    const std::string extra = zip64_extra(block);
    put_le(h, 0x02014b50, 4);
    put_le(h, 3 << 8 | 45, 2), put_le(h, 45, 2), put_le(h, 0, 2), put_le(h, 0, 2), put_le(h, 0, 4);
    put_le(h, p.crc, 4), put_le(h, c32, 4), put_le(h, u32, 4);
    put_le(h, p.e->name.size(), 2), put_le(h, extra.size(), 2), put_le(h, 0, 2); // no comment
    put_le(h, 0, 2), put_le(h, 0, 2), put_le(h, std::uint64_t(p.e->mode) << 16, 4), put_le(h, at32, 4);
    return h + p.e->name + extra;
}

// The zip64 end record, its locator and the classic end record.
std::string directory_end(std::uint64_t count, std::uint64_t dir_at, std::uint64_t dir_size)
{
    std::string t;
    put_le(t, 0x06064b50, 4), put_le(t, 44, 8), put_le(t, 45, 2), put_le(t, 45, 2), put_le(t, 0, 4), put_le(t, 0, 4);
    put_le(t, count, 8), put_le(t, count, 8), put_le(t, dir_size, 8), put_le(t, dir_at, 8);
    put_le(t, 0x07064b50, 4), put_le(t, 0, 4), put_le(t, dir_at + dir_size, 8), put_le(t, 1, 4);
    put_le(t, 0x06054b50, 4), put_le(t, 0, 2), put_le(t, 0, 2), put_le(t, count, 2), put_le(t, count, 2);
    put_le(t, std::min(dir_size, escape32), 4), put_le(t, std::min(dir_at, escape32), 4);
    put_le(t, 0, 2);
    return t;
}

bool write_at(int fd, const std::string& bytes, std::uint64_t at)
{
    return pwrite(fd, bytes.data(), bytes.size(), off_t(at)) == ssize_t(bytes.size());
}

} // namespace

bool make_sparse_zip64(const std::string& path, const std::vector<sparse_entry>& entries)
{
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return false;
    bool ok = true;
    std::uint64_t at = 0;
    std::string directory;
    for (const sparse_entry& e : entries) {
        const bool zeros = e.data.empty();
        placed_entry p{&e, at + e.skip_before, zeros ? e.size : e.data.size(), 0};
        p.crc = zeros ? zeros_crc(e.size) : crc32(0, reinterpret_cast<const Bytef*>(e.data.data()),
                                                 static_cast<uInt>(e.data.size()));
        const std::string header = local_header(p);
        ok = ok && write_at(fd, header, p.header_at) && write_at(fd, e.data, p.header_at + header.size());
        at = p.header_at + header.size() + p.size;
        directory += central_header(p);
    }
    ok = ok && write_at(fd, directory + directory_end(entries.size(), at, directory.size()), at);
    return close(fd) == 0 && ok;
}
