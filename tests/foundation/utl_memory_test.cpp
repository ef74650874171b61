// Allocation operators, the memory report and its file, byte-count units, and
// the remote-command list that triggers the report.
#include "foundation/hl_types.h"
#include "support/testkit.h"
#include "foundation/utl_memory.h"
#include "foundation/utl_remote.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <new>
#include <set>

#if defined(__SANITIZE_ADDRESS__)
// Let an impossible request fail as it does without the sanitizer, instead of
// ending the test program.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }
#endif

namespace {

TEST(MemoryUnits, ThresholdsAndTruncation)
{
    struct unit_case {
        unsigned long long bytes;
        unsigned int number;
        char suffix;
    } cases[] = {
        {0, 0, 'B'},
        {1433, 1433, 'B'},
        {1434, 1, 'K'},
        {2000, 1, 'K'},
        {1468006, 1433, 'K'},
        {1468007, 1, 'M'},
        {8ull << 30, 8192, 'M'},
        {15032385536ull, 14336, 'M'},
        {15032385537ull, 14, 'G'},
        {20ull << 30, 20, 'G'},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(mem_to_number(c.bytes), c.number);
        EXPECT_EQ(mem_to_suffix(c.bytes), c.suffix);
    }
}

TEST(MemoryOperators, ZeroSizesNullDeletesAndTaggedForms)
{
    std::set<void*> seen;
    for (int i = 0; i < 4; ++i) seen.insert(::operator new(0));
    EXPECT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen.count(nullptr), 0u);
    for (void* p : seen) ::operator delete(p);

    ::operator delete(nullptr);
    ::operator delete[](nullptr);
    ::operator delete(nullptr, std::nothrow);
    ::operator delete[](nullptr, std::nothrow);

    int* tagged = new (__FILE__, __LINE__) int(7);
    EXPECT_EQ(*tagged, 7);
    delete tagged;
    char* block = new (std::nothrow, __FILE__, __LINE__) char[64];
    ASSERT_NE(block, nullptr);
    block[63] = 1;
    delete[] block;
}

int handler_calls;
void count_then_give_up()
{
    if (++handler_calls == 3) std::set_new_handler(nullptr);
}
void refuse() { ++handler_calls; throw std::bad_alloc(); }

TEST(MemoryOperators, AFailedRequestRunsTheNewHandlerUntilItGivesUp)
{
    volatile std::size_t impossible = SIZE_MAX / 2; // more than any heap can give
    handler_calls = 0;
    std::set_new_handler(count_then_give_up);
    EXPECT_THROW(static_cast<void>(::operator new(impossible)), std::bad_alloc);
    EXPECT_EQ(handler_calls, 3);

    handler_calls = 0;
    std::set_new_handler(refuse);
    EXPECT_EQ(::operator new[](impossible, std::nothrow), nullptr);
    EXPECT_EQ(handler_calls, 1);
    std::set_new_handler(nullptr);
    EXPECT_EQ(::operator new(impossible, std::nothrow), nullptr);
}

struct report_fixture : testing::Test {
    xer_capture log;
    temp_dir program;
    std::string memory_log = program / "MemoryLog.txt";
    void SetUp() override
    {
        app_path = program.path() + "/";
        UTL_reset_mem_report();
    }
    void TearDown() override { app_path.clear(); }
};

TEST_F(report_fixture, OnlyTheFirstReportOfARunEmptiesTheFile)
{
    struct report_case {
        const char* name;
        bool first_cannot_open; // the first report still counts as the first
        const char* after_first;
    } cases[] = {
        {"a file from an earlier run is emptied", false, ""},
        {"a first report that cannot open its file", true, "from an earlier run"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        UTL_reset_mem_report();
        const std::string before = log.text();
        write_file(memory_log, "from an earlier run");
        app_path = c.first_cannot_open ? program / "missing/" : program.path() + "/";
        dump_mem_stats("first");
        EXPECT_EQ(read_file(memory_log), c.after_first);
        app_path = program.path() + "/";
        write_file(memory_log, "kept");
        dump_mem_stats("second");
        EXPECT_EQ(read_file(memory_log), "kept"); // later reports append
        EXPECT_EQ(log.text().substr(before.size()), "OK check MemoryLog.txt! I just sent him a dump from first\n"
                                                    "OK check MemoryLog.txt! I just sent him a dump from second\n");
    }
}

TEST_F(report_fixture, TheRemoteCommandOfTheReportIsTheFirstRegistered)
{
    const UTL_remote_cmd* first = UTL_remote_cmd::cmd_list;
    ASSERT_NE(first, nullptr);
    while (first->next) first = first->next;
    EXPECT_STREQ(first->name, "Dump Memory Info");
    EXPECT_EQ(first->id, 1);
    UTL_remote_cmd::invoke(nullptr, 1);
    EXPECT_EQ(log.text(), "OK check MemoryLog.txt! I just sent him a dump from Remote Commanded Dump\n");
}

int a_runs, b_runs;

TEST(RemoteCommands, NewestHeadsTheListAndInvokeRunsOnlyTheMatchingId)
{
    static UTL_remote_cmd a("Command A", [] { ++a_runs; }); // commands live as long as the process
    static UTL_remote_cmd b("Command B", [] { ++b_runs; });
    a_runs = b_runs = 0;
    EXPECT_EQ(UTL_remote_cmd::cmd_list, &b);
    EXPECT_EQ(b.next, &a);
    EXPECT_EQ(b.id, a.id + 1);
    EXPECT_EQ(UTL_remote_cmd::free_id, b.id + 1);
    UTL_remote_cmd::invoke(nullptr, b.id);
    UTL_remote_cmd::invoke(nullptr, UTL_remote_cmd::free_id); // no such command
    EXPECT_EQ(b_runs, 1);
    EXPECT_EQ(a_runs, 0);
    UTL_remote_cmd::init_remote_cmds(); // publishing does nothing on this platform
    EXPECT_EQ(b_runs, 1);
}

} // namespace
