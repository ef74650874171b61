// startup.cpp - the framework's start-up sequence.
//
//   program folder   MACIBM_set_app_path
//   log header       product lines, /proc processor and memory lines
//   colours          the interface colours from the atlas
//   sequence         MACIBM_init
#include "shell/startup.h"

#include "engine/install_records.h"
#include "engine/stg.h"
#include "files/find_path.h"
#include "foundation/cmdline.h"
#include "foundation/debug_dump.h"
#include "foundation/hl_thread.h"
#include "foundation/hl_types.h"
#include "foundation/program_folder.h"
#include "foundation/safe_open.h"
#include "graphics/builtin_textures.h"
#include "graphics/ogl_extensions.h"
#include "graphics/tman.h"
#include "shell/alert_window.h"
#include "shell/language.h"
#include "shell/menus.h"
#include "shell/shell_calls.h"
#include "shell/show_init.h"
#include "shell/subwin.h"
#include "shell/window.h"
#include "ui/btn_focus.h"
#include "ui/btn_frames.h"
#include "ui/colr.h"
#include "ui/ogl_state.h"
#include "ui/ogl_view.h"

#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char* const version_text = "Skylume 9.00 Beta-19";
constexpr int version_number = 90019;

// ---- program folder -------------------------------------------------------------------

void warn_link_unreadable(int err)
{
    std::printf("WARNING: the installer could not read its own path through /proc/self/exe;\n/proc may not be "
                "mounted. The installer will assume that it runs from the folder\nin which it is stored; if it "
                "does not, files will not be found. The system's\nreason follows (perror). For help, write to "
                "%s.\n",
                maker_support_address);
    std::fflush(stdout);
    std::fprintf(stderr, "readlink: %s\n", std::strerror(err));
}

// ---- log header ----------------------------------------------------------------------

// Copies every piece (at most 511 characters) of the file that begins with one
// of the keywords; false when the file cannot be opened.
bool copy_lines(std::ostream& out, const char* path, const char* const* keywords, int count)
{
    FILE* f = std::fopen(path, "r");
    if (!f) return false;
    char buf[512];
    while (std::fgets(buf, sizeof buf, f))
        for (int k = 0; k < count; ++k)
            if (std::strncmp(buf, keywords[k], std::strlen(keywords[k])) == 0) {
                out << buf;
                break;
            }
    std::fclose(f);
    return true;
}

// ---- colours --------------------------------------------------------------------------

struct atlas_colour {
    int index;
    int column, row; // pixel of the 512 x 512 atlas
};

const atlas_colour atlas_colours[] = {
    {col_back, 319, 155},        {col_menu_line, 319, 147},   {col_menu_fill, 319, 139},
    {col_menu_line_2, 319, 131}, {col_menu_text, 319, 123},   {col_frame_title, 319, 115},
    {col_iface_41, 319, 107},    {col_tab_text, 319, 99},     {col_alert_text, 319, 91},
    {col_widget_text, 319, 83},  {col_body_text, 319, 75},    {col_window_text, 319, 67},
    {col_iface_44, 395, 115},
};

// A run without its log says so once, where the user sees it: a log that
// silently stays empty would send whoever reads it after a failure astray.
void say_no_log(const std::string& path, int err)
{
    const std::string why = err == EPERM ? "a link or a second name that could lead to another user's file is "
                                           "never written through"
                                         : std::strerror(err);
    std::fprintf(stderr, "Skysuite: the log file %s is not written (%s); this run keeps no log.\n", path.c_str(),
                 why.c_str());
}

void open_log()
{
    std::string folder;
    get_OS_abs_path(install_type ? os_dir_desktop : os_dir_this_app, folder);
    if (folder.empty()) { // no home folder: no log rather than one in the current folder
        std::fprintf(stderr, "No home folder (HOME is unset or empty, and the password database names none): "
                             "no log file and no preference file are written.\n");
        xer.setstate(std::ios::failbit);
        return;
    }
    // Emptied at every start, so never through a link somebody else planted.
    const std::string path = folder + "Log.txt";
    const int fd = UTL_open_for_writing(path, 1);
    const int err = errno;
    if (fd >= 0) {
        xer.open(UTL_fd_path(fd), std::ios::out | std::ios::app);
        close(fd);
    }
    if (xer.is_open()) {
        xer.clear();
        return;
    }
    xer.setstate(std::ios::failbit); // every later write is dropped
    say_no_log(path, fd >= 0 ? EIO : err);
}

