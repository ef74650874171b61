// decisions.h - what to do with each file: install, delete or leave, asking
// the user about files they modified. Main thread only.
#pragma once

#include <string>

// Sets want_install / want_delete of the current version of every history.
// 1 when all were decided; 0 when the user cancelled (later histories untouched).
int choose_files();

// Asks about one modified file (gone: it is to be deleted rather than
// replaced); returns one of the sel_* answers. Runs through the screen hook.
int select_alert(std::string path, int gone);
