// xmap.cpp - the mapped-file reader.
//   mapping    retry, release, destructor
//   header     the text and binary header parsers behind check_file
//   reading    read_n_rev, TXT_xer_line
//   combined   io_file_open, io_file_close
#include "files/xmap.h"

#include "files/text_scan.h"

#include "foundation/hl_types.h"
#include "foundation/hooks.h"
#include "io_paths.h"
#include "files/ouf_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

// The non-null address of every empty mapping; never read, never unmapped.
const char empty_range[1] = {0};

// The header's read position: the shared text reader with the keyword test.
struct header_scan : text_cursor {
    // Matches the keyword as a whole word; on a mismatch p stays at the word.
    bool keyword(const char* kw)
    {
        const std::size_t n = std::strlen(kw);
        const std::size_t left = static_cast<std::size_t>(end - p);
        if (left < n || std::memcmp(p, kw, n) != 0) return false;
        if (left > n && !TXT_is_space(p[n])) return false;
        p += n;
        return true;
    }
};

bool version_listed(int version, const int* versions)
{
    for (const int* v = versions; v && *v; ++v)
        if (*v == version) return true;
    return false;
}

int read_version32(const char* p, bool big_endian)
{
    const unsigned char* b = reinterpret_cast<const unsigned char*>(p);
    std::uint32_t v = big_endian
        ? (std::uint32_t(b[0]) << 24) | (std::uint32_t(b[1]) << 16) | (std::uint32_t(b[2]) << 8) | b[3]
        : (std::uint32_t(b[3]) << 24) | (std::uint32_t(b[2]) << 16) | (std::uint32_t(b[1]) << 8) | b[0];
    return static_cast<int>(v);
}

} // namespace

// ---- mapping -------------------------------------------------------------

xmap_class::xmap_class(const std::string& path)
{
    if (!path.empty()) retry(path);
}

xmap_class::~xmap_class() { release(); }

void xmap_class::release()
{
    if (begin && mapped_bytes) munmap(const_cast<char*>(begin), mapped_bytes);
    if (fd >= 0) close(fd);
    begin = cursor = end = nullptr;
    mapped_bytes = 0;
    fd = -1;
}

const char* xmap_class::retry(const std::string& path)
{
    if (!app_path.empty() && app_path.size() <= path.size() && path.find(app_path) != std::string::npos)
        MACIBM_alert(0, "retry: We are getting a file string that is not Skysuite relative!",
                     "This is illegal! All paths must be Skysuite relative!", "The path in question is:",
                     path, t_exit);
    release();
    const std::string full = app_path + path;
    if (!IO_path_dirchars_ok(path, "xmap") || !IO_path_length_ok(full, "xmap")) return nullptr;
    const std::string real = IO_case_resolved(full);

    // Non-blocking, so that a FIFO in the file's place cannot stall the open.
    fd = open(real.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        IO_log("xmap: not a regular file: " + path);
        release();
        return nullptr;
    }
    if (static_cast<std::uintmax_t>(st.st_size) > std::numeric_limits<std::size_t>::max()) {
        IO_log("xmap: file too large to map: " + path);
        release();
        return nullptr;
    }
    const std::size_t size = static_cast<std::size_t>(st.st_size);
    if (size == 0) {
        begin = cursor = end = empty_range;
        return begin;
    }
    void* m = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (m == MAP_FAILED) {
        const int err = errno;
        if (xer.is_open()) xer << "Mem file error.  Err=" << err << ", file=" << path << "\n";
        if (err == ENOMEM) MACIBM_alert(0, "mmap() out of memory", "", "", "", t_alert);
        return nullptr; // the descriptor stays until release
    }
    mapped_bytes = size;
    begin = cursor = static_cast<const char*>(m);
    end = begin + size;
    return begin;
}

// ---- header --------------------------------------------------------------

int xmap_class::check_file(int type, const int* versions, const char* keyword, std::string* rest)
{
    if (type != io_binary && type != io_text)
        MACIBM_alert(0, "Bad check_file type!", file_name, "", "", t_exit);
    if (!begin || begin == end) return 0;
    cursor = begin;
    header_scan s{{begin, end}};
    int version = 0;
    if (type == io_binary) {
        if (*s.p != 'a' && *s.p != 'i') return 0;
        swap_bytes = *s.p == 'a' ? 1 : 0;
        if (end - begin < 5) return 0;
        version = read_version32(s.p + 1, swap_bytes == 1);
        s.p += 5;
    } else {
        if (*s.p != 'A' && *s.p != 'I') return 0;
        s.skip_line();
        s.skip_space();
        version = s.loose_integer();
        s.skip_blanks();
        const char* rest_start = s.p;
        s.skip_line();
        if (rest) rest->assign(rest_start, s.p);
        s.skip_space();
    }
    cursor = s.p;
    if (!version_listed(version, versions)) return 0;
    if (!keyword) return version;

    s.skip_blanks();
    cursor = s.p;
    if (!s.keyword(keyword)) return 0;
    s.skip_line();
    s.skip_space();
    cursor = s.p;
    return version;
}

// ---- reading -------------------------------------------------------------

int xmap_class::read_n_rev(void* dest, std::size_t count)
{
    if (!cursor || count > static_cast<std::size_t>(end - cursor)) {
        IO_log("Invalid read_n_rev read!");
        return 0;
    }
    std::memcpy(dest, cursor, count);
    cursor += count;
    if (swap_bytes) {
        unsigned char* b = static_cast<unsigned char*>(dest);
        for (std::size_t i = 0; i + 4 <= count; i += 4) {
            std::swap(b[i], b[i + 3]);
            std::swap(b[i + 1], b[i + 2]);
        }
    }
    return 1;
}

void xmap_class::TXT_xer_line()
{
    if (!begin) return;
    long cr = 1, lf = 1;
    const char* line_start = begin;
    for (const char* p = begin; p < cursor; ++p) {
        if (*p == '\r') ++cr;
        if (*p == '\n') ++lf;
        if (*p == '\r' || *p == '\n') line_start = p + 1;
    }
    const char* line_end = cursor;
    while (line_end < end && *line_end != '\r' && *line_end != '\n') ++line_end;
    xer << std::max(cr, lf) << " \"" << std::string(line_start, line_end) << "\"\n";
    xer.flush();
}

// ---- combined open -------------------------------------------------------

int xmap_class::io_file_open(int io, std::string path, const int* versions, int type)
{
    io_mode = io;
    if (io == 1) return ouf_open(path, type, versions[0], "no-copyright-string");
    if (io != 0 || !retry(path)) return 0;
    return check_file(type, versions, nullptr, nullptr) != 0 ? 1 : 0;
}

void xmap_class::io_file_close()
{
    if (io_mode == 1) ouf.close();
}