// The calls the shell makes into the widget set, the keyboard layer and the
// texture manager; the application's own calls are main's to install.
void install_shell_hooks()
{
    shell_calls calls{};
    calls.begin_focus_ring = BTN_begin_focus_ring;
    calls.zap_boxes = BTN_zap_boxes;
    MACIBM_set_shell_calls(calls);
    MACIBM_install_shell_hooks();
    BTN_install_focus_hooks();
    TEX_set_status_hook(MACIBM_show_init);
}

void request_screen_mode()
{
    mnw.x_res_req = 1024;
    mnw.y_res_req = 768;
    mnw.tex_res = 5;
    mnw.col_res_req = 32;
    mnw.alias_req = 0;
    mnw.lang = 0;
}

} // namespace

void MACIBM_set_app_path(std::string* out)
{
    const std::string folder = UTL_program_folder(); // the whole link, however deep
    const int err = errno;
    if (folder.empty()) {
        warn_link_unreadable(err);
        *out = "./";
    } else {
        *out = folder;
    }
    g_case_sensitive = 1;
    app_path.clear();
    if (is_build) g_case_sensitive = 0;
}

void MACIBM_write_log_header(std::ostream& out, const char* cpuinfo_path, const char* meminfo_path)
{
    out << "log.txt for " << version_text << " " << "Installer " << version_number << " compiled on " << __DATE__
        << " " << __TIME__ << "\n\n";
    out << "This log file is generated automatically by Veltrane Labs applications and contains diagnostics about "
           "your graphics hardware, installation, and any error conditions.\n";
    out << "If you need to contact tech support or file a bug, please send us this file. NOTE: this file is "
           "rewritten every time you start ANY of your Skysuite applications.\n\n";
    static const char* const cpu_keys[] = {"processor", "model name", "cpu MHz"};
    if (!copy_lines(out, cpuinfo_path, cpu_keys, 3)) out << "Unable to read CPU information.\n";
    static const char* const mem_keys[] = {"MemTotal"};
    if (!copy_lines(out, meminfo_path, mem_keys, 1)) out << "Unable to read mem information.\n";
    out << "\nSkysuite folder:'" << app_path << "', case sensitive=" << g_case_sensitive << "\n\n";
    out.flush();
}

void MACIBM_set_interface_colours()
{
    for (const atlas_colour& c : atlas_colours) {
        const unsigned char* px = scratch_array + 4 * (512 * c.row + c.column);
        colr.assign(c.index, static_cast<float>(px[0] * (1.0 / 255)), static_cast<float>(px[1] * (1.0 / 255)),
                    static_cast<float>(px[2] * (1.0 / 255)));
    }
    const float* a = colr.rgb[col_menu_line];
    const float* b = colr.rgb[col_menu_text];
    colr.assign(col_menu_mid, (a[0] + b[0]) * 0.5f, (a[1] + b[1]) * 0.5f, (a[2] + b[2]) * 0.5f);
}

void MACIBM_reseed_random()
{
    timeval now{};
    gettimeofday(&now, nullptr);
    const unsigned seed = static_cast<unsigned>(static_cast<unsigned long long>(now.tv_sec) * 1000000ULL +
                                                static_cast<unsigned long long>(now.tv_usec));
    std::srand(seed);
    for (unsigned i = 0; i < seed % 1000; ++i) std::rand();
}

void MACIBM_detect_gl()
{
    OGL_pix_specs(0);
    glExt.init_extensions();
    OGL_wire_texture_units();
}

void MACIBM_init(int argc, const char* const* argv)
{
    UTL_debug_init();
    MACIBM_set_app_path(&app_path);
    open_log();
    MACIBM_install_alert_hooks(); // from here an alert reaches the user and ends in order
    HL_fill_tables(); // scratch_array, the random and angle tables
    xer.setf(std::ios::fixed);
    MACIBM_reseed_random();
    MACIBM_write_log_header(xer, "/proc/cpuinfo", "/proc/meminfo");
    cmdline.init_unix(argc, const_cast<const char**>(argv));
    THREAD_init();
    request_screen_mode();
    MACIBM_setres(1);
    MACIBM_make_context(0);
    MACIBM_detect_gl();
    MACIBM_install_loader_hooks();
    THREAD_make_workers();
    recall_ins_texes();
    MACIBM_set_interface_colours();
    MACIBM_clear_menus(1);
    MACIBM_startwind(-1, 0);
    OGL_pix_specs(0);
    ogl_inited = 1;
    MACIBM_setupforlang();
    install_shell_hooks();
    MACIBM_show_init("Will init plugins.", nullptr);
    MACIBM_show_init("Starting application.", nullptr);
}
