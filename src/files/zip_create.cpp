// zip_create.cpp - file_to_zip: one file packed into a new archive, read in
// bounded chunks so that sizes of 4 GiB and more go in whole (zip64).
#include "files/zip_io.h"

#include "foundation/hl_types.h"
#include "files/io_errors.h"
#include "io_paths.h"

#include <minizip/zip.h>

#include <cerrno>
#include <cstdint>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr unsigned source_chunk = 256 * 1024;
// Deflate may grow incompressible data a little, so zip64 starts well below the
// 32-bit limit of the plain headers.
constexpr std::uint64_t zip64_from = 0xF0000000u;

// The entry record: the source's local modification time and its stat mode in
// the upper attribute half, where extraction looks for a Unix mode.
zip_fileinfo entry_info(const struct stat& st)
{
    zip_fileinfo fi{};
    std::tm local{};
    if (localtime_r(&st.st_mtime, &local)) {
        fi.tmz_date.tm_sec = unsigned(local.tm_sec);
        fi.tmz_date.tm_min = unsigned(local.tm_min);
        fi.tmz_date.tm_hour = unsigned(local.tm_hour);
        fi.tmz_date.tm_mday = unsigned(local.tm_mday);
        fi.tmz_date.tm_mon = unsigned(local.tm_mon);
        fi.tmz_date.tm_year = unsigned(local.tm_year + 1900);
    }
    fi.external_fa = uLong(st.st_mode) << 16;
    return fi;
}

// Copies every byte of fd into the open entry; err_file_open when a read fails,
// err_zip_too_big when the source outgrows headers without zip64.
int copy_into_entry(zipFile zf, int fd, bool zip64)
{
    std::unique_ptr<char[]> buf(new (std::nothrow) char[source_chunk]);
    if (!buf) return ENOMEM;
    std::uint64_t total = 0;
    for (;;) {
        ssize_t got = read(fd, buf.get(), source_chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return err_file_open;
        if (got == 0) return 0;
        total += std::uint64_t(got);
        if (!zip64 && total >= zip64_from) return err_zip_too_big;
        if (int err = zipWriteInFileInZip(zf, buf.get(), unsigned(got))) return err;
    }
}

// Writes the one entry into a freshly created archive; 0 or the first failure.
int write_archive(const std::string& zip_path, const std::string& entry_name, int fd, const struct stat& st)
{
    zipFile zf = zipOpen64(zip_path.c_str(), APPEND_STATUS_CREATE);
    if (!zf) return err_zip_create;
    const zip_fileinfo fi = entry_info(st);
    const bool zip64 = std::uint64_t(st.st_size) >= zip64_from;
    int err = zipOpenNewFileInZip64(zf, entry_name.c_str(), &fi, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                    Z_DEFAULT_COMPRESSION, zip64 ? 1 : 0);
    if (!err) err = copy_into_entry(zf, fd, zip64);
    if (!err) err = zipCloseFileInZip(zf);
    int close_err = zipClose(zf, nullptr);
    return err ? err : close_err;
}

} // namespace

int file_to_zip(std::string source_file, std::string zip_file)
{
    const std::string full_source = app_path + source_file;
    zip_file = app_path + zip_file;
    const std::string::size_type slash = full_source.rfind('/');
    const std::string entry_name = slash == std::string::npos ? full_source : full_source.substr(slash + 1);

    int err = err_file_open;
    struct stat st;
    int fd = IO_open_regular(source_file, st, "file_to_zip");
    if (fd >= 0) {
        err = write_archive(zip_file, entry_name, fd, st);
        // A half-written archive could pass for a good one: it goes.
        if (err && err != err_zip_create) unlink(zip_file.c_str());
    }
    if (fd >= 0) close(fd);
    if (err) {
        IO_SET_ERR_LOCATION();
        xer << "file_to_zip failed with error " << err << ".\nfile = " << sErrFile << " line = " << sErrLine << "\n";
    }
    return err;
}
