// cmnd.h - the command registry: the actions keys can be bound to. Main thread only.
#pragma once

#include <string>
#include <vector>

struct default_command_row {
    const char* id;
    const char* path;
    const char* desc;
    int kind;
    int vkey;  // default virtual key, for the keyboard layer
    int flags; // default key flags, for the keyboard layer
};
extern const default_command_row default_commands[1];

class cmnd_class {
public:
    cmnd_class(); // holds exactly the built-in do-nothing command at index 0

    std::vector<std::string> ids;   // "cmnd_nothing", or "DYNAMIC" when added at run time
    std::vector<std::string> paths; // '/'-separated path names
    std::vector<std::string> descs; // one-line descriptions
    std::vector<int> kinds;         // 3 built in, 2 added

    int get_cmnd_by_name(const std::string& path) const; // lowest exact match, else 0
    // Replaces out with the sorted, distinct next components under prefix;
    // a folder keeps its trailing '/'.
    void get_cmds_in_path(const std::string& prefix, std::vector<std::string>& out) const;
    int add_cmd(const std::string& path, const std::string& desc); // index of the new command

    void press_one(int) {}    // bound key down: does nothing in this product
    void release_one(int) {}  // bound key up
    void press_always(int) {} // bound key held, once per frame
    void single_press(int) {}
};

extern cmnd_class cmnd;

void set_plane_focus(int plane);
int get_plane_focus();
