// made_folders.h - the folders one INSTALL made, so that an INSTALL that ends
// without a run (the licence declined, a question cancelled, a folder that
// could not be made) takes away again the empty folders it left: a user who
// said no finds the disc as it was. Main thread only.
#pragma once

#include <string>

// A new INSTALL: nothing made yet. Also part of the engine's reset for tests.
void ENG_forget_made_folders();
// Notes path (absolute, no final '/') as made by this INSTALL, right after
// its mkdir succeeded, with the device and inode of the folder that name
// (relative to dir_fd, or AT_FDCWD and the path itself) now gives. Parents first.
void ENG_note_made_folder(const std::string& path, int dir_fd, const char* name);
// Removes the noted folders that are still empty and still the ones made,
// innermost first, and forgets them all. A folder that holds anything, or
// that something else now stands in place of, stays; a folder that was there
// before this INSTALL was never noted. The number removed; each is logged.
int ENG_remove_made_folders();
