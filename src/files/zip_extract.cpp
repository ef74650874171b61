// zip_extract.cpp - zip_to_file: an archive unpacked into a folder.
//   1. entry names and link targets: the checks that keep every write, and
//      every link made, inside the output folder (or the confinement root)
//   2. folders below the output folder, walked without following links
//   3. one entry: a file through a temporary name, checked against the listed
//      size and signature, or a symbolic link; made ready, then put in place
//   4. the walk over the archive, and the calls
// Every byte of an archive is hostile: it may come damaged from a disc or a
// plain-HTTP download, or be made to climb out of the output folder.
#include "files/zip_io.h"

#include "foundation/hl_types.h"
#include "files/io_errors.h"
#include "files/md5.h"
#include "zip_entry_reader.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <new>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <utility>

namespace {
thread_local std::ostream* log_target = nullptr; // set while a ready file's lines are kept
}

std::ostream& zip_log() { return log_target ? *log_target : xer; }

namespace {

constexpr unsigned link_target_max = 4096;       // PATH_MAX, with its terminating NUL
constexpr unsigned long unix_link_type = 0xA000; // S_IFLNK in the upper attribute half

// ---- 1. entry names -------------------------------------------------------------

// Why a relative path is refused: absolute, or a ".." component.
const char* climbing_reason(const char* name)
{
    if (name[0] == '/') return "is absolute";
    for (const char* part = name; *part;) {
        const char* end = std::strchr(part, '/');
        std::size_t len = end ? std::size_t(end - part) : std::strlen(part);
        if (len == 2 && part[0] == '.' && part[1] == '.') return "climbs out with \"..\"";
        part += len + (end ? 1 : 0);
    }
    return nullptr;
}

// Why a name is refused, or null when it may be used below the output folder.
const char* refused_name_reason(const char* name, unsigned long stored_length)
{
    if (stored_length >= zip_name_size) return "longer than the name buffer";
    if (std::strlen(name) != stored_length) return "holds a NUL byte";
    if (stored_length == 0) return "is empty";
    return climbing_reason(name);
}

bool is_dot_or_empty(const char* part, std::size_t len)
{
    return len == 0 || (len == 1 && part[0] == '.');
}

// Folders a checked name lies below: its components before the last one,
// empty and "." ones left out (open_parent steps over them too).
int folder_depth(const std::string& name)
{
    int depth = 0;
    for (std::size_t start = 0, slash; (slash = name.find('/', start)) != std::string::npos; start = slash + 1)
        depth += is_dot_or_empty(name.data() + start, slash - start) ? 0 : 1;
    return depth;
}

// Why a link target is refused, or null when, read lexically from a link
// `depth` folders below the confinement root, it stays inside the root. Only
// leading ".." components are taken: one after a name could climb through a
// link that the same archive made ("up -> .", then "x -> up/.."), so it is
// refused although it reads as inside.
const char* refused_link_reason(const char* target, int depth)
{
    if (target[0] == '\0') return "is empty";
    if (target[0] == '/') return "is absolute";
    bool named = false;
    for (const char* part = target; *part;) {
        const char* end = std::strchr(part, '/');
        std::size_t len = end ? std::size_t(end - part) : std::strlen(part);
        if (len == 2 && part[0] == '.' && part[1] == '.') {
            if (named) return "climbs back with \"..\" after a name";
            if (--depth < 0) return "climbs out of the folder it is confined to";
        } else if (!is_dot_or_empty(part, len)) {
            named = true;
        }
        part += len + (end ? 1 : 0);
    }
    return nullptr;
}

// ---- 2. folders below the output folder -------------------------------------------

// Opens (making it when missing) one folder below dir_fd. A symbolic link or a
// file in its place is refused with ENOTDIR: nothing is written through a link.
int open_subfolder(int dir_fd, const std::string& name, int& out_fd)
{
    const int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    out_fd = openat(dir_fd, name.c_str(), flags);
    if (out_fd < 0 && errno == ENOENT) {
        if (mkdirat(dir_fd, name.c_str(), 0755) != 0 && errno != EEXIST) return errno;
        out_fd = openat(dir_fd, name.c_str(), flags);
    }
    if (out_fd >= 0) return 0;
    return errno == ELOOP ? ENOTDIR : errno;
}

// Walks the folder components of a checked relative name from root_fd. For a
// folder name ("a/b/") every component is a folder; otherwise the last one is
// the leaf, returned with the descriptor of the folder that holds it: root_fd
// itself for a name without a folder (the caller closes parent_fd only when
// it is another).
int open_parent(int root_fd, const std::string& rel, int& parent_fd, std::string& leaf)
{
    parent_fd = root_fd;
    std::size_t start = 0;
    for (;;) {
        std::size_t slash = rel.find('/', start);
        std::string part = rel.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (slash == std::string::npos) {
            leaf = part;
            return 0;
        }
        start = slash + 1;
        if (part.empty() || part == ".") continue;
        int next_fd = -1;
        int err = open_subfolder(parent_fd, part, next_fd);
        if (parent_fd != root_fd) close(parent_fd);
        parent_fd = next_fd;
        if (err) return err;
    }
}

// ---- 3. one entry ----------------------------------------------------------------

// Makes one thing under a fresh temporary name in dir_fd: `make` creates it and
// fails with EEXIST when the name is taken, as by a leftover of an earlier run,
// and the next name is tried. make's last result (negative: errno says why,
// and temp_name is empty).
template <typename Maker>
int make_under_temp_name(int dir_fd, std::string& temp_name, Maker make)
{
    static std::atomic<unsigned> counter; // extractions on several threads share it
    int result = -1;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp_name = ".sky-unzip-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
        result = make(dir_fd, temp_name.c_str());
        if (result >= 0) return result;
        if (errno != EEXIST) break;
    }
    temp_name.clear(); // nothing of ours stands under it
    return result;
}

