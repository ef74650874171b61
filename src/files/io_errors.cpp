// io_errors.cpp - the error-message table.
#include "files/io_errors.h"

#include <minizip/unzip.h>

#include <cerrno>
#include <cstdio>

thread_local const char* sErrFile;
thread_local int sErrLine;

namespace {

struct err_msg {
    int code;
    const char* text;
};

const err_msg kErrMsgs[] = {
    {err_zip_open, "We were unable to open a zip file. It may be missing or damaged"},
    {err_zip_read, "We were unable to read from a zip file. It may be missing or damaged"},
    {err_zip_create, "We were unable to create a zip file"},
    {err_zip_write, "We were unable to write to a zip file. It may be missing or damaged"},
    {err_zip_too_big, "We cannot compress a zip file because its source file resource fork is more than 2 GB. The source file is probably damaged"},
    // The zip layer's refusals, the zip library's own codes and the errno values its file calls add.
    {err_zip_refused, "A compressed file holds a name or a link that cannot be used or that would reach outside the product folder. It was refused"},
    {err_zip_foreign, "A compressed file holds a file other than the one it was listed for. It was refused"},
    {err_zip_too_large, "A compressed file holds more data than the product list gives for its file. It was refused"},
    {err_zip_signature, "A file's contents do not match the signature the product list gives for it (checksum mismatch). The old file was kept"},
    {err_zip_overlap, "A compressed file is damaged or hostile: its entries share data. It was refused"},
    {err_zip_stopped, "The installation was stopped while a file was being extracted. The old file was kept"},
    {UNZ_CRCERROR, "A compressed file is damaged: its data do not match their checksum (CRC)"},
    {UNZ_BADZIPFILE, "A compressed file is damaged or uses a compression method the installer cannot read"},
    {UNZ_INTERNALERROR, "The zip library failed on a compressed file. It may be damaged"},
    {UNZ_PARAMERROR, "The zip library could not work on a compressed file. It may be damaged"},
    {-1, "A file could not be read or written: a link, a file time or a compressed file on the disk"},
    {EDQUOT, "Disk quota exceeded. Perhaps your hard drive is full"},
    {ELOOP, "Too many levels of symbolic links"},
    {EOVERFLOW, "Value too large for defined data type"},
    {ETXTBSY, "Text file busy: a program that is running cannot be replaced"},
    {EOPNOTSUPP, "Operation not supported by the file system"},
    {ESTALE, "Stale file handle: the network file system lost the file"},
    {err_file_open, "We could not open a file to read from it"},
    {err_net_reconnect, "We were unable to connct to the network due to an internal reconnect error"},
    {err_net_bad_state, "We wre unable to connect to the network due to a bad state error"},
    {err_net_no_connection, "We could not allocate a connection to the network"},
    {err_net_write_file, "We could not write the incoming file from the web to disk"},
    {err_net_no_server, "We could not find the server over the network"},
    // The download layer: its own codes, then what sockets and the destination file can report.
    {err_net_bad_reply, "The download server sent a reply that is not a valid HTTP reply"},
    {err_net_too_large, "The download is larger than the file list says it should be"},
    {err_net_transfer_encoding, "The download server sent the file in an encoding the installer cannot read"},
    {ECONNREFUSED, "The download server refused the connection"},
    {ECONNRESET, "The download server closed the connection unexpectedly"},
    {ECONNABORTED, "The connection to the download server was aborted"},
    {ETIMEDOUT, "The connection to the download server timed out"},
    {EHOSTUNREACH, "The download server cannot be reached"},
    {ENETUNREACH, "The network cannot be reached. Perhaps you are not connected to the internet"},
    {ENETDOWN, "The network is down"},
    {ENETRESET, "The network dropped the connection"},
    {EADDRINUSE, "No local network port is free"},
    {EADDRNOTAVAIL, "No local network address is available"},
    {ENOBUFS, "The system has no network buffers left"},
    {EAFNOSUPPORT, "The system does not support this kind of network address"},
    {ELOOP, "A link stands where a file was expected, or links lead in a loop"},
    {EDQUOT, "Disk quota exceeded. Perhaps you have used all the space you are allowed"},
    {err_zip_corrupt, "Part of the downloaded zip file is corrupted (the resource fork header is bad)"},
    {EAGAIN, "Resource temporarily unavailable"},
    {EDEADLK, "Resource deadlock avoided"},
    {ENAMETOOLONG, "File name too long"},
    {ENOSYS, "Function not implemented"},
    {ENOTEMPTY, "Directory not empty"},
    {EILSEQ, "Wide character encoding error"},
    {E2BIG, "Argument list too long"},
    {EACCES, "Permission denied. Perhaps you do not have access to a directory or file system"},
    {EBADF, "Bad file descriptor"},
    {EBUSY, "Device busy"},
    {ECHILD, "No child processes"},
    {EDOM, "Numerical argument out of domain"},
    {EEXIST, "File exists"},
    {EFAULT, "Bad address"},
    {EFBIG, "File too large"},
    {EINTR, "Interrupted system call"},
    {EINVAL, "Invalid argument"},
    {EIO, "Input/output error"},
    {EISDIR, "Is a directory"},
    {EMFILE, "Too many open files"},
    {EMLINK, "Too many links"},
    {ENFILE, "Too many open files in system"},
    {ENODEV, "Operation not supported by device"},
    {ENOENT, "No such file or directory"},
    {ENOEXEC, "Exec format error"},
    {ENOLCK, "No locks available"},
    {ENOMEM, "Out of memory"},
    {ENOSPC, "No space left on device. Perhaps your hard drive is full"},
    {ENOTDIR, "Not a directory"},
    {ENOTTY, "Inappropriate ioctl for device"},
    {ENXIO, "Device not configured"},
    {EPERM, "Operation not permitted. Perhaps you do not have access to a directory or file system"},
    {EPIPE, "Broken pipe"},
    {ERANGE, "Result too large"},
    {EROFS, "The destination file system is read-only"},
    {ESPIPE, "Illegal seek"},
    {ESRCH, "No such process"},
    {EXDEV, "Cross-device link"},
    {0, nullptr},
};

} // namespace

std::string error_str(int code)
{
    for (const err_msg* m = kErrMsgs; m->text; ++m)
        if (m->code == code) return m->text;
    char buf[256];
    std::snprintf(buf, sizeof buf, "Unknown error occurred (%d)", code);
    return buf;
}

int show_del_err(int) { return 0; }

int show_make_dir_err(int result) { return result != 0 && result != EEXIST ? 1 : 0; }
