// streams.h - the transfer streams that carry an installation one step per
// frame: delete, skip or install one file per running stream. Main thread only.
#pragma once

#include <cstdint>
#include <string>

constexpr int max_streams = 4;
enum { stream_busy = 0, stream_wants_file = 1 };

// A file whose download failed on every server waits before its next try:
// the first wait, doubled after each further round, never more than the cap.
constexpr float retry_first_wait = 1.0f; // s
constexpr float retry_max_wait = 60.0f;  // s

class next_class {
public:
    int next_file = 0;                    // next history to hand out; never above sim_info's size
    int all_done = 0;                     // 1 once a run has finished; nothing clears it
    int stream_on[max_streams] = {};      // 1: the stream runs
    int stream_state[max_streams] = {};   // stream_busy / stream_wants_file
    int stream_file[max_streams] = {};    // history the stream works on; size of sim_info: past the end
    float start_time = 0;                 // xtim.elapsed_time of the last reset, s
    double download_kb_in_flight = 0;     // kB of the downloads running in this step
    double download_kb_done = 0;          // kB downloaded for the files installed in this run
    double disk_kb_done = 0;              // kB on disk of the files installed in this run
    // Back-off of each stream's current file; cleared when the stream takes a file and by the reset.
    int download_server[max_streams] = {}; // server index the stream's running download started from
    int failed_servers[max_streams] = {};  // bit i: the file failed on server i since its last wait
    float retry_wait[max_streams] = {};    // the file's last wait, s; 0: none yet
    float retry_at[max_streams] = {};      // xtim.elapsed_time before which no new download starts, s
    // How long one step may wait for a disc file still being extracted when its
    // turn comes, s; negative: until it is ready. The window gives what is left
    // of its slice, so that a frame is never late for a file.
    double file_wait = -1;

    // Back to the start state: stream 0 running and wanting a file, counters 0.
    // Downloads still running are cancelled and their temporary archives deleted.
    void reset_all_streams();
};

extern next_class next;

// One install step. 1 when the run has finished; otherwise stg.install_error
// (0 while the run goes on, non-zero once an extraction has failed). A disc
// install extracts the files that come next on worker threads meanwhile; a
// file is put in place only in its turn, and a step waits for it at most
// next.file_wait.
int grab_files();

// Extracts archive, the archive of the listed file v, to dest_file (in the
// product folder dest_dir_path): only v's own name, at most its listed disk size
// (to the next whole kB; 0: no bound), with its signature, links confined to the
// product folder (zip_listed_to_file). A failure keeps the old file, sets
// stg.install_error and is shown. With install_type 0 the archive is then deleted.
struct file_version_struct;
void extract_and_delete_file(std::string archive, std::string dest_file, const file_version_struct& v);

// What the archive of v may write: v's own name below the product folder, its
// listed size and signature.
struct zip_listed_file;
zip_listed_file ENG_listed_file(const file_version_struct& v);
// An extraction's result r, as the install shows and logs it: a failure sets
// stg.install_error and raises the alert; without install_type the archive is deleted.
void ENG_report_extraction(int r, const std::string& archive, const std::string& dest_file);

// The server a failed download moves to, for r in [0, 1): r^1.5 of the server
// count, so lower indices come up more often; always a valid table index.
int ENG_pick_server(float r, int server_count);

// The most bytes a download listed at kb may take: the manifest lists whole
// kB, so up to the next kB is allowed. 0 (no bound) for a listed size of 0.
std::uint64_t ENG_listed_download_limit(float kb);

// The installer's private temporary folder: made fresh for the run (mode
// 0700) and set as temp_path; removed with its contents at the end. Start-up
// makes it before the manifest is extracted; the quit removes it. 1 made /
// removed, 0 failed (only the folder made here is ever removed).
int ENG_make_temp_folder();
int ENG_remove_temp_folder();
// 1 while temp_path is the private folder ENG_make_temp_folder made.
int ENG_temp_folder_is_private();
