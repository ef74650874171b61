// about_check.h - the about window's check for a newer installer, apart from
// any drawing: the server list "serverlist.txt", the version decision, and the
// state machine that downloads, verifies, unpacks and starts a newer installer.
//
// Main thread only. Network work is polled, once per pass of the about window,
// through the download slots of `http`; nothing here waits or starts a thread.
// Nothing downloaded is ever started unless its MD5 matches the one the server
// list gives for it, and it is started only from a fresh private folder.
#pragma once

#include <cstdint>
#include <string>

// ---- this program and its maker ----------------------------------------------
constexpr int about_own_version = 90019;     // compared, signed, with the list's numbers
extern const char* const about_version_text; // "Skylume 9.00 Beta-19"
extern const char* const about_download_host; // host that serves about_list_url
extern const char* const about_site_name;    // the web-site name in the texts and the link button
constexpr int about_credit_count = 9;
extern const char* const about_credits[about_credit_count]; // [0] the author line, then the block

// ---- files -------------------------------------------------------------------------
constexpr int serverlist_version = 820;          // the one header version of the list
extern const char* const about_list_url;         // "/serverlist.txt" on about_download_host
extern const char* const about_list_file;        // the downloaded list, under app_path
extern const char* const about_archive_file;     // the downloaded installer archive, under app_path
extern const char* const about_unpack_prefix;    // private folders "<prefix>XXXXXX/", under app_path

// The most either download may bring. A server that sends without end, with
// or without announcing a length, is stopped there and not let fill the disk;
// what it sent is removed.
constexpr std::uint64_t about_list_max_bytes = 64 * 1024;      // the list is a few dozen short lines
constexpr std::uint64_t about_archive_max_bytes = 512ull << 20; // many times the size of any installer

// ---- the server list ---------------------------------------------------------------
// Where one channel's installer lies, as one reading of the list gave it.
struct about_location {
    std::string server; // host name: one word
    std::string path;   // path on the host: the rest of the line, blanks kept
    std::string md5;    // 32 lower-case hex digits; empty when the list gave none that is valid
};

// One reading's locations; each reading starts them empty.
struct about_reading {
    about_location beta;  // "BETA_INSTALLER_LIN", "BETA_INSTALLER_LIN_MD5"
    about_location final_release; // "FINAL_INSTALLER_LIN", "FINAL_INSTALLER_LIN_MD5"
};

// What the list says that stays from one reading to the next: a reading that
// lacks a line leaves its value as it was.
struct about_versions {
    int version_final = -1;      // "FINAL_VERSION"; -1 never read
    int version_beta = -1;       // "BETA_VERSION"; -1 never read
    int version_str_found = 0;   // 1 once a "FINAL" line was read: the list is fetched no more
    std::string version_str_net; // the "FINAL" line's text
};

// Reads the list's body (the bytes after its header) line by line into kept
// and found. Unknown keywords, and number fields holding anything but digits
// after their sign, are skipped; numbers saturate at the int range.
void ABOUT_parse_list(const char* begin, const char* end, about_versions& kept, about_reading& found);
// Maps file (under app_path) and reads its body when the header is "SERVERS"
// version 820: 1 read; 0 missing file or refused header, nothing read.
int ABOUT_read_list(const std::string& file, about_versions& kept, about_reading& found);

// ---- the version decision ----------------------------------------------------------
// States of the newer-installer check, named for what each waits for.
enum : int {
    ins_awaiting_list = 0,     // no decision yet
    ins_awaiting_click = 1,    // a newer, verifiable build: the update button shows
    ins_awaiting_download = 2, // the archive is downloading
    ins_awaiting_launch = 3,   // verified and unpacked: starts in the next pass
    ins_showing_message = 4,   // err_msg shows
};

struct about_decision {
    int ins_state;           // ins_awaiting_click or ins_showing_message
    int is_beta;             // 1 when the beta channel is offered
    bool has_message;        // false: err_msg keeps its old text
    std::string message;
    about_location offered;  // the offered channel's location (ins_awaiting_click only)
};

// Pure: what one completed reading decides. A newer build is offered for
// download only when its line gave a server, a path and an MD5; without any
// of them the message tells the user where to get it instead.
about_decision ABOUT_decide(const about_versions& kept, const about_reading& found);

// ---- the check's state -------------------------------------------------------------
// Owner: the main thread. Kept for the life of the process, so that closing
// and reopening the about window shows the same state; reset() for tests.
struct about_check_struct {
    int ins_state = ins_awaiting_list; // one of ins_*; changed in one place only
    int is_beta = 0;                   // the offered build is a beta
    about_versions versions;           // written by each reading of the list
    std::string err_msg;               // shown in ins_showing_message
    about_location installer;          // the offered build: server, path and its MD5
    std::string installer_folder;      // fresh private folder under app_path, ends with '/'
    std::string installer_app_name;    // plain file name in installer_folder that is started
    bool list_in_flight = false;       // a download of the list is running in its slot
    float list_next_time = 0.0f;       // xtim seconds: no new list request before this
    float list_delay = 10.0f;          // seconds of back-off after the next finished request

    void reset() { *this = about_check_struct(); }
};
extern about_check_struct about_check;

constexpr float about_first_delay = 10.0f; // back-off after the first finished list request, s
constexpr float about_max_delay = 300.0f;  // the back-off doubles up to this, s

// The calls the check makes into the files layer; tests put fakes in.
struct about_ops {
    // One poll of a download slot (http_class::net_check) that takes at most
    // max_bytes: net_running, net_done, net_failed.
    int (*net_check)(int slot, const std::string& server, const std::string& path, const std::string& dest,
                     std::uint64_t max_bytes);
    // false when no download is in the slot; else its bytes written and announced length
    // (down_length_unknown while not known).
    bool (*progress)(int slot, std::uint64_t& written, std::uint64_t& length);
    int (*file_md5)(const std::string& path, std::string& hex); // calc_file_md5
    // Makes a fresh folder only this user may enter; folder gets its path under
    // app_path, ending with '/'. 0, else an errno.
    int (*make_private_folder)(std::string& folder);
    int (*unzip)(const std::string& zip, const std::string& out_folder, std::string* first); // zip_to_file
    // Starts app_path + program when it is a regular file (launch_app: does not
    // return on success); else an errno.
    int (*launch)(const std::string& program, const std::string& argument);
};
extern const about_ops about_real_ops;

// ---- one pass of the about window --------------------------------------------------
// Step 1: while no "FINAL" line was read, polls the list's download; a new
// request starts only once the back-off since the last one has passed. A
// completed download is read and decided at once.
void ABOUT_poll_list(float now, const about_ops& ops = about_real_ops);
void ABOUT_update_clicked(); // the update button was pressed: ins_awaiting_click → ins_awaiting_download
// Step 5 for the states without a button: advances the download, verifies,
// unpacks, starts. Returns the status text to draw in this pass (empty: none).
std::string ABOUT_state_work(const about_ops& ops = about_real_ops);

// ---- texts -------------------------------------------------------------------------
int ABOUT_percent(std::uint64_t written, std::uint64_t length); // 0..100; 0 when length is 0 or unknown
std::string ABOUT_net_line();     // the current-version line, or the could-not-connect one
std::string ABOUT_grab_line();    // "You can grab an installer at ..."
std::string ABOUT_link_label();   // the link button's label
std::string ABOUT_update_label(); // the update button's label for the offered channel
