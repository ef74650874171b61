// startup.h - the framework's start-up: from nothing to an open 1024 x 768
// window with a current GL context, the log with its header, the tables, the
// command line, the thread layer, the GL capabilities, the built-in pictures
// as textures and the interface colours. Main thread, once per process.
#pragma once

#include <ostream>
#include <string>

// The whole start-up, in its fixed order; ends with two lines on the start-up
// status screen. Without an X display, a GLX visual or a GL context it ends
// the process with one console line and status 1.
void MACIBM_init(int argc, const char* const* argv);

// *out = the program's own folder with one final '/' ("./" with a console
// warning when the executable's link cannot be read); then app_path is
// emptied (so with &app_path the folder found is discarded).
void MACIBM_set_app_path(std::string* out);

// ---- the pieces of start-up, apart for tests ----------------------------------------
// Once the main context is current: the pixel specs, the GL capabilities, and
// the texture upload wired to the drawing layer's unit count.
void MACIBM_detect_gl();
// The log header: product, version and build lines, the processor lines of
// cpuinfo_path and the memory line of meminfo_path (or the "Unable to read"
// line for each that cannot be opened), and the program-folder line. Flushed.
void MACIBM_write_log_header(std::ostream& out, const char* cpuinfo_path, const char* meminfo_path);
// Colours 34..47 from the interface atlas in scratch_array (512 x 512 RGBA),
// 39 last as the mean of 35 and 38.
void MACIBM_set_interface_colours();
// The generator reseeded from the time of day, then advanced seed mod 1000 steps.
void MACIBM_reseed_random();
