// The error-message table: own codes, errno values, and codes without a row.
#include "files/io_errors.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <set>
#include <string>

namespace {

struct code_case {
    int code;
    const char* text;
};

// Every row of the table as the user reads it, spelling slips included: the
// texts are the product's own and other documents quote them.
TEST(ErrorStr, EveryRowKeepsItsText)
{
    const code_case rows[] = {
        {err_zip_open, "We were unable to open a zip file. It may be missing or damaged"},
        {err_zip_read, "We were unable to read from a zip file. It may be missing or damaged"},
        {err_zip_create, "We were unable to create a zip file"},
        {err_zip_write, "We were unable to write to a zip file. It may be missing or damaged"},
        {err_zip_too_big, "We cannot compress a zip file because its source file resource fork is more than 2 GB. The source file is probably damaged"},
        {err_file_open, "We could not open a file to read from it"},
        {err_net_reconnect, "We were unable to connct to the network due to an internal reconnect error"},
        {err_net_bad_state, "We wre unable to connect to the network due to a bad state error"},
        {err_net_no_connection, "We could not allocate a connection to the network"},
        {err_net_write_file, "We could not write the incoming file from the web to disk"},
        {err_net_no_server, "We could not find the server over the network"},
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
    };
    for (const code_case& c : rows) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(error_str(c.code), c.text);
    }
}

TEST(ErrorStr, CodesWithoutARowGetTheUnknownText)
{
    const code_case cases[] = {
        {0, "Unknown error occurred (0)"},
        {-100, "Unknown error occurred (-100)"},
        {err_exe_not_mz, "Unknown error occurred (20013)"},
        {ETIMEDOUT, "The connection to the download server timed out"},
    };
    for (const code_case& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(error_str(c.code), c.text);
    }
}

// The layer's own codes come from separate ranges written by separate parts
// of it: each must be one code with one text of its own.
TEST(ErrorStr, OwnCodesAreDistinctWithTextsOfTheirOwn)
{
    const int codes[] = {err_zip_open, err_zip_read, err_zip_create, err_zip_write, err_zip_too_big, err_file_open,
                         err_net_reconnect, err_net_bad_state, err_net_no_connection, err_net_write_file,
                         err_net_no_server, err_zip_corrupt, err_zip_refused, err_zip_foreign, err_zip_too_large,
                         err_zip_signature, err_zip_overlap, err_zip_stopped, err_net_bad_reply, err_net_too_large,
                         err_net_transfer_encoding};
    std::set<int> seen_codes;
    std::set<std::string> seen_texts;
    for (int code : codes) {
        SCOPED_TRACE(code);
        EXPECT_TRUE(seen_codes.insert(code).second) << "code used twice";
        const std::string text = error_str(code);
        EXPECT_EQ(text.find("Unknown error"), std::string::npos);
        EXPECT_TRUE(seen_texts.insert(text).second) << "text shared: " << text;
    }
}

TEST(ErrorStr, OnlyRealFolderFailuresAreShown)
{
    EXPECT_EQ(show_make_dir_err(0), 0);
    EXPECT_EQ(show_make_dir_err(EEXIST), 0);
    EXPECT_EQ(show_make_dir_err(EACCES), 1);
    EXPECT_EQ(show_del_err(EACCES), 0);
}

} // namespace
