// utl_memory.h - the program's allocation operators and the memory report.
//
// Every new and delete of the program goes through the operators of
// utl_memory.cpp, which take memory from malloc and give it back with free.
// The tagged forms carry a source position that nothing reads.
#pragma once

#include <cstddef>
#include <new>

void* operator new(std::size_t size, const char* file, int line);   // throws std::bad_alloc
void* operator new[](std::size_t size, const char* file, int line);
void* operator new(std::size_t size, const std::nothrow_t&, const char* file, int line) noexcept; // null on failure
void* operator new[](std::size_t size, const std::nothrow_t&, const char* file, int line) noexcept;
// Matching releases, run when a constructor of a tagged new throws.
void operator delete(void* p, const char* file, int line) noexcept;
void operator delete[](void* p, const char* file, int line) noexcept;
void operator delete(void* p, const std::nothrow_t&, const char* file, int line) noexcept;
void operator delete[](void* p, const std::nothrow_t&, const char* file, int line) noexcept;

// Writes "OK check MemoryLog.txt! I just sent him a dump from <reason>" to the
// log and creates (first report of the run: empties) app_path + "MemoryLog.txt".
void dump_mem_stats(const char* reason);
void DumpMemCmd(); // the remote command "Dump Memory Info"
void UTL_reset_mem_report(); // the next report is the first of the run again; for tests

// A byte count as a number and its unit letter ('G', 'M', 'K' or 'B'); the
// number is truncated.
unsigned int mem_to_number(unsigned long long bytes);
char mem_to_suffix(unsigned long long bytes);
