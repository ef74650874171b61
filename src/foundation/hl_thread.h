// hl_thread.h - the worker-thread layer: which thread is the main one, thread
// start-up through one entry function, a pool of workers fed from one job
// queue, and the two exception queues that carry error records from any thread
// to the main thread.
//
// Start-up and shutdown run on the main thread; the job and error calls may be
// made on any thread. A job goes THREAD_run_async, THREAD_is_done until it
// returns 1, then THREAD_cleanup.
#pragma once

#include "foundation/utl_thread.h"

class exce_class;

// One job; its reply queue and lock are made once and reused with the record.
struct THREAD_call {
    THREAD_call* next;              // link in the free list, meaningful only there
    UTL_message_queue* reply_queue; // receives the cookie once per run
    pthread_mutex_t lock;           // guards result and done
    UTL_thread_fn fn;               // the job function
    void* arg;                      // its argument
    void* result;                   // fn's result; null until the job has run
    int done;                       // 1 once THREAD_is_done has seen the reply
    unsigned int cookie;            // non-zero multiple of 4: the reply, never null
};

// ---- start-up and shutdown (main thread) -----------------------------------
void THREAD_init();           // records the main thread, makes the queues; the layer is up
int THREAD_is_inited();       // 1 between THREAD_init and THREAD_shutdown
int THREAD_is_main_thread();  // 1 on the thread that ran THREAD_init; ask THREAD_is_inited first
void THREAD_make_workers();   // one worker per processor, logged as "CPU count        : n"
void THREAD_shutdown();       // quits and joins the workers, frees the queues; the layer is down

// ---- threads ------------------------------------------------------------------
// Starts fn(arg) on THREAD_launch and returns once the thread runs. With want_gl
// and loader contexts available the thread first gets a shared GL context.
void THREAD_create(UTL_thread_fn fn, void* arg, unsigned long* id1, unsigned long* id2, unsigned long* id3,
                   int want_gl);
// Entry of every thread of THREAD_create: runs the thread function through THREAD_guarded_call.
void* THREAD_launch(void* launch_rec);
// fn(arg) as every thread of the program runs its function: an exception
// escaping it becomes a fatal error record (THREAD_send_exception), which
// ends the calling thread unless it is the main thread; the unwind by which a
// thread is ended (exit, cancellation) passes through untouched. fn's result;
// null after a fatal record on the main thread. Also for the threads of the
// file pools, which are made without THREAD_create.
void* THREAD_guarded_call(UTL_thread_fn fn, void* arg);
void* xtaskproc(void*); // the worker loop; returns null on the quit message

// ---- jobs (any thread) -----------------------------------------------------------
THREAD_call* THREAD_run_async(UTL_thread_fn fn, void* arg); // queues a job for any idle worker
int THREAD_is_done(THREAD_call* call, int timeout_ms);      // 1 once, when the job has finished
void* THREAD_cleanup(THREAD_call* call); // the result; recycles the record; fatal when not done

// ---- error records (any thread) -----------------------------------------------------
// Queues a heap copy for the main thread: t_alert as a warning; t_exit as fatal,
// which then ends the calling thread unless it is the main thread; others are dropped.
void THREAD_send_exception(const exce_class& e);
void THREAD_check_exception(int all); // reports every queued fatal record, then (all) every warning

// Sets the last cookie handed out, so that the next job gets the one after it; for tests.
void THREAD_set_last_cookie(unsigned int cookie);
