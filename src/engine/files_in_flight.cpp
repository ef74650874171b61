// files_in_flight.cpp - one queue of archives for a fixed set of workers;
// each result waits under its install step until the main thread collects it.
#include "engine/files_in_flight.h"

#include <algorithm>
#include <chrono>

files_in_flight::files_in_flight(unsigned workers)
    : workers_(workers, [this](job& j, std::unique_lock<std::mutex>& held) { run(j, held); })
{
}

files_in_flight::~files_in_flight() = default; // the workers end first, dropping what was not started

void files_in_flight::run(job& j, std::unique_lock<std::mutex>& held)
{
    held.unlock();
    zip_ready_file ready;
    zip_ready_listed(j.zip_file, j.listed, ready);
    held.lock();
    auto r = results_.find(j.history);
    // Dropped while it ran: `ready` leaves with this scope, and the old file stays.
    if (j.generation != generation_ || r == results_.end()) return;
    r->second.ready = std::move(ready);
    r->second.done = true;
    if (j.history == waiting_for_) results_ready_.notify_one();
}

void files_in_flight::hand_out(int history, std::string zip_file, zip_listed_file listed, std::uint64_t bytes)
{
    workers_.start();
    std::lock_guard<std::mutex> held(workers_.lock);
    results_[history] = result{};
    const std::uint64_t weight = std::min(bytes, wake_weight) + file_cost;
    // With no worker the file waits in the queue until it is collected.
    workers_.push_quietly({history, generation_, weight, std::move(zip_file), std::move(listed)});
    unwoken_weight_ += weight;
    // Work that waits while every worker sleeps, or enough of it for one more worker.
    if (workers_.awake() == 0 || unwoken_weight_ >= wake_weight)
        if (workers_.wake_one()) unwoken_weight_ = 0;
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

// With held locked: when the file of `history` still waits in the queue and
// the collector may take it (small, or no worker at all), extracts it here,
// unlocked. Without workers the files before it go first, in the queue's
// order. True when it is done.
bool files_in_flight::take_queued(int history, std::unique_lock<std::mutex>& held)
{
    std::deque<job>& queue = workers_.queue;
    for (;;) {
        auto q = queue.begin();
        if (workers_.working()) {
            q = std::find_if(queue.begin(), queue.end(), [history](const job& j) { return j.history == history; });
            if (q != queue.end() && q->weight > collector_takes + file_cost) return false; // a worker's, when one is free
        }
        if (q == queue.end()) return false;
        job j = std::move(*q);
        queue.erase(q);
        unwoken_weight_ -= std::min(unwoken_weight_, j.weight);
        held.unlock();
        zip_ready_file ready;
        zip_ready_listed(j.zip_file, j.listed, ready);
        held.lock();
        auto r = results_.find(j.history);
        if (j.generation == generation_ && r != results_.end()) {
            r->second.ready = std::move(ready);
            r->second.done = true;
        }
        if (j.history == history) return true;
    }
}

bool files_in_flight::collect(int history, double wait, zip_ready_file& ready)
{
    std::unique_lock<std::mutex> held(workers_.lock);
    auto r = results_.find(history);
    if (r == results_.end()) return false;
    if (!r->second.done) take_queued(history, held);
    r = results_.find(history);
    if (r == results_.end()) return false; // dropped meanwhile
    const auto is_done = [&] { return r->second.done; };
    waiting_for_ = history;
    bool done = true;
    if (wait < 0) results_ready_.wait(held, is_done);
    else done = results_ready_.wait_for(held, std::chrono::duration<double>(wait), is_done);
    waiting_for_ = -1;
    if (!done) return false;
    ready = std::move(r->second.ready);
    results_.erase(r);
    return true;
}

void files_in_flight::drop_all()
{
    std::lock_guard<std::mutex> held(workers_.lock);
    ++generation_;
    workers_.queue.clear();
    unwoken_weight_ = 0;
    results_.clear(); // the ready files close and take their unnamed bytes with them
}
