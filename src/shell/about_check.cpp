// about_check.cpp - the newer-installer check's state machine and its texts.
//
//   constants  - this program, its maker, the files
//   real ops   - the files layer's calls behind about_ops
//   state      - the one place that changes ins_state; the decision applied
//   passes     - ABOUT_poll_list, ABOUT_update_clicked, ABOUT_state_work
//   texts      - percentages and the window's lines
#include "shell/about_check.h"

#include "files/http.h"
#include "files/io_errors.h"
#include "files/io_utils.h"
#include "files/md5.h"
#include "files/zip_io.h"
#include "foundation/hl_types.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <vector>

// ---- constants ---------------------------------------------------------------------

const char* const about_version_text = "Skylume 9.00 Beta-19";
const char* const about_download_host = "updates.skylume.example";
const char* const about_site_name = maker_web_address;
const char* const about_credits[about_credit_count] = {
    "Written by the Skylume development team",
    "Installer and application framework: the Skylume engineering group",
    "Download servers: the Skylume operations group",
    "Interface art: the Skylume design group",
    "Testing: the Skylume quality group and our beta testers",
    "Translations: the Skylume localisation group",
    "Uses zlib, minizip, libpng and libsquish by their authors",
    "Thanks to everyone who sent reports and ideas",
    "Thank you for flying Skylume!",
};

const char* const about_list_url = "/serverlist.txt";
const char* const about_list_file = "Resources/preferences/serverlist.txt";
const char* const about_archive_file = "Resources/preferences/installer.zip";
const char* const about_unpack_prefix = "Resources/preferences/new_installer_";

about_check_struct about_check;

// ---- real ops ----------------------------------------------------------------------

namespace {

int real_net_check(int slot, const std::string& server, const std::string& path, const std::string& dest,
                   std::uint64_t max_bytes)
{
    return http.net_check(slot, server, path, dest, max_bytes);
}

bool real_progress(int slot, std::uint64_t& written, std::uint64_t& length)
{
    if (slot < 0 || slot >= slot_count || !http.slots[slot]) return false;
    written = http.slots[slot]->bytes_written;
    length = http.slots[slot]->content_length;
    return true;
}

// mkdtemp makes the folder with mode 0700 under a name nobody could foresee,
// so no one else can have placed or can swap what gets unpacked and started.
int real_make_private_folder(std::string& folder)
{
    const std::string pattern = std::string(about_unpack_prefix) + "XXXXXX";
    std::string full = app_path + pattern;
    std::vector<char> name(full.begin(), full.end());
    name.push_back('\0');
    if (!mkdtemp(name.data())) return errno;
    full.assign(name.data());
    folder = full.substr(app_path.size()) + "/";
    return 0;
}

int real_unzip(const std::string& zip, const std::string& out_folder, std::string* first)
{
    return zip_to_file(zip, out_folder, first, 0);
}

// Only a regular file is started: not a folder, not a link that could lead
// anywhere, not a device.
int real_launch(const std::string& program, const std::string& argument)
{
    struct stat st{};
    if (lstat((app_path + program).c_str(), &st) != 0) return errno;
    if (!S_ISREG(st.st_mode)) return EACCES;
    return launch_app(program, argument);
}

} // namespace

const about_ops about_real_ops = {real_net_check, real_progress, calc_file_md5, real_make_private_folder,
                                  real_unzip, real_launch};

// ---- state -------------------------------------------------------------------------

