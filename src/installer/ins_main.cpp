// ins_main.cpp - the installer's entry.
//
//   folders      the log lines of the operating-system folders
//   destination  the default, the stored and the typed destination
//   start state  the installer's records before the first frame
//   run          the frame loop and the end of a normal quit
#include "installer/ins_main.h"

#include "engine/engine_prefs.h"
#include "engine/install_records.h"
#include "engine/stg.h"
#include "engine/streams.h"
#include "files/disc.h"
#include "files/http_prefs.h"
#include "files/pref_files.h"
#include "foundation/cmdline.h"
#include "foundation/hl_thread.h"
#include "foundation/hl_types.h"
#include "installer/dest_choice.h"
#include "shell/frame.h"
#include "shell/window.h"

#include <cstring>

namespace {

constexpr int max_stream_count = 4;
constexpr int default_dest_climbs = 10;

frame_fn frame = MACIBM_event_proc;

} // namespace

// ---- folders ----------------------------------------------------------------------

void INS_log_os_folders()
{
    static const char* const labels[] = {"os_dir_this_app\t\t=", "os_dir_desktop\t\t=", "os_dir_default_apps\t=",
                                         "os_dir_temp\t\t\t=", "os_dir_prefs\t\t\t="};
    for (int number = os_dir_this_app; number <= os_dir_prefs; ++number) {
        std::string folder;
        get_OS_abs_path(number, folder);
        xer << labels[number] << folder << (number == os_dir_prefs ? "\n\n" : "\n");
    }
}

// ---- destination --------------------------------------------------------------------

void INS_default_dest()
{
    std::string dir;
    get_OS_abs_path(os_dir_default_apps, dir);
    if (dir.empty()) dir = "/"; // no home: where the climbs from any home end, never the current folder
    for (int i = 0; i < default_dest_climbs; ++i) { // no early exit: "/" stays "/"
        get_path_with_path(dest_dir_path, dir);
        dir = dest_dir_path;
    }
    dest_dir_path += product_folder_name;
    dest_dir_path += "/";
    xer << "dest_dir_path=" << dest_dir_path << "\n";
}

const char* INS_path_argument(int argc, const char* const* argv)
{
    if (argc > 2 && argv && argv[1] && std::strcmp(argv[1], "-path") == 0) return argv[2];
    return nullptr;
}

void INS_take_destination(int argc, const char* const* argv)
{
    if (const char* typed = INS_path_argument(argc, argv)) {
        if (INS_refuse_dest(typed, "command line")) return;
        dest_dir_path = typed;
        ENG_normalise_dest_dir();
        return;
    }
    if (stg.always_ask_dir) pick_dest_path();
}

// ---- start state ------------------------------------------------------------------

void INS_set_start_state()
{
    get_OS_abs_path(os_dir_temp, temp_path);
    ENG_make_temp_folder(); // on failure temp_path stays "/tmp/"
    stls.text[603] = "OK";
    install_name = no_install_name;
    STG_set_defaults();
}

void INS_load_settings()
{
    const std::string fallback = dest_dir_path;
    ENG_bind_prefs();
    HTTP_bind_prefs(); // the proxy settings live in the same file
    pref.IO_set(pref_set_installer, 0);
    if (stg.stream_count < 0) stg.stream_count = 0;
    if (stg.stream_count > max_stream_count) stg.stream_count = max_stream_count;
    if (dest_dir_path.empty()) {
        xer << "The stored destination is empty; the installer keeps " << fallback << "\n";
        dest_dir_path = fallback;
    }
    const std::string stored = dest_dir_path;
    dest_dir_path = fallback; // what the refusal says the destination stays
    // Without a stored destination the default stays: it is not the file's to refuse.
    if (stored == fallback || !INS_refuse_dest(stored, "preference file")) dest_dir_path = stored;
    ENG_normalise_dest_dir();
}

// ---- run -------------------------------------------------------------------------------

frame_fn INS_set_frame(frame_fn fn)
{
    const frame_fn old = frame;
    frame = fn ? fn : MACIBM_event_proc;
    return old;
}

int INS_run(int argc, const char* const* argv)
{
    INS_log_os_folders();
    INS_default_dest();
    INS_set_start_state();
    demo.check_any(0, 0);
    INS_load_settings();
    xer << "After searching, I think that dvd_path=" << dvd_path << "\n";
    INS_take_destination(argc, argv);
    while (!app_done) frame();
    INS_end_run();
    return 0;
}

void INS_end_run()
{
    // What the user set in the preferences window, and this run's destination,
    // are there again next time, as after the ordered exit.
    if (!cmdline.has_option("--fps_test")) pref.IO_set(pref_set_installer, 1);
    ENG_remove_temp_folder();
    if (THREAD_is_inited()) THREAD_shutdown();
    if (mnw.display) {
        MACIBM_setres(0); // the screen mode back as it was, when start-up changed it
        MACIBM_nuke_context(0);
        mnw.glx_ctx[0] = nullptr;
        mnw.xwin[0] = 0;
    }
    if (xer.is_open()) xer.close();
}
