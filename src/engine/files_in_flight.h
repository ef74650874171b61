// files_in_flight.h - the archives of the files an installation puts in place
// next, extracted and checked on worker threads ahead of their turn. The main
// thread hands files out in install order and collects each one in its turn;
// only the collector puts a file in place, so files change in install order.
// Threads wake no more often than the work needs: a worker ends a job and
// takes the next one without sleeping, a sleeping worker is woken only when
// the waiting work outweighs what the awake ones have (a large file, or many
// small ones), the collector is woken only for the file it waits on, and it
// extracts small files that no worker has begun instead of sleeping.
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
    // in front), for the install step `history`, of `bytes` as the manifest
    // lists it: a sleeping worker is woken once a large file or enough small
    // ones wait.
    void hand_out(int history, std::string zip_file, zip_listed_file listed, std::uint64_t bytes);
    bool holds(int history) const;
    std::size_t held() const; // handed out and not yet collected
    unsigned workers() const { return workers_.wanted(); }

    // The held file of `history` once it is ready: true with `ready` set.
    // Waits at most `wait` seconds for it (negative: as long as it takes),
    // and meanwhile extracts small files no worker has begun: its own, or
    // the next ones. False at once for a file whose worker failed: the
    // program ends through that worker's fatal record.
    bool collect(int history, double wait, zip_ready_file& ready);

    // Forgets everything handed out, without waiting: files not started are
    // never extracted, and those being extracted stop within a quarter MiB,
    // their files without a name gone with them.
    void drop_all();

    // Bytes a file is counted as on top of its own, for the work of a file
    // of any size (opening its archive, making and naming the file).
    static constexpr std::uint64_t file_cost = 32 * 1024;
    // Weight of waiting files that one awake worker is left with; more wakes another.
    static constexpr std::uint64_t wake_weight = 2 << 20;
    // The largest file the collector extracts itself rather than waiting for a worker.
    static constexpr std::uint64_t collector_takes = 256 * 1024;

private:
    struct job {
        int history;
        std::uint64_t generation;
        std::uint64_t weight; // listed bytes + file_cost
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
    bool take_one(int history, std::unique_lock<std::mutex>& held);

    extractor extract_;
    std::condition_variable results_ready_; // the collector's alone
    std::map<int, result> results_;   // by history
    std::atomic<std::uint64_t> generation_{0}; // raised by drop_all under the lock; running extractions read it
    int waiting_for_ = -1;            // the history the collector waits on; -1: none
    std::uint64_t queued_weight_ = 0; // of the files in the queue, that no one has begun
    job_workers<job> workers_;        // last: its workers end before the results they fill
};
