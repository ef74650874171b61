// about_fakes.h - fakes for the newer-installer check's calls into the files
// layer: scripted download slots, switchable signature, folder and unpacking
// (each the real one unless told otherwise), and a recorded launch.
#pragma once

#include "shell/about_check.h"

#include "files/http.h"
#include "foundation/hl_types.h"
#include "support/testkit.h"

#include <cerrno>
#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

namespace aboutfx {

// ---- fakes ----

struct net_call {
    int slot;
    std::string server, path, dest;
    std::uint64_t max_bytes;
};

// Scripted verdicts per slot (net_failed once the script runs out); a done
// list or archive is written to app_path + dest first, as the slot would.
struct fake_world {
    std::deque<int> verdicts[2];
    std::string list_bytes;   // the list a done slot 0 delivers
    std::string archive_from; // the file (under app_path) a done slot 1 delivers
    std::vector<net_call> calls;
    bool downloading = false; // the progress of slot 1
    std::uint64_t written = 0, length = down_length_unknown;
    int md5_result = -1;      // -1: the real calc_file_md5
    int folder_result = -1;   // -1: the real private folder
    int unzip_result = -1;    // -1: the real zip_to_file
    std::string unzip_first;
    int unzip_calls = 0;
    std::vector<std::pair<std::string, std::string>> launches; // program, argument
    int launch_result = ENOENT;

    int calls_to(int slot) const
    {
        int n = 0;
        for (const net_call& c : calls) n += c.slot == slot;
        return n;
    }
};
inline fake_world world;

inline int fake_net_check(int slot, const std::string& server, const std::string& path, const std::string& dest,
                          std::uint64_t max_bytes)
{
    world.calls.push_back({slot, server, path, dest, max_bytes});
    std::deque<int>& script = world.verdicts[slot];
    const int r = script.empty() ? net_failed : script.front();
    if (!script.empty()) script.pop_front();
    if (r == net_done && slot == slot_serverlist) write_file(app_path + dest, world.list_bytes);
    if (r == net_done && slot == slot_installer) write_file(app_path + dest, read_file(app_path + world.archive_from));
    return r;
}

inline bool fake_progress(int, std::uint64_t& written, std::uint64_t& length)
{
    written = world.written;
    length = world.length;
    return world.downloading;
}

inline int fake_md5(const std::string& path, std::string& hex)
{
    return world.md5_result < 0 ? about_real_ops.file_md5(path, hex) : world.md5_result;
}

inline int fake_private_folder(std::string& folder)
{
    return world.folder_result < 0 ? about_real_ops.make_private_folder(folder) : world.folder_result;
}

inline int fake_unzip(const std::string& zip, const std::string& out, std::string* first)
{
    ++world.unzip_calls;
    if (world.unzip_result < 0) return about_real_ops.unzip(zip, out, first);
    *first = world.unzip_first;
    return world.unzip_result;
}

inline int fake_launch(const std::string& program, const std::string& argument)
{
    world.launches.push_back({program, argument});
    return world.launch_result;
}

inline const about_ops fakes = {fake_net_check, fake_progress, fake_md5, fake_private_folder, fake_unzip, fake_launch};

} // namespace aboutfx
