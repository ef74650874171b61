// debug_dump.cpp - address lines, stack traces, hex dumps.
#include "foundation/debug_dump.h"

#include <cctype>
#include <csignal>
#include <cstdint>
#include <cstring>

namespace {

const char* last_path_part(const char* path)
{
    const char* tail = path;
    for (const char* p = path; *p; ++p)
        if (*p == '/' || *p == '\\') tail = p + 1;
    return tail;
}

// Addresses print with at least eight hex digits; a 64-bit address prints whole.
void print_symbol(FILE* out, void* addr)
{
    symbol_info info;
    UTL_get_debug_symbol(addr, &info);
    const auto a = static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(addr));
    std::fprintf(out, "0x%08llx", a);
    if (info.file[0]) std::fprintf(out, " (%s:%d)", last_path_part(info.file), info.line);
    if (info.base != 0 && info.name[0])
        std::fprintf(out, " (%s + %lld)\n", last_path_part(info.name), static_cast<long long>(a) - info.base);
    else if (info.base != 0)
        std::fprintf(out, " (0x%08llx + %lld)\n", static_cast<unsigned long long>(info.base),
                     static_cast<long long>(a) - info.base);
    else
        std::fprintf(out, " (?\?\?)\n");
}

} // namespace

void UTL_debug_init() { std::signal(SIGPIPE, SIG_IGN); }

void UTL_get_debug_symbol(void*, symbol_info* info)
{
    std::memset(info, 0, sizeof *info);
    info->line = -1;
}

int UTL_valid_memory(void*, unsigned int, int, int) { return 1; }

void UTL_dump_stack(FILE* out, stack_frame* frame, void* current)
{
    int n = 0;
    if (current) {
        std::fprintf(out, " % 2d) ", n++);
        print_symbol(out, current);
    }
    while (frame && n < 100 &&
           reinterpret_cast<std::uintptr_t>(frame) < reinterpret_cast<std::uintptr_t>(frame->next)) {
        std::fprintf(out, " % 2d) ", n++);
        print_symbol(out, frame->return_address);
        frame = frame->next;
    }
}

void dump_hex(FILE* out, const void* start, int len)
{
    const auto* p = static_cast<const unsigned char*>(start);
    for (; len > 0; len -= 16, p += 16) {
        for (int i = 0; i < 16; ++i) {
            if (i % 4 == 0) std::fputc(' ', out);
            if (i < len) std::fprintf(out, "%02X", p[i]);
            else std::fputs("  ", out);
        }
        std::fputs("    ", out);
        for (int i = 0; i < 16; ++i) {
            if (i % 4 == 0) std::fputc(' ', out);
            if (i >= len) std::fputc(' ', out);
            else std::fputc(std::isprint(p[i]) ? p[i] : '.', out);
        }
        std::fputc('\n', out);
    }
}
