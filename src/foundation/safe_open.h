// safe_open.h - opening the files the program writes outside the product folder
// (preferences, logs, pictures) without following a link that somebody else
// could have planted. Any thread; nothing here logs or raises an alert.
#pragma once

#include <string>

// ---- where a write may go ---------------------------------------------------

// The file a write of path really changes: path itself when it is absent or a
// plain file, or the end of its chain of symbolic links when every link in the
// chain and the final target (a regular file) belong to the user the program
// runs as, as a user's own dotfile links do. 1 with target set; 0 when the
// write must not happen (a link of another user's, a link into nothing or to a
// folder or device, a path that is not a regular file).
int UTL_write_target(const std::string& path, std::string& target);

// ---- opening ----------------------------------------------------------------

// Opens path for writing as UTL_write_target allows, emptied (truncate 1) or
// appended to (truncate 0), made 0666 less the umask when absent. The open
// itself follows no link and never blocks, so a link, a second name of another
// user's file or a FIFO put there after the check is refused at once, and the
// file is emptied only after what was opened has passed the check.
// The descriptor (close-on-exec, blocking), or -1 with errno set (EPERM for a
// refused file).
int UTL_open_for_writing(const std::string& path, int truncate);

// Makes temp anew and exclusively for a save that is renamed into place later:
// a file or link already at that name is removed first (the link itself, never
// what it points at), and the new file is made with O_EXCL and no link followed.
// The descriptor (close-on-exec), or -1 with errno set.
int UTL_create_temp(const std::string& temp);

// "/proc/self/fd/<fd>": a name under which a stream opens exactly the file fd
// has open, whatever has happened to its own name since.
std::string UTL_fd_path(int fd);

// ---- for tests --------------------------------------------------------------

// Called, when set, with the name about to be opened, after every check and
// before the open: where a test swaps in what an attacker would. Tests only.
extern void (*UTL_safe_open_gap)(const std::string& name);
