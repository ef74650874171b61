// utl_remote.cpp - the remote-command list.
#include "foundation/utl_remote.h"

// Constant-initialised, so commands of any unit may register during static initialisation.
UTL_remote_cmd* UTL_remote_cmd::cmd_list = nullptr;
int UTL_remote_cmd::free_id = 1;

namespace {
int inited;
}

UTL_remote_cmd::UTL_remote_cmd(const char* n, void (*f)()) : next(cmd_list), func(f), name(n), id(free_id++)
{
    cmd_list = this;
}

void UTL_remote_cmd::init_remote_cmds()
{
    inited = 1;
    for (UTL_remote_cmd* c = cmd_list; c; c = c->next) c->publish();
}

void UTL_remote_cmd::invoke(void*, int id)
{
    for (UTL_remote_cmd* c = cmd_list; c; c = c->next)
        if (c->id == id) {
            c->func();
            return;
        }
}
