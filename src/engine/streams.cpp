// streams.cpp - the per-frame install step.
//   reset and the private temporary folder
//   one stream's turn: hand-out, paths, the action
//   disc and network installs, extraction
//   stream control and the server switch
#include "engine/streams.h"

#include "engine/files_in_flight.h"
#include "engine/finish.h"
#include "foundation/hl_types.h"
#include "foundation/hooks.h"
#include "files/http.h"
#include "engine/install_records.h"
#include "files/io_errors.h"
#include "files/io_utils.h"
#include "engine/leftovers.h"
#include "engine/stg.h"
#include "foundation/xtim.h"
#include "files/md5_pool.h"
#include "files/zip_io.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include <pthread.h>
#include <unistd.h>

next_class next;

namespace {

int history_count() { return static_cast<int>(sim_info.size()); }

std::string temp_archive(int s) { return temp_path + std::to_string(s) + ".zip"; }

void log_result(const char* action, const std::string& path, int r)
{
    if (stg.log_actions) xer << action << path << ", with result=" << r << ".\n";
}

// A download that a reset leaves behind must not land in the next file's
// folder: the transfer ends, and the part it wrote goes.
void cancel_download(int s)
{
    down_class*& slot = http.slots[slot_first_stream + s];
    if (!slot) return;
    const std::string partial = slot->dest_path;
    delete slot;
    slot = nullptr;
    if (!partial.empty()) unlink(partial.c_str());
}

// Where the current file of a stream comes from and goes to.
struct file_paths {
    std::string manifest; // P: keeps the product's top folder
    std::string dest;     // dest_dir_path + P less its top folder
    std::string source;   // the archive on the disc or the server
};

file_paths paths_of(int history)
{
    file_paths p;
    p.manifest = ENG_current_version(history).path;
    p.dest = ENG_disk_path(p.manifest);
    p.source = is_net ? server_path[stg.server_index] + p.manifest + ".zip"
                      : dvd_path + install_name + "/" + p.manifest + ".zip";
    return p;
}

void count_installed(file_version_struct& v)
{
    next.download_kb_done += v.download_kb;
    next.disk_kb_done += v.disk_kb;
    v.up_to_date = 1;
}

int usable_server_count() { return std::clamp(stg.server_count, 1, max_servers); }

void clear_back_off(int s)
{
    next.failed_servers[s] = 0;
    next.retry_wait[s] = 0;
    next.retry_at[s] = 0;
}

// Once the stream's file has failed on every server, the next round waits,
// so that a file no server can give is tried (and logged) a few times a
// minute instead of once a frame.
void back_off_when_every_server_failed(int s, const std::string& source)
{
    const int every = (1 << usable_server_count()) - 1;
    if ((next.failed_servers[s] & every) != every) return;
    const float wait = next.retry_wait[s] > 0 ? std::min(next.retry_wait[s] * 2, retry_max_wait) : retry_first_wait;
    next.failed_servers[s] = 0;
    next.retry_wait[s] = wait;
    next.retry_at[s] = xtim.elapsed_time + wait;
    xer << "Download of " << source << " failed on every server; next try in " << wait << " s.\n";
}

// A failed download: every stream moves to a server drawn at random, and the
// hand-out restarts at the failed file.
void switch_server(int s, const std::string& source)
{
    stg.net_retry = 1;
    if (next.stream_file[s] < next.next_file) next.next_file = next.stream_file[s];
    const int failed = next.download_server[s];
    if (failed >= 0 && failed < max_servers) next.failed_servers[s] |= 1 << failed;
    stg.server_index = ENG_pick_server(static_cast<float>(std::rand()) * 4.656613e-10f, stg.server_count);
    xer << "Download of " << source << " failed on server " << failed << "; server " << stg.server_index
        << " is next.\n";
    back_off_when_every_server_failed(s, source);
}

int wanted_streams()
{
    const double rate =
        (next.download_kb_done + next.download_kb_in_flight) / std::max(xtim.elapsed_time - next.start_time, 1.0f);
    int wanted = 2;
    if (rate > 200) wanted = 9;
    else if (rate > 150) wanted = 8;
    else if (rate > 100) wanted = 6;
    else if (rate > 50) wanted = 4;
    const int chosen = stg.stream_count < 0 ? 0 : stg.stream_count > max_streams ? max_streams : stg.stream_count;
    if (chosen) wanted = chosen;
    if (install_type) wanted = 1;
    return wanted > max_streams ? max_streams : wanted;
}

// After a finished file: start a stream, stop this one, or give it the next file.
void control_streams(int s)
{
    const int wanted = wanted_streams();
    int running = 0;
    for (int c = 0; c < max_streams; ++c) running += next.stream_on[c] != 0;
    if (running < wanted) {
        for (int c = 0; c < max_streams; ++c) {
            if (next.stream_on[c]) continue;
            next.stream_on[c] = 1;
            next.stream_state[c] = stream_wants_file;
            break;
        }
        next.stream_state[s] = stream_wants_file;
    } else if (running > wanted) {
        next.stream_on[s] = 0;
    } else {
        next.stream_state[s] = stream_wants_file;
    }
}

// ---- files in flight ------------------------------------------------------------------

// A disc install extracts the next files on workers while earlier ones are
// put in place here, in install order, each when its turn comes.
std::unique_ptr<files_in_flight> flight;
bool forked_since_flight = false; // set in a child forked after `flight` was made
int handed_upto = 0;    // the next install step to consider for handing out
files_in_flight* parents_flight = nullptr; // in a forked child: the parent's pool, never touched

void note_fork() { forked_since_flight = true; }

// A child forked after the workers started has none of their threads: it
// leaves the parent's pool alone (its lock may be held) and makes its own.
// The fork is told by a handler the pool's maker registers, so that a step
// asks the kernel nothing to know it.
files_in_flight& the_flight()
{
    if (flight && forked_since_flight) {
        parents_flight = flight.release();
        handed_upto = 0;
    }
    if (!flight) {
        static const int fork_noted = pthread_atfork(nullptr, nullptr, note_fork);
        (void)fork_noted;
        flight = std::make_unique<files_in_flight>(md5_pool::default_workers());
        forked_since_flight = false;
    }
    return *flight;
}

// Files extracted ahead of their turn: enough that the workers go on with
// later files while a large one is still being written, and that small files
// come in numbers. Each holds two descriptors until it is put in place.
std::size_t flight_depth() { return 8 * std::size_t(std::max(1u, flight->workers())); }

void hand_out(int history)
{
    const file_version_struct& v = ENG_current_version(history);
    zip_listed_file listed = ENG_listed_file(v);
    listed.root = app_path + listed.root;
    const double bytes = v.disk_kb > 0 ? static_cast<double>(v.disk_kb) * 1024 : 0;
    flight->hand_out(history, app_path + paths_of(history).source, std::move(listed),
                     bytes < 1e18 ? static_cast<std::uint64_t>(bytes) : UINT64_MAX);
}

bool installed_from_disc(int history)
{
    const file_version_struct& v = ENG_current_version(history);
    return v.want_install && !v.want_delete;
}

// Keeps the workers busy: hands out the files to install after `from`, as
// many as they can work on; files that are kept or deleted are passed over.
// Once half of them are taken it tops them up together, so that a worker
// woken for them finds several. The step has made the pool (the_flight) already.
void hand_out_ahead(int from)
{
    handed_upto = std::max(handed_upto, from);
    std::size_t held = flight->held();
    if (held > flight_depth() / 2) return;
    while (handed_upto < history_count() && held < flight_depth()) {
        const int h = handed_upto++;
        if (!installed_from_disc(h)) continue;
        hand_out(h);
        ++held;
    }
}

// Returns true when the file is finished in this step; false while it is
// still being extracted.
bool install_from_disc(int s, file_version_struct& v, const file_paths& p)
{
    if (s != 0)
        __MACIBM_alert(0, "Trying to do a DVD install with multiple streams!",
                       "The shark with the laser on his head is getting very dizzy!", "", "", t_exit, "utils", 498);
    const int history = next.stream_file[s];
    if (!the_flight().holds(history)) {
        hand_out(history);
        handed_upto = std::max(handed_upto, history + 1);
    }
    hand_out_ahead(history + 1);
    zip_ready_file ready;
    if (!flight->collect(history, next.file_wait, ready)) return false;
    hand_out_ahead(history + 1);
    xer << ready.log;
    ENG_report_extraction(zip_put_in_place(ready), p.source, p.dest);
    stg.done_ratio = 1.0f;
    count_installed(v);
    return true;
}

bool install_from_network(int s, file_version_struct& v, const file_paths& p)
{
    const int slot = slot_first_stream + s;
    if (!http.slots[slot]) {
        if (xtim.elapsed_time < next.retry_at[s]) return false; // backing off: no new download yet
        next.download_server[s] = stg.server_index;
    }
    const int r = http.net_check(slot, server_name[stg.server_index], p.source, temp_archive(s),
                                 ENG_listed_download_limit(v.download_kb));
    if (r == net_running) {
        const float f = http.percent_done(slot) * 0.01f; // -0.01 while the length is unknown
        stg.done_ratio = f;
        next.download_kb_in_flight += f * v.download_kb;
        return false;
    }
    if (r == net_done) {
        stg.net_retry = 0;
        extract_and_delete_file(temp_archive(s), p.dest, v);
        count_installed(v);
        return true;
    }
    if (r == net_failed) switch_server(s, p.source);
    return false;
}

bool delete_unwanted(const file_paths& p)
{
    stg.file_action = file_act_delete;
    const int r = delete_file(p.dest);
    log_result("now we want to nuke a file: DELETING  file ", p.dest, r);
    remember_deleted_folders(p.dest);
    if (show_del_err(r))
        __MACIBM_alert(0, "Could not delete a file that I no longer want to have!", error_str(r), p.dest, "", t_exit,
                       "utils", 482);
    return true;
}

void take_turn(int s)
{
    if (next.stream_state[s] == stream_wants_file) {
        next.stream_file[s] = next.next_file;
        next.next_file = std::min(next.next_file + 1, history_count());
        if (next.next_file < 0) next.next_file = 0;
        clear_back_off(s);
    }
    if (next.stream_file[s] >= history_count()) return;
    file_version_struct& v = ENG_current_version(next.stream_file[s]);
    const file_paths p = paths_of(next.stream_file[s]);
    next.stream_state[s] = stream_busy;
    crnt_file_path = p.source;
    crnt_file_name = p.source.substr(p.source.rfind('/') + 1);
    if (path_has_no_file(p.manifest))
        __MACIBM_alert(0, "I am working through the list and found a path that has no file!",
                       "This is impossible to download or delete!", "It is:", p.manifest, t_exit, "utils", 461);
    bool finished = true;
    if (v.want_delete) {
        finished = delete_unwanted(p);
    } else if (!v.want_install) {
        stg.file_action = v.up_to_date ? file_act_have : file_act_skip;
    } else {
        stg.file_action = file_act_install;
        finished = is_net ? install_from_network(s, v, p) : install_from_disc(s, v, p);
    }
    if (finished) control_streams(s);
}

bool every_stream_past_the_end()
{
    for (int s = 0; s < max_streams; ++s)
        if (next.stream_on[s] && next.stream_file[s] < history_count()) return false;
    return true;
}

} // namespace

