// hl_thread.cpp - the worker-thread layer.
//
// Sections: module state; start-up; thread launch; the worker loop and jobs;
// error records; shutdown.
#include "foundation/hl_thread.h"

#include "foundation/exce.h"
#include "foundation/hl_types.h"
#include "foundation/hooks.h"

#include <cxxabi.h>
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>
#include <vector>

// ---- module state ------------------------------------------------------------

namespace {

std::atomic<int> threads_inited{0}; // also read by alerts on threads outside the layer
unsigned long main_thread;          // written by THREAD_init before any worker exists
UTL_message_queue* warn_exce;       // heap exce_class copies of t_alert
UTL_message_queue* quit_exce;       // heap exce_class copies of t_exit
pthread_mutex_t free_calls_lock;    // guards free_calls and next_cookie
THREAD_call* free_calls;            // finished records, last in first out
unsigned int next_cookie;           // last cookie handed out; wraps past 4294967292 to 4
UTL_message_queue* call_queue;      // THREAD_call* or quit_message
std::vector<unsigned long> worker_threads;
std::vector<unsigned long> worker_threads_join;
std::vector<unsigned long> worker_threads_id;

void* const quit_message = reinterpret_cast<void*>(~std::uintptr_t{0});

struct THREAD_launch_rec {
    UTL_thread_fn fn;
    void* arg;
    UTL_message_queue* started_queue; // the new thread posts one null message on it
    int use_loader;                   // make loader_ctx current first
    void* loader_ctx;                 // GLXContext from the window layer
    void* loader_handle;              // handed through, unread
};

// A thread ended by unwinding (exit, cancellation) skips the epilogues that
// clear its frames' guard zones; the address sanitizer then trips over them
// while it tears the thread down. Clear the whole stack before the unwind goes on.
void forget_stack_guards()
{
#if defined(__SANITIZE_ADDRESS__)
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0) return;
    void* low = nullptr;
    size_t size = 0;
    if (pthread_attr_getstack(&attr, &low, &size) == 0) __asan_unpoison_memory_region(low, size);
    pthread_attr_destroy(&attr);
#endif
}

} // namespace

// ---- start-up --------------------------------------------------------------------

void THREAD_init()
{
    main_thread = UTL_get_current_thread();
    UTL_message_queue_create(&warn_exce);
    UTL_message_queue_create(&quit_exce);
    UTL_critical_section_create(&free_calls_lock);
    UTL_message_queue_create(&call_queue);
    threads_inited = 1;
}

int THREAD_is_inited() { return threads_inited; }

int THREAD_is_main_thread() { return UTL_get_current_thread() == main_thread ? 1 : 0; }

void THREAD_make_workers()
{
    const int n = UTL_count_processors();
    xer << "CPU count        : " << n << "\n";
    for (int i = 0; i < n; ++i) {
        unsigned long a, b, c;
        THREAD_create(xtaskproc, nullptr, &a, &b, &c, 1);
        worker_threads.push_back(a);
        worker_threads_join.push_back(c);
        worker_threads_id.push_back(b);
    }
}

// ---- thread launch -----------------------------------------------------------------

void THREAD_create(UTL_thread_fn fn, void* arg, unsigned long* id1, unsigned long* id2, unsigned long* id3,
                   int want_gl)
{
    THREAD_launch_rec rec{fn, arg, nullptr, 0, nullptr, nullptr};
    if (OGL_threaded_avail()) {
        rec.use_loader = want_gl;
        if (want_gl) rec.loader_ctx = MACIBM_make_context_loader(rec.loader_handle);
    }
    UTL_message_queue_create(&rec.started_queue);
    UTL_thread_create(THREAD_launch, &rec, id1, id2, id3);
    UTL_message_queue_read(rec.started_queue, -1); // rec lives on this stack until then
    UTL_message_queue_destroy(rec.started_queue);
}

void* THREAD_launch(void* launch_rec)
{
    const auto* rec = static_cast<const THREAD_launch_rec*>(launch_rec);
    // A failed loader context leaves nothing to make current.
    if (rec->use_loader && rec->loader_ctx) MACIBM_set_context_loader(rec->loader_ctx, rec->loader_handle);
    const UTL_thread_fn fn = rec->fn;
    void* const arg = rec->arg;
    UTL_message_queue_write(rec->started_queue, nullptr);
    return THREAD_guarded_call(fn, arg);
}

// The sanitizer cannot see an object behind the forced unwind it is caught as.
__attribute__((no_sanitize("null"))) void* THREAD_guarded_call(UTL_thread_fn fn, void* arg)
{
    exce_class fatal;
    try {
        return fn(arg);
    } catch (abi::__forced_unwind&) {
        forget_stack_guards();
        throw; // the thread is being ended (pthread_exit, cancellation): swallowing this aborts the process
    } catch (exce_class& e) {
        fatal = e;
        fatal.MakeFatal();
    } catch (std::exception& e) {
        fatal = exce_class("Caught an unhandled C++ exception", e.what(), "", "", __FILE__, __LINE__, t_exit);
    } catch (...) {
        fatal = exce_class("Caught an unhandled unknown exception", "", "", "", __FILE__, __LINE__, t_exit);
    }
    THREAD_send_exception(fatal); // ends this thread; outside the handlers so the exception is finished
    return nullptr;
}

