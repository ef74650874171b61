// dest_state.h - what the product folder held before an installation made
// anything in it. The product folder takes the install set's name at the end
// only when it was the product's own: never a user's folder (their documents,
// a folder at the top of the disk) that the product was installed among, at
// this run or any later one. Main thread only.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <utility>

// ---- what a folder holds -----------------------------------------------------------------
enum dest_state : int {
    dest_unrecorded = 0, // no INSTALL of this run has looked yet
    dest_new,            // missing: this run makes it
    dest_empty,          // there, with no entry at all
    dest_product,        // an earlier installation and nothing else: its own Resources/ or the four
                         // marker folders, and at its top only names that are the product's own
    dest_foreign,        // anything else: a folder of the user's, or something that is not a folder
};

// 1 when folder (ending in '/') holds folders whose names contain "Airfoils",
// "Instructions", "Output" and "Resources" (case-sensitive, anywhere in a name).
int ENG_holds_marker_folders(const std::string& folder);
// 1 when folder is there and holds no entry at all, hidden ones included.
int ENG_is_empty_folder(const std::string& folder);
// The names the product owns at the top of its folder: the first component
// below the product folder of every path of sim_info (every version, those
// of deleted files too) and the four marker folders, which hold the fixed
// folders that every INSTALL makes.
std::set<std::string> ENG_product_top_names();
// The state of folder (ending in '/') as it is now, with own the product's
// top names: any other entry at its top, hidden ones included, is the user's
// (a partial file a killed run left is the installer's). Reads only; lists
// the top level once.
dest_state ENG_dest_state(const std::string& folder, const std::set<std::string>& own);
// Why a folder in state s may not take a new name; nullptr when it may.
const char* ENG_rename_refusal(dest_state s);

// ---- the record of this run ------------------------------------------------------------------
// dest_dir_path as INSTALL found it, written by make_dirs before it makes
// anything; read by the rename at the end; reset with the engine records.
struct dest_record_struct {
    dest_state state = dest_unrecorded;
    // Device and inode of every folder an INSTALL of this run found foreign.
    std::set<std::pair<std::uint64_t, std::uint64_t>> users_folders;
};
extern dest_record_struct dest_at_install;

// Records folder's state for this INSTALL, from sim_info as read for it. A
// folder found foreign stays so for the rest of the run, whatever was chosen
// in between: the folders that an earlier INSTALL of the run made in it
// (before a declined licence, say) are no earlier installation.
void ENG_record_dest(const std::string& folder);
