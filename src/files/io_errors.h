// io_errors.h - result codes of the file layer and the table that turns a code
// into a user message. Codes are errno values or the layer's own from 20001 up.
#pragma once

#include <string>

enum : int {
    err_zip_open = 20001,
    err_zip_read = 20002,
    err_zip_create = 20003,
    err_zip_write = 20004,
    err_zip_too_big = 20005,
    // The zip layer's own failures (zip_io.h), numbered apart from the rest.
    err_zip_refused = 20101,       // an entry name or link target that cannot be used or would leave its folder
    err_zip_foreign = 20102,       // an entry other than the one file the archive is listed for
    err_zip_too_large = 20103,     // an entry larger than the size listed for its file
    err_zip_signature = 20104,     // the file's MD5 differs from the signature listed for it
    err_zip_overlap = 20105,       // entries whose data overlap: refused as a zip bomb
    err_zip_stopped = 20106,       // the run that wanted the file ended while it was being extracted
    err_file_open = 20006,
    err_net_reconnect = 20007,
    err_net_bad_state = 20008,
    err_net_no_connection = 20009,
    err_net_write_file = 20010,
    err_net_no_server = 20011,
    err_zip_corrupt = 20012,
    err_exe_not_mz = 20013, // no table row: unmatched-code text
    err_exe_not_pe = 20014,
};

// Download codes sit in a range of their own (the zip layer's are at 20101),
// so that a code is never two things; a test checks that codes are distinct.
enum : int {
    err_net_bad_reply = 20201,         // the reply is no HTTP reply the client can read
    err_net_too_large = 20202,         // the body is longer than the caller allowed
    err_net_transfer_encoding = 20203, // a Transfer-Encoding the client does not decode
};

// Where the last failing file call returned (set just before a non-zero result;
// read by the zip failure log lines). Main thread only.
extern thread_local const char* sErrFile; // per thread: extractions run on workers too
extern thread_local int sErrLine;
#define IO_SET_ERR_LOCATION() (sErrFile = "Files/io_utils", sErrLine = __LINE__)

std::string error_str(int code);  // the message (also for the zip library's codes); "Unknown error occurred (%d)" without a row
int show_del_err(int result);      // 0: deletion failures are never shown
int show_make_dir_err(int result); // 1 when result is non-zero and not EEXIST
