// cmnd.cpp - command registry.
#include "foundation/cmnd.h"

#include <set>

const default_command_row default_commands[1] = {
    {"cmnd_nothing", "sim/operation/none", "Do nothing at all!", 3, 0, 0},
};

cmnd_class cmnd;

namespace {
int fp; // plane with input focus
}

cmnd_class::cmnd_class()
    : ids{default_commands[0].id}, paths{default_commands[0].path},
      descs{default_commands[0].desc}, kinds{default_commands[0].kind}
{
}

int cmnd_class::get_cmnd_by_name(const std::string& path) const
{
    for (size_t i = 0; i < paths.size(); ++i)
        if (paths[i] == path) return static_cast<int>(i);
    return 0;
}

void cmnd_class::get_cmds_in_path(const std::string& prefix, std::vector<std::string>& out) const
{
    out.clear();
    std::set<std::string> next;
    const size_t n = prefix.size();
    for (const std::string& s : paths) {
        if (s.size() <= n || s.compare(0, n, prefix) != 0) continue;
        const size_t slash = s.find('/', n);
        next.insert(slash == std::string::npos ? s.substr(n) : s.substr(n, slash - n + 1));
    }
    out.assign(next.begin(), next.end());
}

int cmnd_class::add_cmd(const std::string& path, const std::string& desc)
{
    ids.emplace_back("DYNAMIC");
    paths.push_back(path);
    descs.push_back(desc);
    kinds.push_back(2);
    return static_cast<int>(paths.size()) - 1;
}

void set_plane_focus(int plane) { fp = plane; }
int get_plane_focus() { return fp; }