namespace {

void set_ins_state(int state) { about_check.ins_state = state; }

void show_message(const std::string& text)
{
    about_check.err_msg = text;
    set_ins_state(ins_showing_message);
}

std::string with_error(const char* format, int code)
{
    char text[512];
    std::snprintf(text, sizeof text, format, error_str(code).c_str(), code);
    return text;
}

std::string where_to_get_it()
{
    return "Please get the new installer from " + std::string(about_site_name) + ".";
}

void apply(const about_decision& d)
{
    about_check.is_beta = d.is_beta;
    if (d.has_message) about_check.err_msg = d.message;
    about_check.installer = d.offered;
    set_ins_state(d.ins_state);
}

// A program name that stays inside the folder it was unpacked into.
bool plain_name(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

std::string lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The archive is the one the list named only when its MD5 matches; nothing
// unverified is unpacked, let alone started.
bool archive_verified(const about_ops& ops)
{
    std::string hex;
    if (ops.file_md5(about_archive_file, hex) != 0) {
        xer << "About: the downloaded installer could not be read for its MD5; not started.\n";
        return false;
    }
    if (about_check.installer.md5.size() != 32 || lower(hex) != about_check.installer.md5) {
        xer << "About: the downloaded installer's MD5 " << hex << " is not the listed "
            << about_check.installer.md5 << "; not started.\n";
        return false;
    }
    return true;
}

void unpack_downloaded(const about_ops& ops)
{
    if (!archive_verified(ops)) {
        delete_file(about_archive_file);
        show_message("The installer downloaded from the net did not pass its check. " + where_to_get_it());
        return;
    }
    std::string folder;
    int c = ops.make_private_folder(folder);
    std::string first;
    if (c == 0) c = ops.unzip(about_archive_file, folder, &first);
    if (c == 0) {
        if (!first.empty() && first.back() == '/') first.pop_back();
        if (!plain_name(first)) {
            xer << "About: the installer archive's first entry \"" << first << "\" is no plain file name.\n";
            c = err_zip_corrupt;
        }
    }
    if (c != 0) {
        show_message(with_error("There was an error unzipping the installer: %s (%d)", c));
        return;
    }
    about_check.installer_folder = folder;
    about_check.installer_app_name = first;
    set_ins_state(ins_awaiting_launch);
}

std::string progress_text(const about_ops& ops)
{
    std::uint64_t written = 0, length = 0;
    const bool downloading = ops.progress(slot_installer, written, length);
    if (downloading && length == down_length_unknown) return "Downloading the installer...";
    const int percent = downloading ? ABOUT_percent(written, length) : 0;
    return "Downloading the installer..." + std::to_string(percent) + "% complete";
}

} // namespace

// ---- passes ------------------------------------------------------------------------

void ABOUT_poll_list(float now, const about_ops& ops)
{
    about_check_struct& a = about_check;
    if (a.versions.version_str_found) return;
    if (!a.list_in_flight && now < a.list_next_time) return;
    const int r =
        ops.net_check(slot_serverlist, about_download_host, about_list_url, about_list_file, about_list_max_bytes);
    a.list_in_flight = r == net_running;
    if (r == net_running) return;
    // A failing or incomplete server is asked again only after a wait that
    // grows, never once per frame.
    a.list_next_time = now + a.list_delay;
    a.list_delay = std::min(a.list_delay * 2.0f, about_max_delay);
    if (r != net_done) return;
    about_reading found;
    ABOUT_read_list(about_list_file, a.versions, found);
    apply(ABOUT_decide(a.versions, found));
}

void ABOUT_update_clicked()
{
    if (about_check.ins_state == ins_awaiting_click) set_ins_state(ins_awaiting_download);
}

std::string ABOUT_state_work(const about_ops& ops)
{
    about_check_struct& a = about_check;
    switch (a.ins_state) {
    case ins_awaiting_download: {
        const int r = ops.net_check(slot_installer, a.installer.server, a.installer.path, about_archive_file,
                                    about_archive_max_bytes);
        if (r == net_running) return progress_text(ops);
        if (r == net_done) unpack_downloaded(ops);
        else show_message("I was unable to download the installer from the net.");
        return std::string();
    }
    case ins_awaiting_launch: {
        // Returns only when the start failed; on success this program ends.
        const int c = ops.launch(a.installer_folder + a.installer_app_name, app_path);
        show_message(with_error("There was an error launching the installer: %s (%d)", c));
        return std::string();
    }
    case ins_showing_message:
        return a.err_msg;
    default:
        return std::string();
    }
}

// ---- texts -------------------------------------------------------------------------

int ABOUT_percent(std::uint64_t written, std::uint64_t length)
{
    if (length == 0 || length == down_length_unknown) return 0;
    const double p = static_cast<double>(written) * 100.0 / static_cast<double>(length);
    return static_cast<int>(std::clamp(p, 0.0, 100.0));
}

std::string ABOUT_net_line()
{
    if (about_check.versions.version_str_found)
        return "The current version of Skylume at is now " + about_check.versions.version_str_net + ".";
    return "I could not connect to the net to find the current version of Skylume at " + std::string(about_site_name) +
           "!";
}

std::string ABOUT_grab_line()
{
    return "You can grab an installer at " + std::string(about_site_name) + " to update to it!";
}

std::string ABOUT_link_label()
{
    return "Go to " + std::string(about_site_name) + " for free updates and tons of other cool stuff!";
}

std::string ABOUT_update_label() { return about_check.is_beta ? " Get New Beta! " : "Update Skylume!"; }
