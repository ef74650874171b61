// md5_pool.cpp - a fixed set of digest workers fed through one queue; results
// land in per-file slots kept in submission order.
#include "files/md5_pool.h"

#include "files/io_paths.h"
#include "files/md5.h"

#include <algorithm>
#include <system_error>

#include <sys/stat.h>

md5_pool::md5_pool(unsigned workers) : wanted_(workers) {}

md5_pool::~md5_pool()
{
    {
        std::lock_guard<std::mutex> held(lock_);
        stop_ = true;
        jobs_.clear(); // not started: nobody waits for them any more
    }
    jobs_ready_.notify_all();
    for (std::thread& t : threads_) t.join();
}

unsigned md5_pool::default_workers()
{
    const unsigned cores = std::thread::hardware_concurrency();
    return std::max(1u, std::min(8u, cores));
}

void md5_pool::digest(const std::string& full, result& r)
{
    struct stat st;
    const int fd = IO_open_regular_quietly(full, st, &r.not_regular);
    r.ok = fd >= 0 && digest_open_file(fd, r.hex) == 0;
}

void md5_pool::start_workers()
{
    started_ = true;
    try {
        for (unsigned i = 0; i < wanted_; ++i) threads_.emplace_back(&md5_pool::work, this);
    } catch (const std::system_error&) { // fewer threads, or none: the caller digests
    }
}

void md5_pool::work()
{
    std::unique_lock<std::mutex> held(lock_);
    for (;;) {
        jobs_ready_.wait(held, [this] { return stop_ || !jobs_.empty(); });
        if (jobs_.empty()) return; // stopping, nothing left
        const job j = std::move(jobs_.front());
        jobs_.pop_front();
        held.unlock();
        result r;
        digest(j.full, r);
        held.lock();
        *j.slot = std::move(r);
        j.slot->done = true;
        results_ready_.notify_all();
    }
}

void md5_pool::submit(std::string full)
{
    if (!full.empty() && !started_) start_workers();
    std::lock_guard<std::mutex> held(lock_);
    results_.emplace_back();
    result& slot = results_.back();
    if (full.empty()) {
        slot.done = true;
    } else if (threads_.empty()) {
        digest(full, slot);
        slot.done = true;
    } else {
        jobs_.push_back({std::move(full), &slot});
        jobs_ready_.notify_one();
    }
}

bool md5_pool::take(std::string& hex, bool* not_regular)
{
    std::unique_lock<std::mutex> held(lock_);
    results_ready_.wait(held, [this] { return results_.front().done; });
    const bool ok = results_.front().ok;
    *not_regular = results_.front().not_regular;
    if (ok) hex = std::move(results_.front().hex);
    results_.pop_front();
    return ok;
}
