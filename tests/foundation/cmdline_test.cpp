// Option store: parsing, the log lines it writes, and the informational options
// run in a child process so that their exit and bytes are seen as a user sees them.
#include "foundation/cmdline.h"
#include "foundation/hl_types.h"
#include "support/testkit.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <vector>

namespace {

void parse(UTL_cmdline& c, std::vector<const char*> words)
{
    words.insert(words.begin(), "installer");
    c.init_unix(static_cast<int>(words.size()), words.data());
}

TEST(Cmdline, WordsBecomeNamesAndValues)
{
    struct word_case {
        std::vector<const char*> words;
        const char* name;
        int present;
        const char* value;
    };
    const word_case cases[] = {
        {{}, "--fps_test", 0, ""},
        {{"--fps_test=3"}, "--fps_test", 1, "3"},
        {{"--fps_test=3", "--fps_test=5"}, "--fps_test", 1, "5"},
        {{"--pref:_lang=2=3"}, "--pref:_lang", 1, "2=3"},
        {{"--no_dds="}, "--no_dds", 1, ""},
        {{"=abc"}, "", 1, "abc"},
        {{"-path", "/opt/sky"}, "/opt/sky", 1, ""},
        {{"--HELP"}, "--HELP", 1, ""},
    };
    for (const word_case& c : cases) {
        SCOPED_TRACE(c.words.empty() ? "(none)" : c.words[0]);
        xer_capture log;
        UTL_cmdline store;
        parse(store, c.words);
        EXPECT_EQ(store.has_option(c.name), c.present);
        EXPECT_EQ(store.get_option(c.name), c.value);
    }
}

TEST(Cmdline, AbsentNameIsNotAddedByAQuery)
{
    UTL_cmdline store;
    EXPECT_EQ(store.get_option("--nothing"), "");
    EXPECT_EQ(store.has_option("--nothing"), 0);
}

TEST(Cmdline, LogEchoesEveryWordAndWarnsOnRepeats)
{
    struct log_case {
        std::vector<const char*> words;
        const char* log;
    };
    const log_case cases[] = {
        {{}, ""},
        {{"--fps_test=3", "--fps_test=5"},
         "     '--fps_test'='3'\n"
         "WARNING: command line option --fps_test=5included twice.\n"
         "     '--fps_test'='5'\n"},
        {{"--no_dds", "--no_dds"},
         "     '--no_dds'\n"
         "WARNING: command line option --no_dds=included twice.\n"
         "     '--no_dds'\n"},
        {{"--no_dds="}, "     '--no_dds'\n"},
    };
    for (const log_case& c : cases) {
        SCOPED_TRACE(c.log);
        xer_capture log;
        UTL_cmdline store;
        parse(store, c.words);
        EXPECT_EQ(log.text(), c.log);
    }
}

TEST(Cmdline, OneStringSplitsAtBlanksAndSkipsEmptyNames)
{
    xer_capture log;
    UTL_cmdline store;
    store.init_win("  --fps_test=3\t =skip  foo --pref:a=b=c --x =y");
    EXPECT_EQ(store.get_option("--fps_test"), "3");
    EXPECT_EQ(store.has_option("foo"), 1);
    EXPECT_EQ(store.get_option("--pref:a"), "b=c");
    EXPECT_EQ(store.has_option("--x"), 1);
    EXPECT_EQ(store.has_option(""), 0);
    EXPECT_EQ(log.text(), "     '--fps_test'='3'\n     'foo'\n     '--pref:a'='b=c'\n     '--x'\n");
}

struct run_result {
    std::string out;
    int status;
};

run_result run_probe(const std::string& args)
{
    const std::string command = std::string(CMDLINE_PROBE) + " " + args;
    FILE* p = popen(command.c_str(), "r");
    run_result r{{}, -1};
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    const int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

TEST(CmdlineProcess, InformationalOptionsPrintAndExit)
{
    const std::string usage = read_file(std::string(FIXTURES_DIR) + "/usage.txt");
    ASSERT_FALSE(usage.empty());
    struct process_case {
        const char* args;
        std::string out;
    };
    const process_case cases[] = {
        {"", "parsed\n"},
        {"--help", usage},
        {"-h", usage},
        {"'  --help'", "parsed\n"},
        {"--help=x", usage},
        {"--cmnds=all", "sim/operation/none" + std::string(50 - 18, ' ') + " Do nothing at all!\n"},
        {"--cmnds=all --help", "sim/operation/none" + std::string(50 - 18, ' ') + " Do nothing at all!\n"},
        {"--cmnds", "sim/\n"},
        {"--cmnds=sim/", "operation/\n"},
        {"--cmnds=sim/operation/", "none\n"},
        {"--cmnds=sim/operation/none", ""},
    };
    for (const process_case& c : cases) {
        SCOPED_TRACE(c.args);
        const run_result r = run_probe(c.args);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, c.out);
    }
}

} // namespace