// ---- the worker loop and jobs -----------------------------------------------------------

void* xtaskproc(void*)
{
    for (;;) {
        void* m = UTL_message_queue_read(call_queue, -1);
        if (m == quit_message) return nullptr;
        auto* call = static_cast<THREAD_call*>(m);
        void* r = call->fn(call->arg);
        UTL_critical_section_lock(&call->lock);
        call->result = r; // published before the reply, so the caller reads the final value
        UTL_critical_section_unlock(&call->lock);
        UTL_message_queue_write(call->reply_queue, reinterpret_cast<void*>(std::uintptr_t{call->cookie}));
    }
}

THREAD_call* THREAD_run_async(UTL_thread_fn fn, void* arg)
{
    UTL_critical_section_lock(&free_calls_lock);
    next_cookie += 4; // unsigned: wraps to 0, which is never a cookie
    if (next_cookie == 0) next_cookie = 4;
    const unsigned int cookie = next_cookie;
    THREAD_call* call = free_calls;
    if (call) free_calls = call->next;
    UTL_critical_section_unlock(&free_calls_lock);

    if (!call) {
        call = new THREAD_call;
        UTL_message_queue_create(&call->reply_queue);
        UTL_critical_section_create(&call->lock);
    }
    call->fn = fn;
    call->arg = arg;
    call->result = nullptr;
    call->done = 0;
    call->cookie = cookie;
    UTL_message_queue_write(call_queue, call);
    return call;
}

int THREAD_is_done(THREAD_call* call, int timeout_ms)
{
    THREAD_check_exception(0);
    void* m = UTL_message_queue_read(call->reply_queue, timeout_ms);
    THREAD_check_exception(0);
    if (!m) return 0;
    UTL_critical_section_lock(&call->lock);
    call->done = 1;
    UTL_critical_section_unlock(&call->lock);
    return 1;
}

void* THREAD_cleanup(THREAD_call* call)
{
    THREAD_check_exception(0);
    UTL_critical_section_lock(&call->lock);
    const int done = call->done;
    UTL_critical_section_unlock(&call->lock);
    if (!done) MACIBM_alert(0, "Thread cleanup called on not-done call.", "", "", "", t_exit);
    void* result = call->result;
    UTL_critical_section_lock(&free_calls_lock);
    call->next = free_calls;
    free_calls = call;
    UTL_critical_section_unlock(&free_calls_lock);
    return result;
}

void THREAD_set_last_cookie(unsigned int cookie)
{
    UTL_critical_section_lock(&free_calls_lock);
    next_cookie = cookie;
    UTL_critical_section_unlock(&free_calls_lock);
}

// ---- error records -------------------------------------------------------------------------

void THREAD_send_exception(const exce_class& e)
{
    if (e.alert_type != t_alert && e.alert_type != t_exit) return; // nothing else is ever shown
    if (!threads_inited) { // no main thread to hand it to: shown where it was raised
        exce_class copy(e);
        copy.Report();
        return;
    }
    if (e.alert_type == t_alert) {
        UTL_message_queue_write(warn_exce, new exce_class(e));
    } else if (e.alert_type == t_exit) {
        UTL_message_queue_write(quit_exce, new exce_class(e));
        if (!THREAD_is_main_thread()) UTL_thread_exit(nullptr);
    }
}

namespace {

void drop_all(UTL_message_queue* q)
{
    while (void* m = UTL_message_queue_read(q, 0)) delete static_cast<exce_class*>(m);
}

void report_all(UTL_message_queue* q)
{
    while (void* m = UTL_message_queue_read(q, 0)) {
        std::unique_ptr<exce_class> rec(static_cast<exce_class*>(m)); // freed even if the report throws
        rec->Report();
    }
}

} // namespace

void THREAD_check_exception(int all)
{
    if (!threads_inited) return;
    report_all(quit_exce); // fatal records first
    if (all) report_all(warn_exce);
}

// ---- shutdown ----------------------------------------------------------------------------------

void THREAD_shutdown()
{
    const std::size_t n = worker_threads.size();
    for (std::size_t i = 0; i < n; ++i) UTL_message_queue_write(call_queue, quit_message);
    for (std::size_t i = 0; i < n; ++i) UTL_thread_join(&worker_threads[i], &worker_threads_join[i]);
    // The ids are dead now; a later pool must not join them again.
    worker_threads.clear();
    worker_threads_join.clear();
    worker_threads_id.clear();

    UTL_critical_section_destroy(&free_calls_lock);
    UTL_message_queue_destroy(call_queue);
    while (THREAD_call* call = free_calls) {
        free_calls = call->next;
        UTL_message_queue_destroy(call->reply_queue);
        UTL_critical_section_destroy(&call->lock);
        delete call;
    }
    drop_all(warn_exce); // not reported, but the copies are the layer's to free
    drop_all(quit_exce);
    UTL_message_queue_destroy(warn_exce);
    UTL_message_queue_destroy(quit_exce);
    threads_inited = 0;
    xer << "Clean exit from threads.\n";
}
