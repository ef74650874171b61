// Launching another program in place of this one, and patching a PE header.
#include "files/io_utils.h"

#include "foundation/hl_types.h"
#include "foundation/hooks.h"
#include "files/io_errors.h"
#include "support/testkit.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

std::string finishup_marker; // where the launching child records its ordered exit

void record_finishup(int save) { write_file(finishup_marker, std::to_string(save)); }

// Waits a bounded time for the probe, which nobody waits for, to write its file.
std::string wait_for_file(const std::string& path)
{
    struct stat st;
    for (int i = 0; i < 500 && stat(path.c_str(), &st) != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return read_file(path);
}

TEST(LaunchApp, StartsTheProgramAndEndsThisOne)
{
    const std::string probe = LAUNCH_PROBE;
    const std::string probe_dir = probe.substr(0, probe.rfind('/') + 1);
    struct launch_case {
        const char* name;
        std::string app_dir;  // app_path while launching
        std::string program;
        std::string argument;
        std::string args_seen;
    };
    const launch_case cases[] = {
        {"no argument", "", probe, "", probe + "\n"},
        {"folder argument", "", probe, "/opt/my sky/", probe + "\n-path\n/opt/my sky/\n"},
        {"relative to app_path, trailing slash", probe_dir, "launch_probe/", "x", probe + "\n-path\nx\n"},
    };
    for (const launch_case& c : cases) {
        SCOPED_TRACE(c.name);
        temp_dir dir;
        const std::string out = dir / "args";
        finishup_marker = dir / "finishup";
        const pid_t child = fork(); // launch_app ends the process that calls it
        ASSERT_GE(child, 0);
        if (child == 0) {
            setenv("LAUNCH_PROBE_OUT", out.c_str(), 1);
            MACIBM_set_finishup_hook(record_finishup);
            app_path = c.app_dir;
            launch_app(c.program, c.argument);
            _exit(99); // not reached when the launch worked
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 1);
        EXPECT_EQ(read_file(finishup_marker), "1");
        EXPECT_EQ(wait_for_file(out), c.args_seen);
    }
}

TEST(LaunchApp, ProgramThatCannotStartIsReported)
{
    temp_dir dir;
    write_file(dir / "not_executable", "#!/bin/sh\n");
    chmod((dir / "not_executable").c_str(), 0644);
    struct failure_case {
        std::string program;
        int err;
    };
    const failure_case cases[] = {
        {dir / "missing", ENOENT},
        {dir / "not_executable", EACCES},
        {dir.path(), EACCES}, // a folder
    };
    xer_capture log;
    for (const failure_case& c : cases) {
        SCOPED_TRACE(c.program);
        EXPECT_EQ(launch_app(c.program, "arg"), c.err); // and this process goes on
    }
    const std::string text = log.text();
    EXPECT_NE(text.find("Launching: " + dir / "missing with arg\n"), std::string::npos);
    EXPECT_NE(text.find("Launching failed: " + dir / "missing: No such file or directory"), std::string::npos);
}

TEST(LaunchApp, AFailedForkIsLogged)
{
    temp_dir dir;
    xer_capture log;
    const pid_t child = fork(); // the limit below must not reach the test process
    ASSERT_GE(child, 0);
    if (child == 0) {
        // No process may be added, so launch_app's own fork gets EAGAIN. Root
        // is exempt from the limit: the child gives up root first.
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
        const rlimit no_more_processes{0, 0};
        if (setrlimit(RLIMIT_NPROC, &no_more_processes) != 0) _exit(2);
        const int err = launch_app(dir / "program", "");
        xer.flush();
        _exit(err == EAGAIN ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 2) GTEST_SKIP() << "cannot take away this process's right to fork";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_NE(log.text().find("Launching failed: " + dir / "program: " + error_str(EAGAIN)), std::string::npos);
}

// A 64-byte DOS header pointing at offset 64, then "PE\0\0" and a COFF header.
std::string pe_file(const char* mz, const char* sig, unsigned char characteristics_low)
{
    std::string f(64 + 24, '\0');
    f[0] = mz[0];
    f[1] = mz[1];
    f[60] = 64;
    f.replace(64, 4, sig, 4);
    f[64 + 22] = static_cast<char>(characteristics_low);
    f[64 + 23] = 0x01;
    return f;
}

TEST(LargeAddressAware, SetsTheFlagOnlyInAPeFile)
{
    std::string far = pe_file("MZ", "PE\0\0", 0x02);
    far[60] = 0;
    far[61] = 0x10; // offset 4096: past the end
    struct pe_case {
        const char* name;
        std::string bytes;
        int want;
        std::string after; // empty: unchanged
    };
    const pe_case cases[] = {
        {"executable", pe_file("MZ", "PE\0\0", 0x02), 0, pe_file("MZ", "PE\0\0", 0x22)},
        {"flag already set", pe_file("MZ", "PE\0\0", 0x22), 0, ""},
        {"not MZ", pe_file("ZM", "PE\0\0", 0x02), err_exe_not_mz, ""},
        {"not PE", pe_file("MZ", "NE\0\0", 0x02), err_exe_not_pe, ""},
        {"short DOS header", "MZ", EIO, ""},
        {"PE header past the end", far, EIO, ""},
        {"empty", "", EIO, ""},
    };
    temp_dir dir;
    for (const pe_case& c : cases) {
        SCOPED_TRACE(c.name);
        write_file(dir / "app.exe", c.bytes);
        EXPECT_EQ(make_file_large_address_aware(dir / "app.exe"), c.want);
        EXPECT_EQ(read_file(dir / "app.exe"), c.after.empty() ? c.bytes : c.after);
    }
    EXPECT_EQ(make_file_large_address_aware(dir / "missing.exe"), ENOENT);
}

} // namespace
