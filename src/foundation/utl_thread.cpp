// utl_thread.cpp - threads, sleeping, the processor count and critical sections.
//
// Sections: the OS-error alert; threads; the processor count; critical sections.
#include "foundation/utl_thread.h"

#include "foundation/hl_types.h"
#include "foundation/hooks.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static_assert(sizeof(pthread_t) == sizeof(unsigned long), "thread ids are held as unsigned long");

// ---- the OS-error alert ---------------------------------------------------

void UTL_os_error(const char* what, int err, const char* file, int line)
{
    char number[64]; // built per alert: no text is shared between threads
    std::snprintf(number, sizeof number, "err=%f", static_cast<double>(static_cast<float>(err)));
    __MACIBM_alert(0, what, number, "", "", t_exit, file, line);
    std::abort(); // a fatal alert never comes back
}

// ---- threads --------------------------------------------------------------

void UTL_thread_create(UTL_thread_fn fn, void* arg, unsigned long* id1, unsigned long* id2, unsigned long* id3)
{
    pthread_t t;
    UTL_CHECK_OS(pthread_create(&t, nullptr, fn, arg), "\"pthread_create\" OS error");
    *id1 = static_cast<unsigned long>(t);
    *id2 = *id1;
    *id3 = *id1;
}

void* UTL_thread_join(unsigned long* id, unsigned long*)
{
    void* value = nullptr;
    if (const int err = pthread_join(static_cast<pthread_t>(*id), &value)) {
        xer << "Warning: wait on thread cleanup failed with error " << err << "\n";
        return nullptr;
    }
    return value;
}

void UTL_thread_murder(unsigned long* id) { pthread_cancel(static_cast<pthread_t>(*id)); }

void UTL_thread_exit(void* value) { pthread_exit(value); }

void UTL_sleep(int ms)
{
    if (ms <= 0) return;
    // Seconds and nanoseconds apart, so that no multiplication can overflow.
    timespec left{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

unsigned long UTL_get_current_thread() { return static_cast<unsigned long>(pthread_self()); }

// ---- the processor count -----------------------------------------------------

namespace {

int count_model_name_lines(std::FILE* f)
{
    char buf[512]; // a longer line arrives in pieces, each tested on its own
    int n = 0;
    while (std::fgets(buf, sizeof buf, f))
        if (std::strncmp(buf, "model name", 10) == 0) ++n;
    return n;
}

} // namespace

int UTL_count_processors_in(const char* cpuinfo_path)
{
    std::FILE* f = std::fopen(cpuinfo_path, "r");
    if (!f) {
        std::fprintf(stderr,
                     "LINUX: I could not open /proc/cpuinfo to determine how many CPUs you have!\n"
                     "Please make sure that I have read access to that file if you want SMP\n"
                     "support. I'll assume for right now that you have one CPU. The error that\n"
                     "I got was:\n\t%s\n",
                     std::strerror(errno));
        xer << "Linux CPU detect failed -- /proc/cpuinfo couldn't be opened\n";
        return 1;
    }
    const int n = count_model_name_lines(f);
    std::fclose(f);
    if (n == 0) {
        std::fprintf(stderr,
                     "LINUX: I searched /proc/cpuinfo for processors, and did not find any. I\n"
                     "have no idea how your computer is working right now. Please e-mail this\n"
                     "message to %s. In the mean time, I'll assume for right now\n"
                     "that you have one CPU.\n",
                     maker_support_address);
        xer << "Linux CPU detect failed -- no processors in /proc/cpuinfo\n";
        return 1;
    }
    return n;
}

int UTL_count_processors() { return UTL_count_processors_in("/proc/cpuinfo"); }

// ---- critical sections ---------------------------------------------------------

void UTL_critical_section_create(pthread_mutex_t* m)
{
    pthread_mutexattr_t attr;
    UTL_CHECK_OS(pthread_mutexattr_init(&attr), "\"::pthread_mutexattr_init\" OS error");
    UTL_CHECK_OS(pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE), "\"::pthread_mutexattr_settype\" OS error");
    UTL_CHECK_OS(pthread_mutex_init(m, &attr), "\"::pthread_mutex_init\" OS error");
    UTL_CHECK_OS(pthread_mutexattr_destroy(&attr), "\"::pthread_mutexattr_destroy\" OS error");
}

void UTL_critical_section_lock(pthread_mutex_t* m)
{
    UTL_CHECK_OS(pthread_mutex_lock(m), "\"pthread_mutex_lock\" OS error");
}

void UTL_critical_section_unlock(pthread_mutex_t* m)
{
    UTL_CHECK_OS(pthread_mutex_unlock(m), "\"pthread_mutex_unlock\" OS error");
}

void UTL_critical_section_destroy(pthread_mutex_t* m)
{
    UTL_CHECK_OS(pthread_mutex_destroy(m), "\"::pthread_mutex_destroy\" OS error");
}
