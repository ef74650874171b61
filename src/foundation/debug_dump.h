// debug_dump.h - debugging services on standard I/O streams. Any thread.
#pragma once

#include <cstdio>

struct symbol_info {
    char name[1024];     // object containing the address; only its last path part is printed
    long long base;      // start address of that object; 0 = none found
    char aux_name[1024]; // cleared, not printed
    int aux_value;       // cleared, not printed
    char file[1024];     // source file of the address
    int line;            // line in that file; -1 = none found
};

// One link of a frame-pointer chain as the calling convention lays it out.
struct stack_frame {
    stack_frame* next;    // the caller's frame
    void* return_address; // into the caller
};

void UTL_debug_init(); // ignores SIGPIPE: writes to a closed socket fail instead of ending the process
void UTL_get_debug_symbol(void* addr, symbol_info* info); // finds nothing on this platform
int UTL_valid_memory(void* start, unsigned int len, int, int); // 1: accepted
// Numbered trace: the current address as line 0, then the chain while it leads upward, 100 lines at most.
void UTL_dump_stack(FILE* out, stack_frame* frame, void* current);
void dump_hex(FILE* out, const void* start, int len); // rows of 16 bytes, hex and text