void next_class::reset_all_streams()
{
    for (int s = 0; s < max_streams; ++s) cancel_download(s);
    if (flight && !forked_since_flight) flight->drop_all();
    handed_upto = 0;
    next_file = 0;
    for (int s = 0; s < max_streams; ++s) {
        stream_on[s] = s == 0;
        stream_state[s] = s == 0 ? stream_wants_file : stream_busy;
        stream_file[s] = 0;
        download_server[s] = failed_servers[s] = 0;
        retry_wait[s] = retry_at[s] = 0;
    }
    start_time = xtim.elapsed_time;
    download_kb_in_flight = download_kb_done = disk_kb_done = 0;
}

int ENG_pick_server(float r, int server_count)
{
    // The table has max_servers entries; an edited preference may say otherwise.
    const int count = server_count < 1 ? 1 : server_count > max_servers ? max_servers : server_count;
    const float p = r > 0.0f ? std::pow(r, 1.5f) : 0.0f; // lower indices come up more often
    const int index = static_cast<int>(p * static_cast<float>(count));
    return index < 0 ? 0 : index > count - 1 ? count - 1 : index;
}

std::uint64_t ENG_listed_download_limit(float kb)
{
    if (!(kb > 0.0f)) return 0;
    if (kb >= 1e15f) return UINT64_MAX; // past any real file: bounded only by the type
    return (static_cast<std::uint64_t>(std::ceil(kb)) + 1) * 1024;
}

