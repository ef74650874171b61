// app_screen.h - the installer's application hooks, which the shell's frame
// calls: the per-frame screen, the menu command and the function keys. Main
// thread only.
#pragma once

// The main screen of one frame: drawn whole, its commands carried out, the
// disc and manifest road advanced and, while installing, a 10 ms install slice.
void APP_update();
void APP_handlemenu(int command); // the installer has no menus: nothing
void function_key(int key);       // nothing calls it: nothing
int INS_use_max_cpu();            // stg.use_max_cpu: the frame never waits for input
