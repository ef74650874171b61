// utl_memory.cpp - replacement allocation operators, the memory report and
// the byte-count formatting.
//
// Sections: the two core routines; the global operators; the report; formatting.
#include "foundation/utl_memory.h"

#include "foundation/hl_types.h"
#include "foundation/safe_open.h"
#include "foundation/utl_remote.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

// Named by the link of every program (see CMakeLists.txt), so that these
// operators are linked in even when a sanitizer runtime defines its own first.
extern "C" const int sky_memory_operators = 1;

// ---- the two core routines ------------------------------------------------------
// Every form also replaces the sized releases, so that a sanitizer's own sized
// delete never meets memory that came from malloc here.

void* operator new(std::size_t size, const char*, int)
{
    if (size == 0) size = 1;
    for (;;) {
        if (void* p = std::malloc(size)) return p;
        const std::new_handler handler = std::get_new_handler();
        if (!handler) throw std::bad_alloc();
        handler();
    }
}

void* operator new(std::size_t size, const std::nothrow_t&, const char*, int) noexcept
{
    if (size == 0) size = 1;
    if (void* p = std::malloc(size)) return p;
    for (;;) {
        const std::new_handler handler = std::get_new_handler();
        if (!handler) return nullptr;
        try {
            handler();
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
        if (void* p = std::malloc(size)) return p;
    }
}

// ---- the global operators ----------------------------------------------------------

void* operator new[](std::size_t size, const char* file, int line) { return operator new(size, file, line); }
void* operator new[](std::size_t size, const std::nothrow_t& nt, const char* file, int line) noexcept
{
    return operator new(size, nt, file, line);
}

void* operator new(std::size_t size) { return operator new(size, "anonymous new", 0); }
void* operator new[](std::size_t size) { return operator new(size, "anonymous new[]", 0); }
void* operator new(std::size_t size, const std::nothrow_t& nt) noexcept
{
    return operator new(size, nt, "anonymous new-nt", 0);
}
void* operator new[](std::size_t size, const std::nothrow_t& nt) noexcept
{
    return operator new(size, nt, "anonymous new-nt[]", 0);
}

void operator delete(void* p) noexcept { std::free(p); } // free ignores null
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const char*, int) noexcept { std::free(p); }
void operator delete[](void* p, const char*, int) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&, const char*, int) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&, const char*, int) noexcept { std::free(p); }

// ---- the report -----------------------------------------------------------------------

namespace {

std::atomic<int> first_report{1}; // alerts may report from any thread
UTL_remote_cmd dump_mem_now("Dump Memory Info", DumpMemCmd);

} // namespace

void dump_mem_stats(const char* reason)
{
    xer << "OK check MemoryLog.txt! I just sent him a dump from " << reason << "\n";
    const std::string path = app_path + "MemoryLog.txt";
    const int truncate = first_report.exchange(0); // cleared whether or not the open works
    const int fd = UTL_open_for_writing(path, truncate);
    if (fd >= 0) close(fd);
}

void DumpMemCmd() { dump_mem_stats("Remote Commanded Dump"); }

void UTL_reset_mem_report() { first_report = 1; }

// ---- formatting ------------------------------------------------------------------------------

namespace {

struct mem_unit {
    int shift;
    char suffix;
};

mem_unit unit_of(unsigned long long bytes)
{
    if (bytes > 15032385536ull) return {30, 'G'}; // above 14 GiB
    const double b = static_cast<double>(bytes);
    if (b > 1.4 * 1024 * 1024) return {20, 'M'};
    if (b > 1.4 * 1024) return {10, 'K'};
    return {0, 'B'};
}

} // namespace

unsigned int mem_to_number(unsigned long long bytes)
{
    return static_cast<unsigned int>(bytes >> unit_of(bytes).shift);
}

char mem_to_suffix(unsigned long long bytes) { return unit_of(bytes).suffix; }
