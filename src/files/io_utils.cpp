// io_utils.cpp - folders and files, existence questions.
#include "files/io_utils.h"

#include "files/find_path.h"
#include "foundation/hl_types.h"
#include "files/io_errors.h"
#include "io_paths.h"
#include "foundation/hooks.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <vector>

namespace {

void drop_trailing_slash(std::string& path)
{
    if (!path.empty() && path.back() == '/') path.pop_back();
}

// Reads the errno a failed exec wrote to the pipe; 0 when the pipe closed
// empty because the exec succeeded and closed its end.
int exec_error_from(int fd)
{
    int err = 0;
    ssize_t n;
    do n = read(fd, &err, sizeof err);
    while (n < 0 && errno == EINTR);
    return n == static_cast<ssize_t>(sizeof err) ? err : 0;
}

// Logs why path could not be started and passes err through; every way out of
// a failed launch goes here.
int launch_failed(const std::string& path, int err)
{
    IO_log("Launching failed: " + path + ": " + error_str(err));
    return err;
}

std::uint32_t le32(const unsigned char* b)
{
    return std::uint32_t(b[0]) | (std::uint32_t(b[1]) << 8) | (std::uint32_t(b[2]) << 16) |
           (std::uint32_t(b[3]) << 24);
}

// Closes f and passes result through; the one way out of the PE patcher.
int close_with(std::FILE* f, int result)
{
    std::fclose(f);
    return result;
}

// stat of a full path after the case lookup; false when it cannot be examined.
// The lookup takes paths of io_max_path bytes at most; a longer one is refused.
bool stat_outside_path(std::string full, struct stat& st, const char* who)
{
    if (g_case_sensitive) {
        if (!IO_path_length_ok(full, who)) return false;
        findPath(full);
    }
    return stat(full.c_str(), &st) == 0;
}

} // namespace

int make_folder(const std::string& path)
{
    std::string p = path;
    drop_trailing_slash(p);
    if (mkdir(p.c_str(), 0755) != 0) {
        const int err = errno;
        IO_SET_ERR_LOCATION();
        return err;
    }
    return 0;
}

int rename_file(const std::string& folder, const std::string& old_name, const std::string& new_name)
{
    if (std::rename((folder + old_name).c_str(), (folder + new_name).c_str()) < 0) {
        const int err = errno;
        IO_SET_ERR_LOCATION();
        return err;
    }
    return 0;
}

int delete_file(std::string path)
{
    std::string full = app_path + path;
    if (full.empty()) return ENOENT;
    int r;
    if (full.back() == '/') {
        full.pop_back();
        r = rmdir(full.c_str());
    } else {
        r = unlink(full.c_str());
    }
    if (r != 0) {
        const int err = errno;
        IO_SET_ERR_LOCATION();
        return err;
    }
    return 0;
}

int IO_statvfs_nearest(const std::string& folder, struct statvfs* fs)
{
    std::string probe = folder;
    int err = ENOENT;
    while (!probe.empty()) {
        if (statvfs(probe.c_str(), fs) == 0) return 0;
        err = errno;
        if (probe == "/") break;
        drop_trailing_slash(probe);
        const std::size_t slash = probe.rfind('/');
        if (slash == std::string::npos) break;
        probe.resize(slash + 1); // the parent, with its '/'
    }
    return err;
}

int file_exists(std::string path)
{
    struct stat st;
    return stat_outside_path(app_path + path, st, "file_exists") && !S_ISDIR(st.st_mode) ? 1 : 0;
}

int dir_exists(std::string path)
{
    std::string full = app_path + path;
    drop_trailing_slash(full);
    struct stat st;
    return stat_outside_path(full, st, "dir_exists") && S_ISDIR(st.st_mode) ? 1 : 0;
}

int file_is_absent(std::string path)
{
    const std::string full = app_path + path;
    if (full.empty()) return 0;
    struct stat st;
    if (lstat(full.c_str(), &st) == 0) return 0;
    if (errno != ENOENT && errno != ENOTDIR) return 0;
    // Absent as written; the case lookup may still find it under another case.
    if (!g_case_sensitive || full.size() > io_max_path) return 1;
    const std::string resolved = IO_case_resolved(full);
    if (resolved == full) return 1;
    if (lstat(resolved.c_str(), &st) == 0) return 0;
    return errno == ENOENT || errno == ENOTDIR ? 1 : 0;
}

std::size_t path_limit() { return io_max_path; }

int path_usable(const std::string& path, const char* who)
{
    return IO_path_dirchars_ok(path, who) && IO_path_length_ok(app_path + path, who) ? 1 : 0;
}

int launch_app(const std::string& program, const std::string& argument)
{
    std::string path = program;
    drop_trailing_slash(path);
    path = app_path + path;
    if (xer.is_open()) xer << "Launching: " << path << " with " << argument << "\n" << std::flush;

    // Everything the child needs exists before fork: after it, the child only
    // calls execv, write and _exit.
    std::string dash_path = "-path", arg = argument;
    std::vector<char*> argv{path.data()};
    if (!argument.empty()) {
        argv.push_back(dash_path.data());
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) return launch_failed(path, errno);
    std::cout.flush();
    std::fflush(nullptr);

    const pid_t pid = fork();
    if (pid < 0) {
        const int err = errno;
        close(report[0]);
        close(report[1]);
        return launch_failed(path, err);
    }
    if (pid == 0) {
        close(report[0]);
        execv(path.c_str(), argv.data());
        const int err = errno;
        ssize_t ignored = write(report[1], &err, sizeof err);
        (void)ignored;
        _exit(err);
    }
    close(report[1]);
    const int err = exec_error_from(report[0]);
    close(report[0]);
    if (err != 0) {
        waitpid(pid, nullptr, 0);
        return launch_failed(path, err);
    }
    MACIBM_finishup(1);
    std::exit(1);
}

int make_file_large_address_aware(std::string path)
{
    std::FILE* f = std::fopen(path.c_str(), "r+b");
    if (!f) return errno;
    unsigned char dos[64];
    if (std::fread(dos, 1, sizeof dos, f) != sizeof dos) return close_with(f, EIO);
    if (dos[0] != 'M' || dos[1] != 'Z') return close_with(f, err_exe_not_mz);
    const off_t pe_offset = static_cast<off_t>(le32(dos + 60));
    if (fseeko(f, pe_offset, SEEK_SET) != 0) return close_with(f, errno);
    unsigned char pe[24]; // signature and COFF file header
    if (std::fread(pe, 1, sizeof pe, f) != sizeof pe) return close_with(f, EIO);
    if (pe[0] != 'P' || pe[1] != 'E' || pe[2] != 0 || pe[3] != 0) return close_with(f, err_exe_not_pe);
    pe[22] |= 0x20; // IMAGE_FILE_LARGE_ADDRESS_AWARE, low byte of Characteristics
    if (fseeko(f, pe_offset, SEEK_SET) != 0) return close_with(f, errno);
    if (std::fwrite(pe, 1, sizeof pe, f) != sizeof pe) return close_with(f, EIO);
    return std::fclose(f) != 0 ? errno : 0;
}
