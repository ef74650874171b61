// files_in_flight.h - the archives of the files an installation puts in place
// next, extracted and checked on worker threads ahead of their turn. The main
// thread hands files out in install order and collects each one in its turn;
// only the collector puts a file in place, so files change in install order.
#pragma once

#include "files/job_workers.h"
#include "files/zip_io.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

class files_in_flight {
public:
    // Up to `workers` threads, started with the first file handed out. With no
    // thread to be had, a file is extracted when it is collected.
    explicit files_in_flight(unsigned workers);
    ~files_in_flight(); // drops what was not collected, joins the workers
    files_in_flight(const files_in_flight&) = delete;
    files_in_flight& operator=(const files_in_flight&) = delete;

    // The archive zip_file of the listed file (both paths whole: nothing is put
    // in front), for the install step `history`.
    void hand_out(int history, std::string zip_file, zip_listed_file listed);
    bool holds(int history) const;
    std::size_t held() const; // handed out and not yet collected
    unsigned workers() const { return workers_.wanted(); }

    // The held file of `history` once it is ready: true with `ready` set. Waits
    // at most `wait` seconds for it (negative: as long as it takes).
    bool collect(int history, double wait, zip_ready_file& ready);

    // Forgets everything handed out, without waiting: files not started are
    // never extracted, and those being extracted are dropped when they end.
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
        zip_ready_file ready;
    };

    void run(job& j, std::unique_lock<std::mutex>& held);

    std::condition_variable results_ready_;
    std::map<int, result> results_;   // by history
    std::uint64_t generation_ = 0;    // raised by drop_all
    job_workers<job> workers_;        // last: its workers end before the results they fill
};
