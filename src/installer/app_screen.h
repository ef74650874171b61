// app_screen.h - the installer's application hooks, which the shell's frame
// calls: the per-frame screen, the menu command and the function keys. Main
// thread only.
#pragma once

// The main screen of one frame: the background and the EXIT button, whose
// press resets the streams, ends the run phase and sets app_done.
void APP_update();
void APP_handlemenu(int command); // the installer has no menus: nothing
void function_key(int key);       // nothing calls it: nothing
int INS_use_max_cpu();            // stg.use_max_cpu: the frame never waits for input

// The EXIT button: the EXIT piece of the installer picture at (960, 78),
// 51 x 22, green-tinted, its hover look under the pointer. 1 on the frame the
// mouse button goes down on it.
int INS_exit_button();
