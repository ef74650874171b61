// md5_pool.h - signatures of files opened and digested on worker threads,
// several files at a time, handed back in the order the files were given.
// The workers log nothing: the caller checks the paths (and logs, and reports
// progress) on its own thread and learns in order what each file turned out to be.
#pragma once

#include "files/job_workers.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>

class md5_pool {
public:
    // Up to `workers` threads, started with the first path; none at all when
    // every path was refused. With no thread to be had, files are opened and
    // digested on the caller's thread as they are given.
    explicit md5_pool(unsigned workers);
    ~md5_pool(); // drops the files not yet started, joins the workers
    md5_pool(const md5_pool&) = delete;
    md5_pool& operator=(const md5_pool&) = delete;

    // A full path from IO_checked_full_path (io_paths.h), opened as
    // IO_open_regular_quietly opens it; "" for a refused one, which comes back
    // as a failed result in its turn.
    void submit(std::string full);
    // The oldest result not yet taken, waited for: true with hex set, or false
    // when the file could not be opened or read, with *not_regular set when
    // something other than a regular file stood there. False too for a file
    // whose worker failed: the program ends through that worker's fatal record.
    bool take(std::string& hex, bool* not_regular);
    std::size_t in_hand() const { return results_.size(); }

    // The workers an examination (and an install) uses: the processors this
    // process may run on (its affinity), at most 8.
    static unsigned default_workers();

private:
    struct result {
        bool done = false;
        bool ok = false;
        bool not_regular = false;
        std::string hex;
    };
    struct job {
        std::string full;
        result* slot;
    };
    static void digest(const std::string& full, result& r);
    void run(job& j, std::unique_lock<std::mutex>& held);
    void lose(job& j);

    std::condition_variable results_ready_;
    std::deque<result> results_; // in submission order; stable addresses at both ends
    job_workers<job> workers_;   // last: its workers end before the results they fill
};
