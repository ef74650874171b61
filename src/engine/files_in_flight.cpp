// files_in_flight.cpp - one queue of archives for a fixed set of workers;
// each result waits under its install step until the main thread collects it.
#include "engine/files_in_flight.h"

#include <chrono>
#include <system_error>

files_in_flight::files_in_flight(unsigned workers) : wanted_(workers) {}

files_in_flight::~files_in_flight()
{
    {
        std::lock_guard<std::mutex> held(lock_);
        stop_ = true;
        queue_.clear();
    }
    jobs_ready_.notify_all();
    for (std::thread& t : threads_) t.join();
}

void files_in_flight::start_workers()
{
    started_ = true;
    try {
        for (unsigned i = 0; i < wanted_; ++i) threads_.emplace_back(&files_in_flight::work, this);
    } catch (const std::system_error&) { // fewer threads, or none: the collector extracts
    }
}

void files_in_flight::work()
{
    std::unique_lock<std::mutex> held(lock_);
    for (;;) {
        jobs_ready_.wait(held, [this] { return stop_ || !queue_.empty(); });
        if (queue_.empty()) return; // stopping, nothing left
        job j = std::move(queue_.front());
        queue_.pop_front();
        held.unlock();
        zip_ready_file ready;
        zip_ready_listed(j.zip_file, j.listed, ready);
        held.lock();
        auto r = results_.find(j.history);
        // Dropped while it ran: `ready` leaves with this scope, and the old file stays.
        if (j.generation != generation_ || r == results_.end()) continue;
        r->second.ready = std::move(ready);
        r->second.done = true;
        results_ready_.notify_all();
    }
}

void files_in_flight::hand_out(int history, std::string zip_file, zip_listed_file listed)
{
    if (!started_) start_workers();
    std::lock_guard<std::mutex> held(lock_);
    results_[history] = result{};
    // With no worker the file waits in the queue until it is collected.
    queue_.push_back({history, generation_, std::move(zip_file), std::move(listed)});
    jobs_ready_.notify_one();
}

bool files_in_flight::holds(int history) const
{
    std::lock_guard<std::mutex> held(lock_);
    return results_.count(history) != 0;
}

std::size_t files_in_flight::held() const
{
    std::lock_guard<std::mutex> held(lock_);
    return results_.size();
}

bool files_in_flight::collect(int history, double wait, zip_ready_file& ready)
{
    std::unique_lock<std::mutex> held(lock_);
    auto r = results_.find(history);
    if (r == results_.end()) return false;
    if (threads_.empty() && !r->second.done) {
        // Without workers the collector extracts the waiting files itself, in order.
        while (!queue_.empty() && !r->second.done) {
            job j = std::move(queue_.front());
            queue_.pop_front();
            zip_ready_listed(j.zip_file, j.listed, results_[j.history].ready);
            results_[j.history].done = true;
        }
    }
    const auto is_done = [&] { return r->second.done; };
    if (wait < 0) results_ready_.wait(held, is_done);
    else if (!results_ready_.wait_for(held, std::chrono::duration<double>(wait), is_done)) return false;
    ready = std::move(r->second.ready);
    results_.erase(r);
    return true;
}

void files_in_flight::drop_all()
{
    std::lock_guard<std::mutex> held(lock_);
    ++generation_;
    queue_.clear();
    results_.clear(); // the ready files close and take their unnamed bytes with them
}
