// files_in_flight.h - the archives of the files an installation puts in place
// next, extracted and checked on worker threads ahead of their turn. The main
// thread hands files out in install order and collects each one in its turn;
// only the collector puts a file in place, so files change in install order.
#pragma once

#include "files/job_workers.h"
#include "files/zip_io.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

class files_in_flight {
public:
    // What extracts a file: zip_ready_listed, or a stand-in in tests.
    using extractor = int (*)(const std::string&, const zip_listed_file&, zip_ready_file&, zip_stop);

    // Up to `workers` threads, started with the first file handed out. With no
    // thread to be had, a file is extracted when it is collected.
    explicit files_in_flight(unsigned workers, extractor extract = zip_ready_listed);
    ~files_in_flight(); // drops what was not collected, then joins the workers: no extraction is waited for
    files_in_flight(const files_in_flight&) = delete;
    files_in_flight& operator=(const files_in_flight&) = delete;

    // The archive zip_file of the listed file (both paths whole: nothing is put
    // in front), for the install step `history`.
    void hand_out(int history, std::string zip_file, zip_listed_file listed);
    bool holds(int history) const;
    std::size_t held() const; // handed out and not yet collected
    unsigned workers() const { return workers_.wanted(); }

    // The held file of `history` once it is ready: true with `ready` set. Waits
    // at most `wait` seconds for it (negative: as long as it takes). False at
    // once for a file whose worker failed: the program ends through that
    // worker's fatal record.
    bool collect(int history, double wait, zip_ready_file& ready);

    // Forgets everything handed out, without waiting: files not started are
    // never extracted, and those being extracted stop within a quarter MiB,
    // their files without a name gone with them.
    void drop_all();

private:
    struct job {
        int history;
        std::uint64_t generation;
        std::string zip_file;
        zip_listed_file listed;
    };
    struct result {
        bool done = false;
        bool lost = false; // its worker failed: it never comes
        zip_ready_file ready;
    };

    void run(job& j, std::unique_lock<std::mutex>& held);
    void lose(job& j);

    extractor extract_;
    std::condition_variable results_ready_;
    std::map<int, result> results_;   // by history
    std::atomic<std::uint64_t> generation_{0}; // raised by drop_all under the lock; running extractions read it
    job_workers<job> workers_;        // last: its workers end before the results they fill
};
