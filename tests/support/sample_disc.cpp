// sample_disc.cpp
#include "support/sample_disc.h"

#include "support/testkit.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <map>

namespace fs = std::filesystem;

namespace {

std::string shell_quoted(const std::string& s)
{
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Every entry below root by its relative path, links not followed.
std::map<std::string, struct stat> list_tree(const std::string& root)
{
    std::map<std::string, struct stat> out;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        struct stat st{};
        lstat(it->path().c_str(), &st);
        out[fs::relative(it->path(), root).string()] = st;
    }
    return out;
}

std::string kind_of(const struct stat& st)
{
    if (S_ISDIR(st.st_mode)) return "folder";
    if (S_ISLNK(st.st_mode)) return "link";
    if (S_ISREG(st.st_mode)) return "file";
    return "other";
}

// The differences of one entry present in both trees.
void compare_entry(const std::string& rel, const std::string& a, const struct stat& sa, const std::string& b,
                   const struct stat& sb, std::vector<std::string>& out)
{
    if (kind_of(sa) != kind_of(sb)) {
        out.push_back(rel + ": a " + kind_of(sb) + " where a " + kind_of(sa) + " belongs");
        return;
    }
    if (S_ISLNK(sa.st_mode)) {
        if (fs::read_symlink(a) != fs::read_symlink(b)) out.push_back(rel + ": link target " + fs::read_symlink(b).string());
        return;
    }
    if (!S_ISREG(sa.st_mode)) return;
    if ((sa.st_mode & 07777) != (sb.st_mode & 07777)) out.push_back(rel + ": permission bits differ");
    if (sa.st_mtime != sb.st_mtime) out.push_back(rel + ": modification time differs");
    if (sa.st_size != sb.st_size || read_file(a) != read_file(b)) out.push_back(rel + ": content differs");
}

} // namespace

sample_disc make_sample_disc(const std::string& out, int small_files, const std::string& large_kb)
{
    const std::string command = std::string("python3 ") + shell_quoted(SKY_SAMPLE_DISC_TOOL) + " " + shell_quoted(out) +
                                " --small-files " + std::to_string(small_files) + " --large-kb " + large_kb;
    sample_disc s;
    if (std::system(command.c_str()) != 0) return s;
    const std::string base = out + "/";
    s.root = base + "disc/";
    s.fresh_expected = base + "fresh_expected/";
    s.update_product = base + "update_product/";
    s.update_expected = base + "update_expected/";
    s.set_name = "Skylume 10";
    s.modified_rel = "Resources/settings.txt";
    return s;
}

std::vector<std::string> tree_differences(const std::string& expected, const std::string& actual)
{
    std::vector<std::string> out;
    const auto want = list_tree(expected), have = list_tree(actual);
    for (const auto& [rel, st] : want) {
        auto it = have.find(rel);
        if (it == have.end()) out.push_back(rel + ": missing");
        else compare_entry(rel, expected + "/" + rel, st, actual + "/" + rel, it->second, out);
    }
    for (const auto& [rel, st] : have)
        if (!want.count(rel)) out.push_back(rel + ": not expected (" + kind_of(st) + ")");
    return out;
}

bool copy_tree(const std::string& from, const std::string& to)
{
    std::error_code ec;
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
    if (ec) return false;
    // fs::copy keeps modes but not times: put each file's time back.
    for (const auto& [rel, st] : list_tree(from)) {
        if (!S_ISREG(st.st_mode)) continue;
        const timespec times[2] = {st.st_atim, st.st_mtim};
        if (utimensat(AT_FDCWD, (to + "/" + rel).c_str(), times, 0) != 0) return false;
    }
    return true;
}
