// files_in_flight.cpp - one queue of archives for a fixed set of workers;
// each result waits under its install step until the main thread collects it.
#include "engine/files_in_flight.h"

#include <algorithm>
#include <chrono>

files_in_flight::files_in_flight(unsigned workers, extractor extract)
    : extract_(extract),
      workers_(workers, [this](job& j, std::unique_lock<std::mutex>& held) { run(j, held); },
               [this](job& j) { lose(j); })
{
}

// What runs is stopped first, so that the workers' end waits for no extraction.
files_in_flight::~files_in_flight() { drop_all(); }

// One file, on a worker or on the collector: called with held locked and the
// job off the queue; extracts unlocked, then leaves the result under the lock.
void files_in_flight::run(job& j, std::unique_lock<std::mutex>& held)
{
    queued_weight_ -= std::min(queued_weight_, j.weight);
    held.unlock();
    zip_ready_file ready;
    extract_(j.zip_file, j.listed, ready, zip_stop{&generation_, j.generation});
    held.lock();
    auto r = results_.find(j.history);
    // Dropped while it ran: `ready` leaves with this scope, and the old file stays.
    if (j.generation != generation_ || r == results_.end()) return;
    r->second.ready = std::move(ready);
    r->second.done = true;
    if (j.history == waiting_for_) results_ready_.notify_one();
}

void files_in_flight::lose(job& j)
{
    auto r = results_.find(j.history);
    if (j.generation != generation_ || r == results_.end()) return;
    r->second.lost = true;
    results_ready_.notify_all();
}

void files_in_flight::hand_out(int history, std::string zip_file, zip_listed_file listed, std::uint64_t bytes)
{
    workers_.start();
    std::lock_guard<std::mutex> held(workers_.lock);
    results_[history] = result{};
    const std::uint64_t weight = std::min(bytes, wake_weight) + file_cost;
    // With no worker the file waits in the queue until it is collected.
    workers_.push_quietly({history, generation_, weight, std::move(zip_file), std::move(listed)});
    queued_weight_ += weight;
    // Each worker awake has up to wake_weight of waiting work to itself; more
    // than that wakes one more. So a large file has a worker of its own, and
    // small ones share one, instead of every worker waking for each.
    if (queued_weight_ > std::uint64_t(workers_.awake()) * wake_weight) workers_.wake_one();
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

// With held locked: one file from the queue extracted here, unlocked. Its
// own file when it waits there and may be taken (small, or no worker at
// all); else, with workers, the first small file waiting; without any, the
// front one, so that files go in order. False when none could be taken.
bool files_in_flight::take_one(int history, std::unique_lock<std::mutex>& held)
{
    std::deque<job>& queue = workers_.queue;
    const bool working = workers_.working();
    const auto small = [](const job& j) { return j.weight <= collector_takes + file_cost; };
    auto q = queue.begin();
    if (working) {
        q = std::find_if(queue.begin(), queue.end(), [history](const job& j) { return j.history == history; });
        if (q == queue.end() || !small(*q)) q = std::find_if(queue.begin(), queue.end(), small);
    }
    if (q == queue.end()) return false;
    job j = std::move(*q);
    queue.erase(q);
    try {
        run(j, held); // as a worker runs it
    } catch (...) {
        if (!held.owns_lock()) held.lock();
        lose(j); // nobody waits for it; the failure goes on to the collector's caller
        throw;
    }
    return true;
}

bool files_in_flight::collect(int history, double wait, zip_ready_file& ready)
{
    using clock = std::chrono::steady_clock;
    const clock::duration budget = std::chrono::duration_cast<clock::duration>(std::chrono::duration<double>(wait));
    const clock::time_point until = wait < 0 ? clock::time_point::max() : clock::now() + budget;
    std::unique_lock<std::mutex> held(workers_.lock);
    const auto is_done = [&] {
        auto r = results_.find(history);
        return r == results_.end() || r->second.done || r->second.lost;
    };
    if (!results_.count(history)) return false;
    // Rather than sleep while its file is being extracted, the collector
    // extracts small files that no worker has begun (its own first), until
    // its file is done or its time is up; without workers, every file before
    // its own, in order.
    const bool working = workers_.working();
    for (bool first = true; !is_done(); first = false) {
        if (working && !first && wait >= 0 && clock::now() >= until) break;
        if (!take_one(history, held)) break;
    }
    // The collector waits: the workers are behind (busy elsewhere, or kept
    // from their processors by other programs), so one more takes the queue.
    if (!is_done() && !workers_.queue.empty()) workers_.wake_one();
    waiting_for_ = history;
    bool done = true;
    if (wait < 0) results_ready_.wait(held, is_done);
    else done = results_ready_.wait_until(held, until, is_done);
    waiting_for_ = -1;
    auto r = results_.find(history);
    // Not ready in time, dropped meanwhile, or lost with its worker.
    if (!done || r == results_.end() || r->second.lost) return false;
    ready = std::move(r->second.ready);
    results_.erase(r);
    return true;
}

void files_in_flight::drop_all()
{
    std::lock_guard<std::mutex> held(workers_.lock);
    ++generation_;
    workers_.queue.clear();
    queued_weight_ = 0;
    results_.clear(); // the ready files close and take their unnamed bytes with them
}
