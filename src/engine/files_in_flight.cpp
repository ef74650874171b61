// files_in_flight.cpp - one queue of archives for a fixed set of workers;
// each result waits under its install step until the main thread collects it.
#include "engine/files_in_flight.h"

#include <chrono>

files_in_flight::files_in_flight(unsigned workers, extractor extract)
    : extract_(extract),
      workers_(workers, [this](job& j, std::unique_lock<std::mutex>& held) { run(j, held); },
               [this](job& j) { lose(j); })
{
}

// What runs is stopped first, so that the workers' end waits for no extraction.
files_in_flight::~files_in_flight() { drop_all(); }

void files_in_flight::run(job& j, std::unique_lock<std::mutex>& held)
{
    held.unlock();
    zip_ready_file ready;
    extract_(j.zip_file, j.listed, ready, zip_stop{&generation_, j.generation});
    held.lock();
    auto r = results_.find(j.history);
    // Dropped while it ran: `ready` leaves with this scope, and the old file stays.
    if (j.generation != generation_ || r == results_.end()) return;
    r->second.ready = std::move(ready);
    r->second.done = true;
    results_ready_.notify_all();
}

void files_in_flight::lose(job& j)
{
    auto r = results_.find(j.history);
    if (j.generation != generation_ || r == results_.end()) return;
    r->second.lost = true;
    results_ready_.notify_all();
}

void files_in_flight::hand_out(int history, std::string zip_file, zip_listed_file listed)
{
    workers_.start();
    std::lock_guard<std::mutex> held(workers_.lock);
    results_[history] = result{};
    // With no worker the file waits in the queue until it is collected.
    workers_.push({history, generation_, std::move(zip_file), std::move(listed)});
}

bool files_in_flight::holds(int history) const
{
    std::lock_guard<std::mutex> held(workers_.lock);
    return results_.count(history) != 0;
}

std::size_t files_in_flight::held() const
{
    std::lock_guard<std::mutex> held(workers_.lock);
    return results_.size();
}

bool files_in_flight::collect(int history, double wait, zip_ready_file& ready)
{
    std::unique_lock<std::mutex> held(workers_.lock);
    auto r = results_.find(history);
    if (r == results_.end()) return false;
    std::deque<job>& queue = workers_.queue;
    if (!workers_.working() && !r->second.done) {
        // Without workers the collector extracts the waiting files itself, in order.
        while (!queue.empty() && !r->second.done) {
            job j = std::move(queue.front());
            queue.pop_front();
            extract_(j.zip_file, j.listed, results_[j.history].ready, zip_stop{});
            results_[j.history].done = true;
        }
    }
    const auto is_done = [&] { return r->second.done || r->second.lost; };
    if (wait < 0) results_ready_.wait(held, is_done);
    else if (!results_ready_.wait_for(held, std::chrono::duration<double>(wait), is_done)) return false;
    if (r->second.lost) return false;
    ready = std::move(r->second.ready);
    results_.erase(r);
    return true;
}

void files_in_flight::drop_all()
{
    std::lock_guard<std::mutex> held(workers_.lock);
    ++generation_;
    workers_.queue.clear();
    results_.clear(); // the ready files close and take their unnamed bytes with them
}
