// utl_remote.h - remote commands: named functions that another party could
// trigger by number. Each command is a static object that links itself into
// one process-wide list at construction; nothing here transports a request.
#pragma once

class UTL_remote_cmd {
public:
    UTL_remote_cmd(const char* name, void (*func)()); // takes the next id and heads the list
    ~UTL_remote_cmd() {}  // stays linked: commands live as long as the process

    static void init_remote_cmds();         // publishes every command, newest first
    void publish() {}                       // nothing to publish to on this platform
    static void invoke(void* ctx, int id);  // runs the command with this id; unknown ids do nothing

    UTL_remote_cmd* next; // the command registered before this one; null for the first
    void (*func)();       // what the command runs
    const char* name;     // not copied: callers pass literals
    int id;               // 1, 2, 3 ... in order of registration; never reused

    static UTL_remote_cmd* cmd_list; // the newest command
    static int free_id;              // the id of the next command
};
