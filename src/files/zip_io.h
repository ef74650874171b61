// zip_io.h - zip archives (PKZIP) over minizip: extracting an archive into a
// folder, or the archive of one listed file into the product folder, and
// packing one file into a new archive. Main thread only, except
// zip_ready_listed. Each call but that one puts app_path in front of every
// path it receives. No call starts a thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <utility>

// ---- extraction ------------------------------------------------------------------
// Unpacks every entry of app_path + zip_file into app_path + out_directory (which
// must exist and end with '/'): folders, files with their Unix mode and DOS date,
// symbolic links; "__MACOSX" entries are skipped and missing folders made. Each
// file is streamed to a file without a name (O_TMPFILE; a temporary name where
// the file system has none) and put into place only when its size, CRC and
// every write checked out, so a failure leaves the old file untouched.
// Never writes outside the output folder, nor through a symbolic link below it,
// and makes no link that leaves it: a link target is refused when it is absolute
// or, read lexically from the link's own folder, climbs out of the output folder
// (also refused: ".." after a name, "a/..", which could climb through a link).
// Entries whose data overlap another entry's are refused (a zip bomb), and no
// byte past an entry's declared size is written.
// first_name (may be null) receives the first entry's name; with flag non-zero the
// first entry is written under the name *first_name held on entry instead.
// 0 ok; err_zip_open; err_zip_read (short or unreadable data); err_zip_overlap;
// err_zip_refused (entry name or link target); ENOTDIR (a link or file on the
// way); another errno (making a folder, writing, renaming); 12 (no buffer); -1
// (link or file time not set, the reason logged); a negative minizip code
// (entry info, open, CRC -105, next). Every code has a row in error_str.
int zip_to_file(std::string zip_file, std::string out_directory, std::string* first_name, int flag);

// The one file that an archive of the product is listed for, and what the
// product list says of it.
struct zip_listed_file {
    std::string root;            // confinement root, ending in '/' (empty: the current folder): the product folder
    std::string path;            // the file below root ("Resources/a.txt"): relative, no "..", a file name last
    unsigned long long max_size; // bytes the entry may hold; 0: no bound
    std::string signature;       // MD5 the file must have (hex, any case); empty: not checked
};

// zip_to_file for the archive of one listed file, into app_path + root + the
// folder of path (which must exist; links the user made on the way are
// followed). The archive may hold only that file's own name (and "__MACOSX"
// entries, skipped) and must hold it. Link targets are confined to root, read
// from the link's own folder below it. A file entry whose declared size exceeds
// max_size is refused before anything is written; its MD5 is computed while
// the bytes stream and compared with the signature before the rename, so a
// mismatch keeps the old file. A link entry's bytes are its target path: no
// size or signature check. The codes of zip_to_file, and err_zip_foreign (an
// entry of another name, or none of the listed name), err_zip_too_large,
// err_zip_signature; err_zip_refused for a path or root that cannot be used.
int zip_listed_to_file(const std::string& zip_file, const zip_listed_file& listed);

// zip_listed_to_file in two steps, so that the slow one may run on a worker
// thread while the caller puts earlier files in place in their order.
// zip_ready_listed (any thread; the paths are taken as they are, without
// app_path) extracts and checks the listed file but leaves it out of sight: in
// a file without a name, or under a temporary name, with any folders on its way
// made. What it would have logged is kept in `log`. zip_put_in_place (the
// caller's thread) puts a ready file in place of the old one and returns the
// code zip_listed_to_file would have returned: a failed extraction changes
// nothing, unless the listed file came before the entry that failed (then it
// goes in place). Dropping a ready file that was never put in place leaves the
// old file and nothing else.
class zip_ready_file {
public:
    zip_ready_file() = default;
    ~zip_ready_file() { drop(); }
    zip_ready_file(zip_ready_file&& other) noexcept { *this = std::move(other); }
    zip_ready_file& operator=(zip_ready_file&& other) noexcept;
    zip_ready_file(const zip_ready_file&) = delete;
    zip_ready_file& operator=(const zip_ready_file&) = delete;

    int err = 0;     // the extraction's code; 0: ready to be put in place
    std::string log; // the lines the extraction logged, in order

    void drop(); // closes and removes what is not in place yet

    // Kept by the files layer between the two steps.
    int dir_fd_ = -1;         // the folder the file goes into
    int fd_ = -1;             // the unnamed file, still open
    std::string temp_name_;   // or the closed file's temporary name
    std::string leaf_;        // its own name in dir_fd_
    bool is_link_ = false;    // a link: link_target_ is made at put-in-place time
    std::string link_target_;
    std::string out_path_;    // for the log lines
    std::string zip_file_;
    std::string out_dir_;
};
// What tells an extraction on a worker that its file is no longer wanted:
// the run it was started for has ended once *run differs from `started`.
// It is looked at before each quarter MiB of the file's bytes; the extraction
// then ends with err_zip_stopped, and its file without a name goes with it.
struct zip_stop {
    const std::atomic<std::uint64_t>* run = nullptr; // null: never stopped
    std::uint64_t started = 0;
    bool asked() const { return run && run->load(std::memory_order_relaxed) != started; }
};
int zip_ready_listed(const std::string& zip_file, const zip_listed_file& listed, zip_ready_file& ready,
                     zip_stop stop = {});
int zip_put_in_place(zip_ready_file& ready);

// For tests: false makes every file under a temporary name and renames it into
// place, as where the file system cannot make a file without a name; true
// (the default) puts the unnamed file back in use where it can be made.
void zip_use_unnamed_files(bool on);

// ---- creation --------------------------------------------------------------------
// Packs app_path + source_file, opened by IO_open_regular (io_paths.h: path rules,
// letter case, never blocking) and read in chunks (any size; zip64 from 4 GiB),
// into a new archive app_path + zip_file with one deflated entry named after the
// source's last path component as given, carrying its modification time and
// Unix mode. 0 ok; err_file_open (source refused, missing, not a regular file,
// or unreadable; no archive made); err_zip_create; err_zip_too_big (the source grew past 4 GiB while
// being read); or the negative minizip code of the failing call.
int file_to_zip(std::string source_file, std::string zip_file);
