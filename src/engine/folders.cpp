// folders.cpp - product folders and the progress bar.
#include "engine/folders.h"

#include "foundation/hl_types.h"
#include "foundation/hooks.h"
#include "engine/install_records.h"
#include "files/io_errors.h"
#include "files/io_utils.h"
#include "engine/stg.h"

#include <set>

namespace {

const char* const fixed_folders[] = {
    "Output", "Output/FMS plans", "Output/logbooks", "Output/movies", "Output/situations",
    "Resources", "Resources/preferences",
};

// Returns 0 when the folder exists afterwards, else reports it and returns 1.
int make_reported(const std::string& path)
{
    const int err = make_folder(path);
    if (!show_make_dir_err(err)) return 0;
    make_dir_error(path, err);
    return 1;
}

void make_destination_chain()
{
    if (dest_dir_path.empty()) return;
    const std::string s = dest_dir_path.substr(0, dest_dir_path.size() - 1);
    size_t p = s.find('/');
    if (p == std::string::npos) p = 0;
    do {
        p = s.find('/', p + 1);
        if (p == std::string::npos) p = s.size();
        if (make_reported(s.substr(0, p))) return;
    } while (p < s.size());
}

std::set<std::string> wanted_folders()
{
    std::set<std::string> folders;
    for (size_t i = 0; i < sim_info.size(); ++i) {
        const file_version_struct& v = ENG_current_version(static_cast<int>(i));
        if (v.sig_want == sig_gone) continue;
        if (!ENG_current_wanted(static_cast<int>(i))) continue;
        std::string rel = v.path;
        trim_dest_folder(rel);
        for (size_t slash = rel.rfind('/'); slash != std::string::npos; slash = rel.rfind('/')) {
            rel.erase(slash);
            if (!rel.empty()) folders.insert(rel);
        }
    }
    return folders;
}

} // namespace

void make_dirs()
{
    ENG_normalise_dest_dir();
    make_destination_chain();
    for (const std::string& f : wanted_folders()) make_reported(dest_dir_path + f);
    for (const char* f : fixed_folders) make_reported(dest_dir_path + f);
}

void make_dir_error(std::string path, int err)
{
    __MACIBM_alert(0,
                   "I am unable to install or update Skylume. An error occurred while creating new folders. "
                   "Make sure you are installing to a directory that you have access to!",
                   "Error: " + error_str(err), "Install Location: " + dest_dir_path, "Install Path:" + path, t_alert,
                   "utils", 177);
}

progress_frame dir_progress_geometry(float lo, float value, float hi, int phase, const std::string& line1,
                                     const std::string& line3, int x_res, int y_res)
{
    progress_frame f;
    const float x0 = (static_cast<float>(x_res) - 512.0f) * 0.5f;
    const float y0 = (static_cast<float>(y_res) - 138.0f) * 0.5f;
    float frac = 0.52f;
    if (lo != hi) {
        frac = (value - lo) * (0.96f / (hi - lo)) + 0.04f;
        if (!(frac >= 0.04f)) frac = 0.04f;
        if (frac > 1.0f) frac = 1.0f;
    }
    f.panel_x = x0 + 20.0f;
    f.panel_y = y0 + 20.0f;
    f.bar_left = x0 + 30.0f;
    f.bar_right = x0 + 482.0f;
    f.fill_end = f.bar_left + 452.0f * frac;
    f.bar_y = y0 + 35.0f;
    f.text_x = x0 + 32.0f;
    f.line1_y = y0 + 100.0f;
    f.line2_y = y0 + 80.0f;
    f.line3_y = y0 + 60.0f;
    f.line1 = line1;
    f.line2 = phase == 0 ? "Currently SCANNING the directory text file."
              : phase == 1 ? "Currently EXAMINING the hard disk." : "";
    f.line3 = line3;
    return f;
}

void dir_progress_bar(float lo, float value, float hi, int phase, std::string line1, std::string line3)
{
    ENG_show_progress(dir_progress_geometry(lo, value, hi, phase, line1, line3, mnw.x_res_now, mnw.y_res_now));
}
