// safe_open.cpp - writes outside the product folder that follow no planted link.
//   where a write may go: the link chain walked one link at a time
//   opening: O_NOFOLLOW opens of the checked name, emptied only once checked;
//            exclusive temporaries
#include "foundation/safe_open.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int max_links = 40; // as the kernel's own limit on a chain

std::string folder_of(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The text of the link at path, resolved against the link's own folder.
bool read_link(const std::string& path, std::string& next)
{
    char buf[PATH_MAX];
    const ssize_t n = readlink(path.c_str(), buf, sizeof buf);
    if (n <= 0 || n >= static_cast<ssize_t>(sizeof buf)) return false;
    const std::string text(buf, static_cast<size_t>(n));
    next = text[0] == '/' ? text : folder_of(path) + text;
    return true;
}

// A plain file another user owns that has a second name may be that user's
// file reached through a planted hard link: never emptied from here.
bool plain_file_ok(const struct stat& st)
{
    return S_ISREG(st.st_mode) && (st.st_uid == geteuid() || st.st_nlink <= 1);
}

} // namespace

// ---- where a write may go ---------------------------------------------------

int UTL_write_target(const std::string& path, std::string& target)
{
    std::string at = path;
    bool through_link = false;
    for (int hops = 0; hops <= max_links; ++hops) {
        struct stat st;
        if (lstat(at.c_str(), &st) != 0) {
            if (errno != ENOENT || through_link) return 0; // a link into nothing is refused
            target = at;
            return 1;
        }
        if (!S_ISLNK(st.st_mode)) {
            if (!plain_file_ok(st)) return 0;
            if (through_link && st.st_uid != geteuid()) return 0;
            target = at;
            return 1;
        }
        if (st.st_uid != geteuid() || !read_link(at, at)) return 0;
        through_link = true;
    }
    return 0;
}

// ---- opening ----------------------------------------------------------------

void (*UTL_safe_open_gap)(const std::string& name) = nullptr;

namespace {

void in_the_gap(const std::string& name)
{
    if (UTL_safe_open_gap) UTL_safe_open_gap(name);
}

int refuse(int fd)
{
    close(fd);
    errno = EPERM;
    return -1;
}

} // namespace

// The open itself changes nothing: no O_TRUNC, so a file swapped in after the
// check keeps its bytes when it is refused, and O_NONBLOCK, so a FIFO swapped in
// cannot hold the program for ever. Only what passes the check is emptied.
int UTL_open_for_writing(const std::string& path, int truncate)
{
    std::string target;
    if (!UTL_write_target(path, target)) {
        errno = EPERM;
        return -1;
    }
    in_the_gap(target);
    const int flags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | (truncate ? 0 : O_APPEND);
    const int fd = open(target.c_str(), flags, 0666);
    if (fd < 0) return -1;
    struct stat st;
    if (fstat(fd, &st) != 0 || !plain_file_ok(st)) return refuse(fd); // swapped for a device or a hard link
    const int status = fcntl(fd, F_GETFL);
    if (status < 0 || fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0 || (truncate && ftruncate(fd, 0) != 0)) {
        const int saved = errno;
        close(fd);
        errno = saved;
        return -1;
    }
    return fd;
}

int UTL_create_temp(const std::string& temp)
{
    struct stat st;
    if (lstat(temp.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) unlink(temp.c_str()); // a leftover or a plant
    in_the_gap(temp);
    return open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
}

std::string UTL_fd_path(int fd) { return "/proc/self/fd/" + std::to_string(fd); }
