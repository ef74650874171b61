// product_lock.h - one installer per product folder: an advisory lock (flock)
// on the product folder itself, taken by make_dirs before anything is made in
// it and held to the end of the run. Another installer that asks for the same
// folder meanwhile is refused. The lock belongs to the folder, not to its
// name, so it holds across the rename at the end. Main thread only.
#pragma once

enum { lock_held = 1, lock_busy = 0, lock_failed = -1 };

// Locks dest_dir_path (already held on that folder: kept). lock_held; lock_busy
// when another open of the folder holds it; lock_failed when the folder cannot
// be opened, with its errno in *err. A file system without flock is logged and
// counts as held: the lock is advisory, it never stops an install on its own.
int ENG_lock_product_folder(int* err);

// The open descriptor of the locked folder, -1 when none is held.
int ENG_locked_folder_fd();

// Releases the lock; nothing when none is held.
void ENG_unlock_product_folder();
