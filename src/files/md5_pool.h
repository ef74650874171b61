// md5_pool.h - signatures of open files digested on worker threads, several
// files at a time, handed back in the order the files were given. The caller
// keeps opening (and logging, and reporting progress) on its own thread; only
// the reading and digesting of the bytes moves to the workers.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class md5_pool {
public:
    // Up to `workers` threads, started with the first real file; none at all
    // when no file could be opened. With no thread to be had, files are
    // digested on the caller's thread as they are given.
    explicit md5_pool(unsigned workers);
    ~md5_pool(); // waits for the files in hand, closes them, joins the workers
    md5_pool(const md5_pool&) = delete;
    md5_pool& operator=(const md5_pool&) = delete;

    // Takes an open regular file (the pool closes it), or -1 for one that
    // could not be opened, which comes back as a failed result in its turn.
    void submit(int fd);
    // The oldest result not yet taken, waited for: true with hex set, or false
    // when the file could not be opened or read.
    bool take(std::string& hex);
    std::size_t in_hand() const { return results_.size(); }

    // The workers an examination uses: the processor count, at most 8.
    static unsigned default_workers();

private:
    struct result {
        bool done = false;
        bool ok = false;
        std::string hex;
    };
    struct job {
        int fd;
        result* slot;
    };

    void start_workers();
    void work();

    unsigned wanted_;
    bool started_ = false;
    std::mutex lock_;
    std::condition_variable jobs_ready_, results_ready_;
    std::deque<job> jobs_;
    std::deque<result> results_; // in submission order; stable addresses at both ends
    bool stop_ = false;
    std::vector<std::thread> threads_;
};
