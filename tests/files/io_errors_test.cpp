// The error-message table: own codes, errno values, and codes without a row.
#include "files/io_errors.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

TEST(ErrorStr, EveryCodeHasAText)
{
    struct code_case {
        int code;
        const char* text;
    };
    const code_case cases[] = {
        {err_zip_open, "We were unable to open a zip file. It may be missing or damaged"},
        {err_zip_corrupt, "Part of the downloaded zip file is corrupted (the resource fork header is bad)"},
        {EXDEV, "Cross-device link"},
        {ENOSPC, "No space left on device. Perhaps your hard drive is full"},
        {EACCES, "Permission denied. Perhaps you do not have access to a directory or file system"},
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

TEST(ErrorStr, OnlyRealFolderFailuresAreShown)
{
    EXPECT_EQ(show_make_dir_err(0), 0);
    EXPECT_EQ(show_make_dir_err(EEXIST), 0);
    EXPECT_EQ(show_make_dir_err(EACCES), 1);
    EXPECT_EQ(show_del_err(EACCES), 0);
}

} // namespace
