// screen_ops.h - the operations the main screen's commands and phases call in
// the layers below and in its own windows. The program runs with the real
// ones; tests install recording fakes and drive the phases without a window,
// an engine run or a disc. Main thread only.
#pragma once

#include <string>

struct screen_ops {
    int (*pick_dest_path)();                                     // 1 chosen, 0 cancelled
    void (*reset_streams)();                                     // next.reset_all_streams()
    int (*make_dirs)();                                          // 1 the run may go on
    int (*handle_EULA)();                                        // 1 the licence is accepted
    int (*choose_files)();                                       // 0 the user cancelled
    int (*grab_files)();                                         // non-zero: the run is over
    void (*handle_prefs)();                                      // the preferences window
    void (*go_to_URL)(const std::string& address);               // the store page
    int (*read_directory)(const std::string& manifest, std::string title); // the new dir phase
    void (*completion_alert)();                                  // the once-per-run notice
    double (*free_kb)(const std::string& folder);                // INS_free_kb
};

// The operations in force; never null members.
const screen_ops& INS_screen_ops();
// Installs operations and returns the ones replaced; null members: the real ones.
screen_ops INS_set_screen_ops(const screen_ops& ops);
// The real operations.
screen_ops INS_real_screen_ops();
