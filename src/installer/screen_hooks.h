// screen_hooks.h - what the installer's screens need of the shell and the
// layers below at start-up: the shell's frame calls (the main screen, the
// focus ring, the close boxes, the full-speed setting), the widget set's
// drawing and the engine's screens. Main thread, once, after MACIBM_init.
#pragma once

// Installs them all; afterwards MACIBM_event_proc runs the installer's frames.
void INS_install_screen_hooks();
