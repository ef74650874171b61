// md5_pool.cpp - a fixed set of digest workers fed through one queue; results
// land in per-file slots kept in submission order.
#include "files/md5_pool.h"

#include "files/io_paths.h"
#include "files/md5.h"

#include <algorithm>
#include <thread>

#include <sched.h>
#include <sys/stat.h>

md5_pool::md5_pool(unsigned workers)
    : workers_(workers, [this](job& j, std::unique_lock<std::mutex>& held) { run(j, held); },
               [this](job& j) { lose(j); })
{
}

md5_pool::~md5_pool() = default; // the workers end first: jobs not started are dropped, nobody waits for them

unsigned md5_pool::default_workers()
{
    // The processors this process may run on: under taskset or a container's
    // limit that is fewer than the machine has, and more workers would only
    // take turns on them.
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    const int usable = sched_getaffinity(0, sizeof allowed, &allowed) == 0 ? CPU_COUNT(&allowed) : 0;
    const unsigned cores = usable > 0 ? static_cast<unsigned>(usable) : std::thread::hardware_concurrency();
    return std::max(1u, std::min(8u, cores));
}

void md5_pool::digest(const std::string& full, result& r)
{
    struct stat st;
    const int fd = IO_open_regular_quietly(full, st, &r.not_regular);
    r.ok = fd >= 0 && digest_open_file(fd, r.hex) == 0;
}

void md5_pool::run(job& j, std::unique_lock<std::mutex>& held)
{
    held.unlock();
    result r;
    digest(j.full, r);
    held.lock();
    *j.slot = std::move(r);
    j.slot->done = true;
    results_ready_.notify_all();
}

void md5_pool::lose(job& j)
{
    *j.slot = result{};
    j.slot->done = true;
    results_ready_.notify_all();
}

void md5_pool::submit(std::string full)
{
    if (!full.empty()) workers_.start();
    std::lock_guard<std::mutex> held(workers_.lock);
    results_.emplace_back();
    result& slot = results_.back();
    if (full.empty()) {
        slot.done = true;
    } else if (!workers_.working()) { // no thread to be had: the caller digests
        digest(full, slot);
        slot.done = true;
    } else {
        workers_.push({std::move(full), &slot});
    }
}

bool md5_pool::take(std::string& hex, bool* not_regular)
{
    std::unique_lock<std::mutex> held(workers_.lock);
    results_ready_.wait(held, [this] { return results_.front().done; });
    const bool ok = results_.front().ok;
    *not_regular = results_.front().not_regular;
    if (ok) hex = std::move(results_.front().hex);
    results_.pop_front();
    return ok;
}
