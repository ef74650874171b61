// job_workers.h - a fixed set of worker threads over one queue of jobs, for
// the pools whose results wait, under the queue's own lock, until the thread
// that handed the jobs out takes them.
#pragma once

#include "foundation/hl_thread.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

template <class Job>
class job_workers {
public:
    // `run` does one job on a worker. It is called with `held` locked and the
    // job already off the queue; it unlocks for the work and locks again to
    // leave its result for the owner.
    using runner = std::function<void(Job&, std::unique_lock<std::mutex>&)>;
    // A job whose run threw (no memory inside an extraction): called with
    // `held` locked, so that the owner stops waiting for its result. The
    // worker then ends through the thread layer's fatal record, which the
    // main thread shows before the program ends; the others go on.
    using loser = std::function<void(Job&)>;

    job_workers(unsigned wanted, runner run, loser lost)
        : wanted_(wanted), run_(std::move(run)), lost_(std::move(lost))
    {
    }
    // Drops the jobs not started and joins the workers. Declared as the last
    // member of its owner, the workers end before the results they write to.
    ~job_workers()
    {
        {
            std::lock_guard<std::mutex> held(lock);
            stop_ = true;
            queue.clear();
        }
        jobs_ready_.notify_all();
        for (std::thread& t : threads_) t.join();
    }
    job_workers(const job_workers&) = delete;
    job_workers& operator=(const job_workers&) = delete;

    mutable std::mutex lock; // the queue's, and the owner's results'
    std::deque<Job> queue; // under lock, in hand-out order

    // The workers, started once, without the lock held; fewer or none when
    // no thread can be had, and then the owner does the jobs itself.
    void start()
    {
        if (started_) return;
        started_ = true;
        try {
            for (unsigned i = 0; i < wanted_; ++i)
                threads_.emplace_back(THREAD_guarded_call, &job_workers::serve, this);
        } catch (const std::system_error&) {
        }
    }
    bool working() const { return !threads_.empty(); }
    unsigned wanted() const { return wanted_; }

    // With lock held: the job goes to the back of the queue, for a worker.
    void push(Job j)
    {
        queue.push_back(std::move(j));
        wake_one();
    }
    // With lock held: the job goes to the back of the queue and no worker is
    // woken for it; a worker takes it when it ends its job, or after wake_one.
    void push_quietly(Job j) { queue.push_back(std::move(j)); }
    // With lock held: wakes one sleeping worker, if any; false when none slept
    // that had not been woken already.
    // A worker woken and not yet running counts as awake: on a busy machine it
    // may wait for a processor a while, and meanwhile more work must not wake
    // every other worker for what the first will take.
    bool wake_one()
    {
        if (sleeping_ <= waking_) return false;
        ++waking_;
        jobs_ready_.notify_one();
        return true;
    }
    // With lock held: the workers started and not waiting for a job, or woken for one.
    unsigned awake() const { return static_cast<unsigned>(threads_.size()) - sleeping_ + waking_; }

private:
    static void* serve(void* self)
    {
        static_cast<job_workers*>(self)->work();
        return nullptr;
    }
    void work()
    {
        std::unique_lock<std::mutex> held(lock);
        for (;;) {
            // A worker goes on with the next job without sleeping; it sleeps only
            // when the queue is empty, and then counts as sleeping until it wakes.
            while (!stop_ && queue.empty()) {
                ++sleeping_;
                jobs_ready_.wait(held);
                --sleeping_;
                if (waking_ > 0) --waking_; // this one, or one woken for nothing: counted once either way
            }
            if (queue.empty()) return; // stopping, nothing left
            Job j = std::move(queue.front());
            queue.pop_front();
            try {
                run_(j, held);
            } catch (...) {
                if (!held.owns_lock()) held.lock();
                lost_(j);
                throw; // to THREAD_guarded_call, with the lock let go on the way
            }
        }
    }

    unsigned wanted_;
    runner run_;
    loser lost_;
    bool started_ = false;
    bool stop_ = false;
    unsigned sleeping_ = 0; // under lock: workers waiting for a job
    unsigned waking_ = 0;   // under lock: of those, the ones notified and not yet running
    std::condition_variable jobs_ready_;
    std::vector<std::thread> threads_;
};