int create_temp_file(int dir_fd, std::string& temp_name)
{
    return make_under_temp_name(dir_fd, temp_name, [](int dir, const char* name) {
        return openat(dir, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    });
}

int create_temp_link(int dir_fd, const char* target, std::string& temp_name)
{
    return make_under_temp_name(dir_fd, temp_name,
                                [target](int dir, const char* name) { return symlinkat(target, dir, name); });
}

int write_all(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        ssize_t put = write(fd, data, size);
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) return errno;
        data += put;
        size -= std::size_t(put);
    }
    return 0;
}

// Where a file entry's bytes go: the temporary file, and the digest when the
// file has a signature to match (null otherwise); until the caller stops it.
struct file_target {
    int fd;
    MD5Stream* md5;
    const zip_stop* stop;
};

int file_sink(void* target, const char* data, std::size_t size)
{
    file_target& t = *static_cast<file_target*>(target);
    if (t.stop->asked()) return err_zip_stopped;
    if (t.md5) t.md5->feed(reinterpret_cast<const unsigned char*>(data), size);
    return write_all(t.fd, data, size);
}

struct link_text {
    char* text;     // link_target_max bytes
    unsigned length;
};

int link_sink(void* target, const char* data, std::size_t size)
{
    link_text& link = *static_cast<link_text*>(target);
    if (size >= link_target_max - link.length) return err_zip_refused;
    std::memcpy(link.text + link.length, data, size);
    link.length += unsigned(size);
    return 0;
}