int grab_files()
{
    next.download_kb_in_flight = 0;
    for (int s = 0; s < max_streams; ++s)
        if (next.stream_on[s]) take_turn(s);
    // A failed extraction ends the run in its error state: never "done", no cleanup, no rename.
    if (stg.install_error) return stg.install_error;
    if (!every_stream_past_the_end()) return 0;
    next.all_done = 1;
    finish_install();
    return 1;
}

namespace {
// The bytes a file listed at disk_kb may hold: whole kB, so up to the next kB; 0 (no bound) for 0.
unsigned long long listed_bytes(float disk_kb)
{
    if (!(disk_kb > 0)) return 0;
    if (disk_kb >= 1e12f) return 0; // past any disk: no bound, and no overflow
    return (static_cast<unsigned long long>(std::ceil(disk_kb)) + 1) * 1024;
}
} // namespace

zip_listed_file ENG_listed_file(const file_version_struct& v)
{
    // The archive may write only the listed file, within its listed size and
    // with its signature, and make links only inside the product folder.
    zip_listed_file listed{dest_dir_path, v.path, listed_bytes(v.disk_kb), v.sig_want};
    trim_dest_folder(listed.path);
    return listed;
}

void extract_and_delete_file(std::string archive, std::string dest_file, const file_version_struct& v)
{
    ENG_report_extraction(zip_listed_to_file(archive, ENG_listed_file(v)), archive, dest_file);
}

