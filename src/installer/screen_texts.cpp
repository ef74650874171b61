// screen_texts.cpp - the main screen's texts and the bar's fill.
//   status line and panel title
//   message block: fetch, size summary, progress, end, retry
//   progress figures and the bar
#include "installer/screen_texts.h"

#include "engine/stg.h"
#include "foundation/hl_types.h"
#include "installer/number_texts.h"
#include "ui/colr.h"

#include <cmath>
#include <cstdint>

message_block INS_empty_block()
{
    message_block b;
    for (screen_text& l : b.line) l = {"", col_body_text};
    return b;
}

// ---- status line and panel title ----------------------------------------------------------

screen_text INS_status_line(const status_inputs& in)
{
    if (in.run_complete) return {"INSTALLATION COMPLETE!", col_status_done};
    switch (in.dir_phase) {
    case dir_fetch: return {"I am looking for an Skylume DVD now...", col_body_text};
    case dir_scan: return {"I am reading the Skylume DVD now...", col_body_text};
    case dir_missing:
        return {std::string("I need an Skylume DVD to install this from the DVD! Buy it at ") + maker_web_address + "!",
                col_status_disc};
    default: break;
    }
    if (in.run_phase == run_installing) return {"OK I am installing this now...", col_body_text};
    return {"NOT INSTALLED in the selected directory!", col_body_text};
}

std::string INS_install_set_title(const std::string& name)
{
    return name == no_install_name ? std::string() : "DVD: " + name;
}

// ---- message block ------------------------------------------------------------------------------

message_block INS_fetch_texts()
{
    message_block b = INS_empty_block();
    b.line[0].text = "I am figuring out what the latest version of Skylume is right now...";
    b.line[1].text = "This may take a moment as I download the latest list of Skylume files...";
    return b;
}

int INS_space_is_there(double room_kb, double free_kb)
{
    if (!(room_kb > 0) || !(free_kb >= 0)) return 1; // nothing needed, or nothing known
    return free_kb > room_kb ? 1 : 0;
}

message_block INS_size_summary(const summary_inputs& in)
{
    if (in.dir_phase == dir_fetch) return INS_fetch_texts();
    message_block b = INS_empty_block();
    // Only an examined folder can be called up to date; before that (or with
    // no usable manifest) the block stays empty and the status line speaks.
    if (in.dir_phase != dir_ready) return b;
    if (in.need_kb == 0) {
        b.line[0].text = "Your copy of Skylume is already the latest version.";
        b.line[1].text = "(Remember, the BETA installer only checks for the latest BETA version, and the FULL "
                         "installer checks only for the latest FULL version of Skylume).";
        b.line[2].text = "This is a beta installer.";
        return b;
    }
    b.line[0].text = "You are about to install " + in.need_str + " of files to get " + in.set_name + ".";
    // A full disk (0 free) is measured too: it gets the verdict, not silence.
    if (in.need_kb > 0 && in.free_kb >= 0) {
        std::string free_str;
        set_size_str(static_cast<float>(in.free_kb), &free_str);
        b.line[1].text = "You have " + free_str + " of drive space available for the selected directory.";
        if (INS_space_is_there(in.room_kb, in.free_kb))
            b.line[2] = {"You may install at will.", col_status_done};
        else
            b.line[2] = {"You don't have enough disk space to install this!", col_status_disc};
    }
    return b;
}

namespace {

std::string file_action_line(int action, const std::string& name)
{
    switch (action) {
    case file_act_delete: return "Deleting " + name + " because that file is no longer needed!";
    case file_act_install: return "Reading and installing file " + name + ".";
    case file_act_have:
        return "duplicate filename through file " + name + ", but not installing it because you already have this file.";
    case file_act_skip:
        return "Browsing through file " + name + ", but not installing it because you don't need this file.";
    default: return "";
    }
}

} // namespace

message_block INS_progress_texts(const progress_inputs& in)
{
    message_block b = INS_empty_block();
    const float fraction = INS_installed_fraction(in.disk_kb_done, in.need_kb);
    std::string done_str, percent;
    set_size_str(static_cast<float>(in.disk_kb_done), &done_str);
    flt_to_str(100.0f * fraction, &percent, 3, 1, 0);
    b.line[0].text = file_action_line(in.file_action, in.file_name);
    b.line[1].text = percent + "% done with the DVD install, having installed " + done_str + " of " + in.need_str +
                     " for the DVD install.";
    b.line[2].text = INS_time_left_line(in, fraction);
    return b;
}

message_block INS_done_texts(int install_error, int run_complete)
{
    message_block b = INS_empty_block();
    if (install_error) {
        b.line[0] = {"The installation was not completed because an error occurred.", col_message_alarm};
        b.line[1] = {"Skylume is not fully installed or updated and may not run correctly.", col_message_alarm};
        b.line[2] = {"Please try a different server, hard drive, or directory, or contact Customer Support for help "
                     "with this problem.",
                     col_message_alarm};
    } else if (run_complete) {
        b.line[0].text = "INSTALLATION COMPLETE!";
    }
    return b;
}

message_block INS_retry_texts(const std::string& archive_path)
{
    message_block b;
    b.line[0] = {"I can NOT download the file '" + archive_path + "'!", col_message_alarm};
    b.line[1] = {"Your internet connection may not be working, or the server could be undergoing maintainance or an "
                 "upgrade right now.",
                 col_message_alarm};
    b.line[2] = {"I am trying another server now to see if I can still get you a download...", col_message_alarm};
    return b;
}

// ---- progress figures and the bar ---------------------------------------------------------------

float INS_installed_fraction(double done_kb, double need_kb)
{
    const double r = done_kb / need_kb;
    if (std::isnan(r) || r < 0) return 0.0f;
    if (r > 1) return 1.0f;
    return static_cast<float>(r);
}

std::string INS_time_left_line(const progress_inputs& in, float fraction)
{
    if (fraction <= 0.01f) return "";
    const double remaining = in.histories - in.passed > 0 ? in.histories - in.passed : 0;
    const double elapsed = in.elapsed > 1.0 ? in.elapsed : 1.0;
    // With nothing passed yet there is no pace to go by: no estimate rather than an infinite one.
    if (!(in.passed > 0)) return "";
    const double s = remaining / (in.passed / elapsed);
    if (!std::isfinite(s)) return "";
    std::int64_t n;
    const char* unit;
    if (s < 120) n = static_cast<std::int64_t>(s), unit = " seconds";
    else if (s < 7200) n = static_cast<std::int64_t>(s * (1.0 / 60)), unit = " minutes";
    else n = static_cast<std::int64_t>(s * (1.0 / 3600)), unit = " hours";
    const double rate = in.disk_kb_done / elapsed;
    const std::int64_t r = std::isfinite(rate) ? static_cast<std::int64_t>(rate) : 0;
    return "About " + std::to_string(n) + unit + " left in the install, installing at " + std::to_string(r) +
           " kilobytes/second.";
}

bar_fill INS_bar_fill(int installing, float fraction)
{
    if (!installing || !(fraction > 0.02f)) return {0, 0, 0};
    const double e = std::trunc(bar_left + bar_width * fraction);
    const double centre = 2 * std::floor((e + bar_left) * 0.5 * 0.5 + 0.5);
    const double width = 4 * std::floor((e - bar_left) * 0.25 + 0.5);
    return {1, static_cast<float>(centre), static_cast<float>(width)};
}
