// dest_choice.h - the destination folder: the user picks it with the folder
// chooser, and a picked folder that is not yet a product folder gets the
// product folder's name added. Nothing is made on disc here. Main thread only.
#pragma once

#include <cstddef>
#include <string>

// The folder chooser as the installer calls it: mode, prompt, accept label,
// flag, start folder (ends in '/'), and the answer buffer with its size. 1
// when the user selected a folder (written with its NUL into out), 0 when
// cancelled or when the folder does not fit the buffer.
using folder_chooser_fn = int (*)(int mode, const char* prompt, const char* accept_label, int flag,
                                  const char* start_folder, char* out, std::size_t out_size);

// Installs the chooser (the shell's folder chooser at start); nullptr leaves
// none, so that a choice cancels at once with a log line. Returns the old one.
folder_chooser_fn INS_set_folder_chooser(folder_chooser_fn fn);

constexpr std::size_t dest_answer_size = 2048; // bytes of the chooser's answer, NUL included
extern const char* const product_folder_name;  // "Skylume"

// False when dest can be the destination; else refuses it where it was typed,
// stored or chosen (from: "command line", "preference file", "folder
// chooser"; an empty path is refused too): one log line with the path cut
// short, and one alert naming the folder, the reason and the destination kept.
bool INS_refuse_dest(const std::string& dest, const char* from);

// Runs the chooser on dest_dir_path. 1: dest_dir_path is the chosen folder,
// or that folder + "Skylume/" when it is not a product folder; 0: cancelled,
// dest_dir_path unchanged. An answer that is empty, relative or without its
// final '/' counts as cancelled too.
int pick_dest_path();

// 1 when dest_dir_path holds folders whose names contain "Airfoils",
// "Instructions", "Output" and "Resources" (case-sensitive, anywhere in a name).
int path_is_to_a_sim();
