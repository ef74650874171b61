// folders.h - the product's folders, and the progress screen of the manifest
// reading. Main thread only.
#pragma once

#include "engine/engine_hooks.h"

#include <string>

// Starts an install run in the product folder: refuses a destination the file
// layer cannot use or one replaced since it was examined; records what the
// folder held (dest_at_install, dest_state.h); creates the
// destination chain; locks the folder for the run (product_lock.h); creates the
// folders of every wanted entry and the fixed folders, removing the partial
// files a killed run left in them. A folder that cannot be made is logged and
// the walk goes on; the first is shown in one alert at the end. Every folder
// made is noted (made_folders.h), so that an INSTALL that goes no further can
// take the empty ones back. 1 when every folder is there and the run may go
// on; 0 (after one alert) when it must not, the folder perhaps still locked.
int make_dirs();
// The folders every run makes in the product folder, parents first.
constexpr const char* fixed_folders[] = {
    "Output", "Output/FMS plans", "Output/logbooks", "Output/movies", "Output/situations",
    "Resources", "Resources/preferences",
};
void make_dir_error(std::string path, int err); // the folder alert; returns when dismissed

// Geometry and texts of one progress picture for a window of x_res x y_res pixels.
progress_frame dir_progress_geometry(float lo, float value, float hi, int phase, const std::string& line1,
                                     const std::string& line3, int x_res, int y_res);
// Draws one whole progress picture and shows it.
void dir_progress_bar(float lo, float value, float hi, int phase, std::string line1, std::string line3);
