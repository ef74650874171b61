// thread_starts.cpp - the counting pthread_create: counts, then hands on to
// the next definition (the C library's, or a sanitizer's in front of it).
#include "support/thread_starts.h"

#include <atomic>
#include <dlfcn.h>
#include <pthread.h>

namespace {
std::atomic<long> started{0};
}

extern "C" int pthread_create(pthread_t* __restrict thread, const pthread_attr_t* __restrict attr,
                              void* (*start)(void*), void* __restrict arg) __THROWNL
{
    using create_fn = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
    static const create_fn next = reinterpret_cast<create_fn>(dlsym(RTLD_NEXT, "pthread_create"));
    const int r = next(thread, attr, start, arg);
    if (r == 0) ++started;
    return r;
}

long TEST_threads_started() { return started.load(); }
