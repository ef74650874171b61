// Debug dumps: trace walking and the hex dump layout.
#include "foundation/debug_dump.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string capture(void (*fill)(FILE*, void*), void* arg)
{
    char* buf = nullptr;
    size_t len = 0;
    FILE* f = open_memstream(&buf, &len);
    fill(f, arg);
    std::fclose(f);
    std::string s(buf, len);
    std::free(buf);
    return s;
}

int count_lines(const std::string& s)
{
    int n = 0;
    for (char c : s) n += c == '\n';
    return n;
}

TEST(DebugDump, BrokenPipeIsIgnored)
{
    UTL_debug_init();
    struct sigaction sa;
    sigaction(SIGPIPE, nullptr, &sa);
    EXPECT_EQ(sa.sa_handler, SIG_IGN);
}

TEST(DebugDump, StackWalkStopsAtNullDownwardLinksAndOneHundredLines)
{
    std::vector<stack_frame> chain(150);
    for (size_t i = 0; i < chain.size(); ++i) {
        chain[i].next = i + 1 < chain.size() ? &chain[i + 1] : nullptr;
        chain[i].return_address = reinterpret_cast<void*>(0x1000 + i);
    }
    struct walk_case {
        stack_frame* frame;
        void* current;
        int lines;
    };
    const walk_case cases[] = {
        {nullptr, nullptr, 0},
        {nullptr, reinterpret_cast<void*>(0x42), 1},
        {&chain[0], nullptr, 100},
        {&chain[0], reinterpret_cast<void*>(0x42), 100},
        {&chain[148], nullptr, 1},
    };
    for (const walk_case& c : cases) {
        SCOPED_TRACE(c.lines);
        struct args {
            stack_frame* f;
            void* a;
        } a{c.frame, c.current};
        const std::string out = capture([](FILE* f, void* p) {
            auto* x = static_cast<args*>(p);
            UTL_dump_stack(f, x->f, x->a);
        }, &a);
        EXPECT_EQ(count_lines(out), c.lines);
        if (c.lines == 100) {
            EXPECT_NE(out.find(" 99) "), std::string::npos);
        }
        if (c.current) {
            EXPECT_EQ(out.substr(0, 18), "  0) 0x00000042 (?");
        }
    }
    // A link that points back down ends the walk before printing that frame.
    stack_frame loop[2];
    loop[1].next = &loop[0];
    loop[1].return_address = nullptr;
    stack_frame* start = &loop[1];
    const std::string out = capture([](FILE* f, void* p) { UTL_dump_stack(f, static_cast<stack_frame*>(p), nullptr); }, start);
    EXPECT_EQ(out, "");
}

TEST(DebugDump, HexRowsKeepTheirWidth)
{
    const unsigned char bytes[17] = {0x41, 0x00, 0x7F, 0x20, 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k', 'l', 'm', 'n'};
    struct hex_case {
        int len;
        std::string out;
    };
    const hex_case cases[] = {
        {0, ""},
        {-4, ""},
        {3, " 41007F                                  A..                \n"},
        {17, " 41007F20 62636465 66676869 6A6B6C6D     A..  bcde fghi jklm\n"
             " 6E                                      n                  \n"},
    };
    for (const hex_case& c : cases) {
        SCOPED_TRACE(c.len);
        struct args {
            const unsigned char* p;
            int len;
        } a{bytes, c.len};
        const std::string out = capture([](FILE* f, void* p) {
            auto* x = static_cast<args*>(p);
            dump_hex(f, x->p, x->len);
        }, &a);
        EXPECT_EQ(out, c.out);
    }
}

} // namespace