void ENG_report_extraction(int r, const std::string& archive, const std::string& dest_file)
{
    if (r) {
        stg.install_error = 1;
        __MACIBM_alert(0, "The installer cannot extract a file.", "Error: " + error_str(r),
                       "Compressed File: " + archive, "Destination: " + dest_file, t_alert, "utils", 390);
    }
    log_result("EXPANDING file ", dest_file, r);
    if (install_type) return; // the disc build keeps its archives: they are on the disc
    const int r2 = delete_file(archive);
    log_result("DELETING  file ", archive, r2);
}

namespace {
std::string made_temp_folder; // the one folder that ENG_remove_temp_folder may remove
}

int ENG_make_temp_folder()
{
    ENG_remove_stale_temp_folders("/tmp/"); // those of installers killed before they could
    std::string tmpl = ENG_temp_folder_template("/tmp/");
    if (!mkdtemp(tmpl.data())) {
        xer << "Could not make a temporary folder: " << error_str(errno) << "\n";
        return 0;
    }
    temp_path = made_temp_folder = tmpl + "/";
    return 1;
}

int ENG_remove_temp_folder()
{
    if (made_temp_folder.empty() || temp_path != made_temp_folder) return 0;
    std::error_code ec;
    std::filesystem::remove_all(made_temp_folder, ec);
    made_temp_folder.clear();
    return ec ? 0 : 1;
}

int ENG_temp_folder_is_private() { return !made_temp_folder.empty() && temp_path == made_temp_folder; }
