// utl_thread.h - the thin layer over POSIX threads: threads, sleeping, the
// processor count, critical sections and message queues. Any thread.
//
// A failing thread call raises the OS-error alert: a t_exit alert whose first
// line names the call ("\"pthread_create\" OS error") and whose second line is
// the error number as "err=%f". It never returns: on the main thread it ends
// the program, on another thread it ends that thread. Only a failed join is
// merely logged.
#pragma once

#include <pthread.h>

#include <ctime>
#include <list>
#include <string>

// ---- threads -------------------------------------------------------------
using UTL_thread_fn = void* (*)(void*);

// Starts a joinable thread on fn(arg); the id lands in all three out-parameters.
void UTL_thread_create(UTL_thread_fn fn, void* arg, unsigned long* id1, unsigned long* id2, unsigned long* id3);
void* UTL_thread_join(unsigned long* id, unsigned long* unused); // exit value; a failure is logged, result then null
void UTL_thread_murder(unsigned long* id);     // asks for cancellation; neither waits nor reports
[[noreturn]] void UTL_thread_exit(void* value); // ends the calling thread
void UTL_sleep(int ms);                        // <= 0 returns at once; any positive int sleeps in full
unsigned long UTL_get_current_thread();        // pthread_self of the caller

// Counts the lines of /proc/cpuinfo that begin "model name"; 1 (with a console
// and a log message) when the file cannot be read or has none.
int UTL_count_processors();
int UTL_count_processors_in(const char* cpuinfo_path); // the same on another file; for tests

// ---- critical sections: recursive mutexes in the caller's storage ---------
void UTL_critical_section_create(pthread_mutex_t* m);  // recursive; usable before main
void UTL_critical_section_lock(pthread_mutex_t* m);    // the holder may lock again
void UTL_critical_section_unlock(pthread_mutex_t* m);  // once; unlocking a section not held is an OS error
void UTL_critical_section_destroy(pthread_mutex_t* m); // the storage stays the caller's

// Raises the OS-error alert for a failed call; what the thread primitives use.
[[noreturn]] void UTL_os_error(const char* what, int err, const char* file, int line);
// Runs a pthread call and raises the OS-error alert, with this location, when it fails.
#define UTL_CHECK_OS(call, what) \
    do { \
        if (const int utl_err_ = (call)) UTL_os_error((what), utl_err_, __FILE__, __LINE__); \
    } while (0)

// ---- message queues ------------------------------------------------------
// Unbounded first-in, first-out queue of opaque pointers between any threads.
// The queue never reads or frees what a message points to.
struct UTL_message_queue {
    pthread_mutex_t mutex;    // guards messages and waiting; a normal mutex
    pthread_cond_t cond;      // readers wait here; timed waits on the monotonic clock
    std::list<void*> messages; // oldest at the front
    int waiting;              // readers inside the waiting part of a read
};

void UTL_message_queue_create(UTL_message_queue** out); // empty, no readers waiting
void UTL_message_queue_write(UTL_message_queue* q, void* msg); // appends; wakes one waiting reader
// Oldest message, removed. timeout_ms 0 polls, -1 waits without limit, > 0 waits
// up to that long; null when nothing arrived (a null message reads as null too).
void* UTL_message_queue_read(UTL_message_queue* q, int timeout_ms);
void UTL_message_queue_destroy(UTL_message_queue* q); // drops pending entries, not what they point to

// The absolute deadline of a read timeout_ms from now on the queues' clock
// (CLOCK_MONOTONIC), so that setting the wall clock neither cuts a wait short
// nor stretches it.
timespec UTL_queue_deadline(int timeout_ms);
timespec UTL_add_ms(timespec now, int ms); // nanoseconds carried into seconds
