// utl_queue.cpp - message queues: unbounded FIFO of pointers between threads.
#include "foundation/utl_thread.h"

#include <cerrno>

namespace {

void unlock_queue(UTL_message_queue* q)
{
    UTL_CHECK_OS(pthread_mutex_unlock(&q->mutex), "\"pthread_mutex_unlock\" OS error");
}

// Waits once on the queue's condition; 0 when woken, ETIMEDOUT or another error.
int wait_once(UTL_message_queue* q, int timeout_ms, const timespec& deadline)
{
    if (timeout_ms == -1) return pthread_cond_wait(&q->cond, &q->mutex);
    return pthread_cond_timedwait(&q->cond, &q->mutex, &deadline);
}

// A reader counted in `waiting` while it holds the queue's mutex. A wait is a
// cancellation point that takes the mutex back before the thread unwinds: the
// destructor then uncounts the reader and unlocks, so a cancelled reader never
// leaves the queue locked for the writers and the shutdown.
class waiting_reader {
public:
    explicit waiting_reader(UTL_message_queue* queue) : q(queue) { ++q->waiting; }
    ~waiting_reader()
    {
        if (!q) return;
        --q->waiting;
        pthread_mutex_unlock(&q->mutex);
    }
    waiting_reader(const waiting_reader&) = delete;
    waiting_reader& operator=(const waiting_reader&) = delete;
    void leave() // uncounts the reader and unlocks; the normal way out
    {
        UTL_message_queue* held = q;
        q = nullptr;
        --held->waiting;
        unlock_queue(held);
    }

private:
    UTL_message_queue* q;
};

} // namespace

timespec UTL_add_ms(timespec now, int ms)
{
    timespec t{now.tv_sec + ms / 1000, now.tv_nsec + static_cast<long>(ms % 1000) * 1000000L};
    if (t.tv_nsec > 999999999L) { // both parts are below one second, so one carry suffices
        t.tv_nsec -= 1000000000L;
        t.tv_sec += 1;
    }
    return t;
}

timespec UTL_queue_deadline(int timeout_ms)
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return UTL_add_ms(now, timeout_ms);
}

void UTL_message_queue_create(UTL_message_queue** out)
{
    auto* q = new UTL_message_queue;
    q->waiting = 0;
    *out = q;
    UTL_CHECK_OS(pthread_mutex_init(&q->mutex, nullptr), "\"::pthread_mutex_init\" OS error");
    pthread_condattr_t attr;
    UTL_CHECK_OS(pthread_condattr_init(&attr), "\"::pthread_cond_init\" OS error");
    UTL_CHECK_OS(pthread_condattr_setclock(&attr, CLOCK_MONOTONIC), "\"::pthread_cond_init\" OS error");
    UTL_CHECK_OS(pthread_cond_init(&q->cond, &attr), "\"::pthread_cond_init\" OS error");
    pthread_condattr_destroy(&attr);
}

void UTL_message_queue_write(UTL_message_queue* q, void* msg)
{
    UTL_CHECK_OS(pthread_mutex_lock(&q->mutex), "\"pthread_mutex_lock\" OS error");
    // Signalled before the append, but the woken reader needs the mutex to look.
    if (q->waiting > 0) UTL_CHECK_OS(pthread_cond_signal(&q->cond), "\"pthread_cond_signal\" OS error");
    q->messages.push_back(msg);
    unlock_queue(q);
}

void* UTL_message_queue_read(UTL_message_queue* q, int timeout_ms)
{
    timespec deadline{};
    if (timeout_ms != 0 && timeout_ms != -1) deadline = UTL_queue_deadline(timeout_ms); // fixed for the call
    UTL_CHECK_OS(pthread_mutex_lock(&q->mutex), "\"pthread_mutex_lock\" OS error");
    if (timeout_ms == 0 && q->messages.empty()) {
        unlock_queue(q);
        return nullptr;
    }
    waiting_reader reader(q);
    while (q->messages.empty()) {
        const int err = wait_once(q, timeout_ms, deadline);
        if (err == 0) continue; // a signal, a spurious wake-up, or a message taken by another reader
        reader.leave(); // never leave the mutex held by a thread the alert is about to end
        if (err == ETIMEDOUT) return nullptr;
        UTL_os_error("\"pthread_cond_timedwait\" OS error", err, __FILE__, __LINE__);
    }
    void* msg = q->messages.front();
    q->messages.pop_front();
    reader.leave();
    return msg;
}

void UTL_message_queue_destroy(UTL_message_queue* q)
{
    UTL_CHECK_OS(pthread_mutex_destroy(&q->mutex), "\"::pthread_mutex_destroy\" OS error");
    UTL_CHECK_OS(pthread_cond_destroy(&q->cond), "\"::pthread_cond_desroy\" OS error");
    delete q;
}
