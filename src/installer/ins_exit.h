// ins_exit.h - what the installer adds to the framework's ordered exit.
#pragma once

// Chains the installer's part in front of the ordered exit in force: the
// private temporary folder removed. The framework's exit behind it writes the
// preference file. A window manager's close request becomes the EXIT command.
void INS_install_exit_hooks();
