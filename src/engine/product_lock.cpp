// product_lock.cpp - the advisory lock on the product folder.
#include "engine/product_lock.h"

#include "engine/install_records.h"
#include "files/io_errors.h"
#include "foundation/hl_types.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

int held_fd = -1; // the locked folder, open for the rest of the run

bool held_is(int fd)
{
    struct stat a, b;
    return held_fd >= 0 && fstat(held_fd, &a) == 0 && fstat(fd, &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

} // namespace

int ENG_lock_product_folder(int* err)
{
    const int fd = open(dest_dir_path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        *err = errno;
        return lock_failed;
    }
    if (held_is(fd)) {
        close(fd);
        return lock_held;
    }
    ENG_unlock_product_folder();
    int r;
    do r = flock(fd, LOCK_EX | LOCK_NB);
    while (r != 0 && errno == EINTR);
    if (r != 0 && errno == EWOULDBLOCK) {
        close(fd);
        return lock_busy;
    }
    if (r != 0) xer << "Could not lock " << dest_dir_path << ": " << error_str(errno) << "; going on without.\n";
    held_fd = fd;
    return lock_held;
}

int ENG_locked_folder_fd() { return held_fd; }

void ENG_unlock_product_folder()
{
    if (held_fd < 0) return;
    close(held_fd); // the lock goes with the last descriptor of this open
    held_fd = -1;
}
