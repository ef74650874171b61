// xmap.h - the mapped-file reader: a whole file mapped read-only, a read cursor
// into it, and the check of the common header that the program's data files
// begin with. Each object is used by one thread at a time; it reads app_path
// and g_case_sensitive, which only the main thread changes.
//
// Calling order of a reader: construct with the path; test begin; check_file
// with the file's type, versions and keyword; when it returned a version,
// tokenise from cursor up to end; let the object go out of scope.
#pragma once

#include <cstddef>
#include <string>

// ---- header types --------------------------------------------------------
constexpr int io_binary = 10000; // 'i' or 'a' and a 4-byte version
constexpr int io_text = 10001;   // "I" or "A" line, then "<version> version" line

// ---- the reader ----------------------------------------------------------
class xmap_class {
public:
    explicit xmap_class(const std::string& path); // "" maps nothing; else retry(path)
    ~xmap_class();                                // unmaps and closes
    xmap_class(const xmap_class&) = delete;
    xmap_class& operator=(const xmap_class&) = delete;

    // (Re)maps app_path + path in whole and returns begin. Null when the path is
    // refused (a '\\' or ':', longer than io_max_path), the file cannot be
    // opened, is not a regular file, or cannot be mapped. Each is logged but a
    // failed open (missing, unreadable, a non-folder or a link loop on the
    // way), which callers take as "no such file". An empty file maps as an
    // empty range (begin == end, not null). A path that already holds a
    // non-empty app_path is a program fault: fatal alert.
    const char* retry(const std::string& path);

    // Checks the header for type (io_text/io_binary; any other is a fatal
    // program fault), a 0-ended version list and an optional keyword; rest, when
    // not null, receives the text after the version. Returns the matched version
    // with cursor at the first data byte, or 0.
    int check_file(int type, const int* versions, const char* keyword, std::string* rest);

    // Copies count bytes from cursor to dest and advances; with swap_bytes each
    // whole 4-byte word is reversed. 1 copied; 0 (logged, nothing moved) when
    // fewer than count bytes are left.
    [[nodiscard]] int read_n_rev(void* dest, std::size_t count);

    void TXT_xer_line(); // logs the cursor's line number and line, then flushes xer

    // io 1: ouf_open(path, type, versions[0], "no-copyright-string"); io 0:
    // retry(path) and check_file(type, versions) → 1 when matched; else 0.
    int io_file_open(int io, std::string path, const int* versions, int type);
    void io_file_close(); // closes ouf after a write open (io_mode 1)

    int swap_bytes = 0;         // 1: binary header 'a', data words are big-endian
    std::string file_name;      // shown by the bad-type alert; nothing assigns it
    int io_mode = 0;            // 1 write, 0 read; set by io_file_open
    const char* begin = nullptr;  // first mapped byte; null when nothing is mapped
    const char* cursor = nullptr; // read position in [begin, end]
    const char* end = nullptr;    // one past the last mapped byte
    int fd = -1;                // descriptor of the mapped file; -1 none

private:
    void release();
    std::size_t mapped_bytes = 0; // length passed to mmap; 0 for an empty range
};
