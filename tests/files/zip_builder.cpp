// zip_builder.cpp - fixture archives through minizip's zip API.
#include "zip_builder.h"

#include <minizip/zip.h>
#include <zlib.h>


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