// The entry's DOS date as local time: mktime with the daylight-saving flag
// left to the library.
std::time_t mktime_of(const tm_unz& date, int hour, int min, int sec)
{
    std::tm t{};
    t.tm_sec = sec;
    t.tm_min = min;
    t.tm_hour = hour;
    t.tm_mday = int(date.tm_mday);
    t.tm_mon = int(date.tm_mon);
    t.tm_year = int(date.tm_year) - 1900;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

// The same answer, asked of mktime once per hour of the clock that a thread
// meets: mktime looks at the zone file's status on every call, under a lock
// that every extracting thread shares. Within an hour the answer moves second
// by second unless the zone changes its offset inside it, which the start of
// the next hour tells; such an hour, and fields out of their range, are
// asked of mktime whole. A change of TZ starts afresh.
std::time_t local_time_of(const tm_unz& date)
{
    const int hour = int(date.tm_hour), min = int(date.tm_min), sec = int(date.tm_sec);
    const bool in_range = date.tm_mon <= 11 && date.tm_mday >= 1 && date.tm_mday <= 31 && hour <= 23 && min <= 59 &&
                          sec <= 59;
    if (!in_range) return mktime_of(date, hour, min, sec);
    struct hour_start {
        std::time_t at;
        bool even; // the next hour starts 3600 s later
    };
    thread_local std::unordered_map<std::uint64_t, hour_start> hours;
    thread_local std::string zone;
    const char* tz = std::getenv("TZ");
    if (zone != (tz ? tz : "-")) {
        hours.clear();
        zone = tz ? tz : "-";
    }
    const std::uint64_t key = ((std::uint64_t(date.tm_year) * 16 + date.tm_mon) * 32 + date.tm_mday) * 32 + hour;
    auto known = hours.find(key);
    if (known == hours.end()) {
        if (hours.size() >= 4096) hours.clear();
        const std::time_t start = mktime_of(date, hour, 0, 0), next = mktime_of(date, hour + 1, 0, 0);
        known = hours.emplace(key, hour_start{start, next - start == 3600}).first;
    }
    if (!known->second.even) return mktime_of(date, hour, min, sec);
    return known->second.at + 60 * min + sec;
}

// The entry's DOS date as local time; both file times are set to it. 0, or -1
// with the reason logged.
int set_entry_time(int fd, const tm_unz& date)
{
    timespec times[2] = {{local_time_of(date), 0}, {0, 0}};
    times[1] = times[0];
    if (futimens(fd, times) == 0) return 0;
    zip_log() << "UNZIP cannot set the file time: " << std::strerror(errno) << "\n";
    return -1;
}

// What the caller asks of the entries beyond the name rules.
struct entry_rules {
    int out_depth = 0;                       // folders from the confinement root down to the output folder
    const zip_listed_file* listed = nullptr; // null: any entry; else only `leaf`, bounded and signed
    std::string leaf;                        // the listed file's own name
    zip_stop stop;                           // the caller no longer wants the file
};

// The listed signature against the digest of the bytes written.
bool signature_matches(const entry_rules& rules, MD5Stream& md5, const std::string& out_path)
{
    const std::string hex = md5.hex();
    const std::string& want = rules.listed->signature;
    bool same = want.size() == 32;
    for (std::size_t i = 0; same && i < 32; ++i)
        same = (want[i] >= 'A' && want[i] <= 'F' ? char(want[i] - 'A' + 'a') : want[i]) == hex[i];
    if (!same)
        zip_log() << "UNZIP " << out_path << ": its MD5 " << hex << " differs from the listed signature \"" << want
            << "\"; the old file is kept\n";
    return same;
}

// Data, CRC, signature, mode and time into the open temporary file; 0 when all succeeded.
int fill_temp_file(zip_archive& za, int fd, const zip_entry& entry, char* work, const entry_rules& rules,
                   const std::string& out_path)
{
    const bool signed_file = rules.listed && !rules.listed->signature.empty();
    MD5Stream md5; // digested here, piece by piece, as the pieces are written
    file_target target{fd, signed_file ? &md5 : nullptr, &rules.stop};
    if (int err = zip_read_entry(za, entry, work, file_sink, &target)) return err;
    if (signed_file && !signature_matches(rules, md5, out_path)) return err_zip_signature;
    const unz_file_info64& info = entry.info;
    // An archiver that stores no Unix mode leaves the upper half zero; applying
    // it would make the file unreadable, so the file keeps ordinary permissions.
    if (info.external_fa >> 16) fchmod(fd, mode_t((info.external_fa >> 16) & 0777));
    if (info.external_fa != 0) return set_entry_time(fd, info.tmu_date);
    return 0;
}

void log_entry_failure(const char* what, int err, const std::string& out_path)
{
    zip_log() << what << err << ". file = " << sErrFile << " line = " << sErrLine << ". inFile=" << out_path
        << ".\n";
}

// A file's bytes go to a file without a name where the file system makes one
// (O_TMPFILE), named only once complete and checked: a failure leaves nothing
// to remove, and a new file costs its folder one change instead of three (the
// create, and the rename's remove and add). Naming it goes through its
// /proc/self/fd link; without /proc, or where the file system cannot, -1.
bool unnamed_files_wanted = true; // zip_use_unnamed_files

int open_unnamed_file(int dir_fd)
{
    static const bool proc_fd_usable = access("/proc/self/fd", X_OK) == 0;
    if (!proc_fd_usable || !unnamed_files_wanted) return -1;
    return openat(dir_fd, ".", O_WRONLY | O_TMPFILE | O_CLOEXEC, 0666);
}

// Names the unnamed file: straight as leaf when that name is free (*as_leaf
// set), else under a temporary name (in temp_name) that the caller renames
// over the old entry once the file is closed. 0 or errno.
int name_unnamed_file(int dir_fd, int fd, const std::string& leaf, std::string& temp_name, bool* as_leaf)
{
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    auto link_as = [&self](int dir, const char* name) {
        return linkat(AT_FDCWD, self.c_str(), dir, name, AT_SYMLINK_FOLLOW);
    };
    if (link_as(dir_fd, leaf.c_str()) == 0) {
        *as_leaf = true;
        return 0;
    }
    if (errno != EEXIST) return errno;
    return make_under_temp_name(dir_fd, temp_name, link_as) == 0 ? 0 : errno;
}

// A file's bytes out of sight until they are put in place: in an unnamed file
// (fd open) or, where none can be made, closed under a temporary name.
struct staged_file {
    int fd = -1;
    std::string temp_name;
};

void drop_staged(int dir_fd, staged_file& f)
{
    if (f.fd >= 0) close(f.fd);
    if (!f.temp_name.empty()) unlinkat(dir_fd, f.temp_name.c_str(), 0);
    f.fd = -1;
    f.temp_name.clear();
}

int failed_entry(const char* what, int err, const std::string& out_path)
{
    IO_SET_ERR_LOCATION();
    log_entry_failure(what, err, out_path);
    return err;
}

// The entry's bytes, checked, into a staged file; a failure leaves nothing.
int stage_file(zip_archive& za, int dir_fd, const zip_entry& entry, char* work, const entry_rules& rules,
               const std::string& out_path, staged_file& f)
{
    f.fd = open_unnamed_file(dir_fd);
    const bool unnamed = f.fd >= 0;
    if (!unnamed) f.fd = create_temp_file(dir_fd, f.temp_name);
    int err = f.fd < 0 ? errno : fill_temp_file(za, f.fd, entry, work, rules, out_path);
    if (!err && !unnamed) {
        // A close that fails is a write the kernel could not finish.
        if (close(f.fd) != 0) err = errno;
        f.fd = -1;
    }
    if (!err) return 0;
    drop_staged(dir_fd, f);
    return failed_entry("Zip to file failed with error ", err, out_path);
}

// The staged file in place of any old entry named leaf. A close that fails
// leaves the old file, and a new file already named is taken away again.
int place_file(int dir_fd, const std::string& leaf, staged_file& f, const std::string& out_path)
{
    int err = 0;
    bool as_leaf = false; // named straight as leaf, where no old entry stood
    if (f.fd >= 0) {
        err = name_unnamed_file(dir_fd, f.fd, leaf, f.temp_name, &as_leaf);
        if (close(f.fd) != 0 && !err) err = errno;
        f.fd = -1;
    }
    if (err && as_leaf) unlinkat(dir_fd, leaf.c_str(), 0);
    if (!err && !f.temp_name.empty() && renameat(dir_fd, f.temp_name.c_str(), dir_fd, leaf.c_str()) != 0)
        err = errno;
    if (!err) {
        f.temp_name.clear();
        return 0;
    }
    drop_staged(dir_fd, f);
    return failed_entry("Zip to file failed with error ", err, out_path);
}

// Reads the whole link target (its real length, terminated); err_zip_refused
// for a target that cannot be a path or that leaves the confinement root from
// a link `depth` folders below it.
int read_link_target(zip_archive& za, const zip_entry& entry, char* work, char* target, int depth)
{
    if (entry.info.uncompressed_size >= link_target_max) {
        zip_log() << "UNZIP refused a link target of " << entry.info.uncompressed_size << " bytes\n";
        return err_zip_refused;
    }
    link_text link{target, 0};
    if (int err = zip_read_entry(za, entry, work, link_sink, &link)) return err;
    target[link.length] = '\0';
    if (std::strlen(target) != link.length) {
        zip_log() << "UNZIP refused a link target holding a NUL byte\n";
        return err_zip_refused;
    }
    if (const char* reason = refused_link_reason(target, depth)) {
        zip_log() << "UNZIP refused the link target \"" << target << "\": it " << reason << "\n";
        return err_zip_refused;
    }
    return 0;
}

// A symbolic link, made under a temporary name and renamed over any old entry.
int place_link(int dir_fd, const std::string& leaf, const char* target, const std::string& out_path)
{
    std::string temp_name;
    int err = 0;
    if (create_temp_link(dir_fd, target, temp_name) != 0) {
        zip_log() << "UNZIP cannot make the link: " << std::strerror(errno) << "\n";
        err = -1;
    } else if (renameat(dir_fd, temp_name.c_str(), dir_fd, leaf.c_str()) != 0) {
        zip_log() << "UNZIP cannot put the link in place: " << std::strerror(errno) << "\n";
        unlinkat(dir_fd, temp_name.c_str(), 0);
        err = -1;
    }
    return err ? failed_entry("Zip to symlink failed with error ", err, out_path) : 0;
}

// What a ready file holds until it is put in place. dir_fd stays the caller's.
int keep_ready(zip_ready_file& ready, int dir_fd, const std::string& leaf, const std::string& out_path)
{
    ready.drop(); // an earlier entry of the same name: the last one counts, as when each is put in place
    ready.dir_fd_ = fcntl(dir_fd, F_DUPFD_CLOEXEC, 0);
    if (ready.dir_fd_ < 0) return failed_entry("Zip to file failed with error ", errno, out_path);
    ready.leaf_ = leaf;
    ready.out_path_ = out_path;
    return 0;
}

// ---- 4. the walk over the archive --------------------------------------------------

struct extraction {
    zip_archive za;
    int root_fd = -1;         // the output folder
    char* work = nullptr;     // zip_work_size bytes
    std::string out_dir;      // app_path + out_directory
    std::string first_target; // name for the first entry when flag is set
    entry_rules rules;
    bool listed_done = false;        // the listed file was made
    zip_ready_file* ready = nullptr; // set: the listed file is kept ready, not put in place
};

// A regular file: staged, then put in place over any old one, or kept ready.
int unzip_file(extraction& x, int dir_fd, const std::string& leaf, const zip_entry& entry,
               const std::string& out_path)
{
    staged_file f;
    if (int err = stage_file(x.za, dir_fd, entry, x.work, x.rules, out_path, f)) return err;
    if (!x.ready) return place_file(dir_fd, leaf, f, out_path);
    if (int err = keep_ready(*x.ready, dir_fd, leaf, out_path)) {
        drop_staged(dir_fd, f);
        return err;
    }
    x.ready->fd_ = f.fd;
    x.ready->temp_name_ = std::move(f.temp_name);
    return 0;
}

// A symbolic link whose target stays inside the confinement root, from a link
// `depth` folders below it: made now, or kept ready.
int unzip_symlink(extraction& x, int dir_fd, const std::string& leaf, const zip_entry& entry, int depth,
                  const std::string& out_path)
{
    char target[link_target_max];
    if (int err = read_link_target(x.za, entry, x.work, target, depth))
        return failed_entry("Zip to symlink failed with error ", err, out_path);
    if (!x.ready) return place_link(dir_fd, leaf, target, out_path);
    if (int err = keep_ready(*x.ready, dir_fd, leaf, out_path)) return err;
    x.ready->is_link_ = true;
    x.ready->link_target_ = target;
    return 0;
}

// Mac OS X resource forks. The prefix is tested on the name as read, before the
// name checks, so that a long or odd name in that tree skips like any other.
bool skipped_entry(const char* name)
{
    return std::strncmp(name, "__MACOSX", 8) == 0;
}

// The listed file's own checks on an entry, by name and declared size; 0 or the refusal.
int check_listed_entry(const extraction& x, const std::string& rel, const zip_entry& entry, bool is_link)
{
    const zip_listed_file& listed = *x.rules.listed;
    if (rel != x.rules.leaf) {
        zip_log() << "UNZIP refused entry \"" << rel << "\": the archive is listed for \"" << listed.path << "\" only\n";
        return err_zip_foreign;
    }
    const ZPOS64_T declared = entry.info.uncompressed_size;
    if (!is_link && listed.max_size != 0 && declared > listed.max_size) {
        zip_log() << "UNZIP refused entry \"" << rel << "\": it declares " << declared << " bytes, more than the "
            << listed.max_size << " listed\n";
        return err_zip_too_large;
    }
    return 0;
}

// One entry, already fetched, under its relative name, checked here: made or
// written; 0 or its failure code.
int extract_entry(extraction& x, const std::string& rel, unsigned long stored_length, const zip_entry& entry)
{
    if (const char* reason = refused_name_reason(rel.c_str(), stored_length)) {
        zip_log() << "UNZIP refused entry \"" << rel << "\": its name " << reason << "\n";
        IO_SET_ERR_LOCATION();
        return err_zip_refused;
    }
    const bool is_link = ((entry.info.external_fa >> 16) & unix_link_type) == unix_link_type;
    if (x.rules.listed)
        if (int err = check_listed_entry(x, rel, entry, is_link)) {
            IO_SET_ERR_LOCATION();
            return err;
        }
    int dir_fd = -1;
    std::string leaf;
    int err = open_parent(x.root_fd, rel, dir_fd, leaf);
    if (err == 0 && !leaf.empty() && leaf != ".") {
        const std::string out_path = x.out_dir + rel;
        const int link_depth = x.rules.out_depth + folder_depth(rel); // the link's folder below the root
        err = is_link ? unzip_symlink(x, dir_fd, leaf, entry, link_depth, out_path)
                      : unzip_file(x, dir_fd, leaf, entry, out_path);
        x.listed_done = x.listed_done || err == 0;
    } else if (err == ENOTDIR) {
        zip_log() << "UNZIP refused entry \"" << rel << "\": a symbolic link or a file lies on its way\n";
    }
    if (dir_fd >= 0 && dir_fd != x.root_fd) close(dir_fd);
    if (err) IO_SET_ERR_LOCATION();
    return err;
}

// Fetches and handles every entry; 0 at the end of the list, else the failure.
int walk_entries(extraction& x, std::string* first_name)
{
    unzGoToFirstFile(x.za.uf); // an archive without entries fails at the first fetch
    for (bool first = true;; first = false) {
        zip_entry entry;
        int err = zip_fetch_entry_info(x.za.uf, entry, x.work);
        if (err != UNZ_OK) {
            zip_log() << "unzGetCurrentFileInfo err != UNZ_OK! err=" << err << "\n";
            IO_SET_ERR_LOCATION();
            return err;
        }
        const unsigned long stored_length = entry.info.size_filename;
        bool renamed = first && !x.first_target.empty();
        if (first && first_name && !refused_name_reason(entry.name, stored_length)) *first_name = entry.name;
        if (skipped_entry(entry.name)) err = 0;
        else if (renamed) err = extract_entry(x, x.first_target, x.first_target.size(), entry);
        else err = extract_entry(x, entry.name, stored_length, entry);
        if (err) {
            zip_log() << "UNZIP zip_to_file failed with err=" << err << "\n";
            return err;
        }
        err = unzGoToNextFile(x.za.uf);
        if (err == UNZ_END_OF_LIST_OF_FILE) return 0;
        if (err != UNZ_OK) {
            IO_SET_ERR_LOCATION();
            return err;
        }
    }
}

void log_extraction_failure(int err, const std::string& zip_file, const std::string& out_directory)
{
    zip_log() << "Zip to file failed with error err = " << err << ". file = " << sErrFile << " line = " << sErrLine
              << ". zip_file=" << zip_file << ", out_directory=" << out_directory << ".\n";
}

// Opens the archive and the output folder (both with prefix in front) and
// walks the entries under the rules. With `ready`, the listed file is kept
// ready in it instead of being put in place; it stays kept when a later entry
// fails, as it would have been in place by then.
int extract_archive(const std::string& prefix, std::string zip_file, std::string out_directory,
                    std::string* first_name, int flag, const entry_rules& rules, zip_ready_file* ready = nullptr)
{
    zip_file = prefix + zip_file;
    out_directory = prefix + out_directory;
    extraction x;
    x.out_dir = out_directory;
    x.first_target = flag && first_name ? *first_name : std::string();
    x.rules = rules;
    x.ready = ready;
    int err = zip_open_archive(zip_file, x.za);
    if (err) {
        zip_log() << "OK I am about to report that I could not open a zip file for extraction!\n"
                  << "That incoming file is " << zip_file << "\n"
                  << "In c-form, it is " << zip_file.c_str() << "\n"
                  << "The size is " << zip_file.size() << "\n";
        IO_SET_ERR_LOCATION();
    } else {
        x.root_fd = open(out_directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        x.work = new (std::nothrow) char[zip_work_size];
        if (x.root_fd < 0) err = errno;
        else if (!x.work) err = ENOMEM;
        if (err) IO_SET_ERR_LOCATION();
        else err = walk_entries(x, first_name);
        if (!err && rules.listed && !x.listed_done) {
            zip_log() << "UNZIP the archive holds no entry named \"" << rules.leaf << "\"\n";
            IO_SET_ERR_LOCATION();
            err = err_zip_foreign;
        }
        delete[] x.work;
        if (x.root_fd >= 0) close(x.root_fd);
        zip_close_archive(x.za);
    }
    if (ready) {
        ready->zip_file_ = zip_file;
        ready->out_dir_ = out_directory;
        if (err && !x.listed_done) ready->drop();
    }
    if (err) log_extraction_failure(err, zip_file, out_directory);
    return err;
}

// Why the listed file's root and path cannot be used, or null.
const char* refused_listed_reason(const zip_listed_file& listed, const std::string& leaf)
{
    if (!listed.root.empty() && listed.root.back() != '/') return "its root does not end in '/'";
    if (listed.path.find('\0') != std::string::npos) return "its path holds a NUL byte";
    if (const char* reason = climbing_reason(listed.path.c_str())) return reason;
    if (leaf.empty() || leaf == ".") return "its path names no file";
    if (leaf.size() >= zip_name_size) return "its name is longer than an entry name can be";
    return nullptr;
}

} // namespace

int zip_to_file(std::string zip_file, std::string out_directory, std::string* first_name, int flag)
{
    return extract_archive(app_path, std::move(zip_file), std::move(out_directory), first_name, flag, entry_rules{});
}

namespace {
// The listed file, with prefix in front of the archive and the root, kept ready.
int ready_listed(const std::string& prefix, const std::string& zip_file, const zip_listed_file& listed,
                 zip_ready_file& ready, zip_stop stop = {})
{
    ready.drop();
    const std::size_t slash = listed.path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : listed.path.substr(0, slash + 1);
    entry_rules rules;
    rules.out_depth = folder_depth(listed.path);
    rules.listed = &listed;
    rules.leaf = listed.path.substr(folder.size());
    rules.stop = stop;
    if (const char* reason = refused_listed_reason(listed, rules.leaf)) {
        zip_log() << "UNZIP refused to extract " << zip_file << " for \"" << listed.path << "\": " << reason << "\n";
        IO_SET_ERR_LOCATION();
        return ready.err = err_zip_refused;
    }
    return ready.err = extract_archive(prefix, zip_file, listed.root + folder, nullptr, 0, rules, &ready);
}
} // namespace

int zip_listed_to_file(const std::string& zip_file, const zip_listed_file& listed)
{
    zip_ready_file ready;
    ready_listed(app_path, zip_file, listed, ready);
    return zip_put_in_place(ready);
}

int zip_ready_listed(const std::string& zip_file, const zip_listed_file& listed, zip_ready_file& ready,
                     zip_stop stop)
{
    std::ostringstream lines;
    log_target = &lines;
    ready_listed("", zip_file, listed, ready, stop);
    log_target = nullptr;
    ready.log = lines.str();
    return ready.err;
}

int zip_put_in_place(zip_ready_file& ready)
{
    if (ready.dir_fd_ < 0) return ready.err ? ready.err : (ready.err = err_zip_foreign); // nothing was kept
    if (ready.err) {
        // The listed file came before the entry that failed: it goes in place, the failure stands.
        const int failed = ready.err;
        ready.err = 0;
        zip_put_in_place(ready);
        return ready.err = failed;
    }
    staged_file f{ready.fd_, std::move(ready.temp_name_)};
    ready.fd_ = -1;
    ready.temp_name_.clear();
    int err = ready.is_link_ ? place_link(ready.dir_fd_, ready.leaf_, ready.link_target_.c_str(), ready.out_path_)
                             : place_file(ready.dir_fd_, ready.leaf_, f, ready.out_path_);
    ready.drop();
    if (err) {
        zip_log() << "UNZIP zip_to_file failed with err=" << err << "\n";
        log_extraction_failure(err, ready.zip_file_, ready.out_dir_);
    }
    return ready.err = err;
}

zip_ready_file& zip_ready_file::operator=(zip_ready_file&& other) noexcept
{
    if (this == &other) return *this;
    drop();
    err = other.err;
    log = std::move(other.log);
    dir_fd_ = std::exchange(other.dir_fd_, -1);
    fd_ = std::exchange(other.fd_, -1);
    temp_name_ = std::move(other.temp_name_);
    other.temp_name_.clear();
    leaf_ = std::move(other.leaf_);
    is_link_ = other.is_link_;
    link_target_ = std::move(other.link_target_);
    out_path_ = std::move(other.out_path_);
    zip_file_ = std::move(other.zip_file_);
    out_dir_ = std::move(other.out_dir_);
    return *this;
}

void zip_ready_file::drop()
{
    if (fd_ >= 0) close(fd_);
    if (!temp_name_.empty() && dir_fd_ >= 0) unlinkat(dir_fd_, temp_name_.c_str(), 0);
    if (dir_fd_ >= 0) close(dir_fd_);
    fd_ = dir_fd_ = -1;
    temp_name_.clear();
    is_link_ = false;
    link_target_.clear();
}

void zip_use_unnamed_files(bool on) { unnamed_files_wanted = on; }
