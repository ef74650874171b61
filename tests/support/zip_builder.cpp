// zip_builder.cpp - fixture archives through minizip's zip API.
#include "support/zip_builder.h"

#include <minizip/zip.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
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

zip_entry_spec zeros_entry(const std::string& name, std::uint64_t mib)
{
    const std::string zeros(std::size_t(1) << 20, '\0');
    const auto* in = reinterpret_cast<const Bytef*>(zeros.data());
    z_stream z{};
    deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
    std::string block(deflateBound(&z, uLong(zeros.size())) + 16, '\0');
    z.next_in = const_cast<Bytef*>(in);
    z.avail_in = uInt(zeros.size());
    z.next_out = reinterpret_cast<Bytef*>(block.data());
    z.avail_out = uInt(block.size());
    deflate(&z, Z_FULL_FLUSH); // byte-aligned, no reference before it: the block can follow itself
    block.resize(block.size() - z.avail_out);
    deflateEnd(&z);
    zip_entry_spec e;
    e.name = name;
    e.mode = 0100644;
    e.raw_deflate = true;
    e.claimed_size = mib << 20;
    const uLong one = crc32(0, in, uInt(zeros.size()));
    e.raw_crc = crc32(0, nullptr, 0);
    for (std::uint64_t i = 0; i < mib; ++i) {
        e.data += block;
        e.raw_crc = crc32_combine(e.raw_crc, one, z_off_t(zeros.size()));
    }
    e.data += std::string("\x03\x00", 2); // a last block with nothing in it ends the stream
    return e;
}

namespace {

std::uint64_t load_le(const std::string& b, std::size_t at, int bytes)
{
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(b[at + std::size_t(i)]);
    return v;
}

void store_le(std::string& b, std::size_t at, std::uint64_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i) b[at + std::size_t(i)] = static_cast<char>(v >> (8 * i) & 0xff);
}

} // namespace

bool split_zip(const std::string& bytes, zip_parts& parts)
{
    if (bytes.size() < 22) return false;
    const std::size_t end = bytes.size() - 22; // the end record, without a comment
    if (load_le(bytes, end, 4) != 0x06054b50) return false;
    const std::size_t dir_at = load_le(bytes, end + 16, 4), count = load_le(bytes, end + 10, 2);
    if (dir_at > end) return false;
    parts.local = bytes.substr(0, dir_at);
    parts.central.clear();
    for (std::size_t at = dir_at, i = 0; i < count; ++i) {
        if (end - at < 46 || load_le(bytes, at, 4) != 0x02014b50) return false;
        const std::size_t size =
            46 + load_le(bytes, at + 28, 2) + load_le(bytes, at + 30, 2) + load_le(bytes, at + 32, 2);
        if (size > end - at) return false;
        parts.central.push_back(bytes.substr(at, size));
        at += size;
    }
    return true;
}

std::string join_zip(const zip_parts& parts)
{
    std::string directory;
    for (const std::string& c : parts.central) directory += c;
    std::string end(22, '\0');
    store_le(end, 0, 0x06054b50, 4);
    store_le(end, 8, parts.central.size(), 2);
    store_le(end, 10, parts.central.size(), 2);
    store_le(end, 12, directory.size(), 4);
    store_le(end, 16, parts.local.size(), 4);
    return parts.local + directory + end;
}

bool make_shared_data_zip(const std::string& path, const zip_entry_spec& e, int count)
{
    const std::size_t number_at = e.name.find("00");
    zip_parts parts;
    if (number_at == std::string::npos || count > 100 || !make_zip(path, {e})) return false;
    std::string bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[65536];
        for (std::size_t got; (got = std::fread(buf, 1, sizeof buf, f)) > 0;) bytes.append(buf, got);
        std::fclose(f);
    }
    if (!split_zip(bytes, parts) || parts.central.size() != 1) return false;
    for (int i = 1; i < count; ++i) {
        std::string record = parts.central[0];
        record[46 + number_at] = char('0' + i / 10);
        record[46 + number_at + 1] = char('0' + i % 10);
        parts.central.push_back(record);
    }
    const std::string joined = join_zip(parts);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool written = std::fwrite(joined.data(), 1, joined.size(), f) == joined.size();
    return std::fclose(f) == 0 && written;
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
