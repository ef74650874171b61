// files_fixture.h - what the file-layer tests share: app_path pointed at a
// temporary folder, and deterministic fixture bytes.
#pragma once

#include "files/find_path.h"
#include "foundation/hl_types.h"
#include "support/testkit.h"

#include <cstddef>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

// Sets app_path for its lifetime (the prefix every file call puts in front).
class app_path_guard {
public:
    explicit app_path_guard(const std::string& prefix) : saved(app_path) { app_path = prefix; }
    ~app_path_guard() { app_path = saved; }
    app_path_guard(const app_path_guard&) = delete;
    app_path_guard& operator=(const app_path_guard&) = delete;
private:
    std::string saved;
};

// n bytes of a fixed pattern with period 251, so no block repeats at 64-byte steps.
inline std::string pattern_bytes(std::size_t n)
{
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 31 + 7) % 251);
    return s;
}

// A file of `size` bytes that are a hole, but for `tail` written at its end;
// false when the file system refuses it (the test then skips).
inline bool make_sparse_file(const std::string& path, off_t size, const std::string& tail = "")
{
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return false;
    const ssize_t n = ssize_t(tail.size());
    bool made = ftruncate(fd, size) == 0 && pwrite(fd, tail.data(), tail.size(), size - n) == n;
    return close(fd) == 0 && made;
}

// Sets g_case_sensitive (the letter-case lookup of paths) for its lifetime.
class case_lookup_guard {
public:
    explicit case_lookup_guard(int on) : saved(g_case_sensitive) { g_case_sensitive = on; }
    ~case_lookup_guard() { g_case_sensitive = saved; }
    case_lookup_guard(const case_lookup_guard&) = delete;
    case_lookup_guard& operator=(const case_lookup_guard&) = delete;
private:
    int saved;
};

// A path below a folder that a reader must refuse although something is there,
// and the words its log line holds.
struct refused_source {
    std::string path;
    const char* log;
};

// Makes them below dir: a FIFO (whose blocking open would wait for ever), a
// folder, files named with '\\' and ':', and a file whose full path is longer
// than the file layer takes.
inline std::vector<refused_source> make_refused_sources(const std::string& dir)
{
    const std::string deep(250, 'd'), name(250, 'f');
    mkfifo((dir + "/fifo").c_str(), 0644);
    mkdir((dir + "/folder").c_str(), 0755);
    mkdir((dir + "/" + deep).c_str(), 0755);
    for (const std::string& file : {std::string("a\\b"), std::string("a:b"), deep + "/" + name})
        write_file(dir + "/" + file, "data");
    return {{"fifo", "not a regular file: fifo"},
            {"folder", "not a regular file: folder"},
            {"a\\b", "bad folder character in path: a\\b"},
            {"a:b", "bad folder character in path: a:b"},
            {deep + "/" + name, "path too long"}};
}
