// folders.h - the product's folders, and the progress screen of the manifest
// reading. Main thread only.
#pragma once

#include "engine/engine_hooks.h"

#include <string>

// Creates the destination chain, the folders of every wanted entry (parents
// first) and the fixed folders; each failure is reported and the walk goes on.
void make_dirs();
void make_dir_error(std::string path, int err); // the folder alert; returns when dismissed

// Geometry and texts of one progress picture for a window of x_res x y_res pixels.
progress_frame dir_progress_geometry(float lo, float value, float hi, int phase, const std::string& line1,
                                     const std::string& line3, int x_res, int y_res);
// Draws one whole progress picture and shows it.
void dir_progress_bar(float lo, float value, float hi, int phase, std::string line1, std::string line3);
