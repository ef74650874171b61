// The tests' X server lives no longer than the test program that started it,
// however that program ends: a crash must not leave an Xvfb running.
#include "support/xvfb.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Gone, or a zombie nobody has reaped yet: either way no longer serving.
bool process_ended(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string pid_field, name, state;
    if (!(stat >> pid_field >> name >> state)) return true;
    return state == "Z" || state == "X";
}

// A test program of its own starts its server, then dies without any clean-up.
pid_t server_of_a_program_ending_by(int signal_number)
{
    int fds[2];
    if (pipe(fds) != 0) return -1;
    const pid_t program = fork();
    if (program < 0) return -1;
    if (program == 0) {
        close(fds[0]);
        xvfb_detail::display_name.clear(); // this process starts a server of its own
        xvfb_detail::server_pid = 0;
        xvfb_display();
        const pid_t server = xvfb_detail::server_pid;
        const rlimit no_core{0, 0}; // a crash on purpose leaves no core file behind
        setrlimit(RLIMIT_CORE, &no_core);
        if (write(fds[1], &server, sizeof server) != sizeof server) _exit(1);
        signal(signal_number, SIG_DFL); // a bare crash, not a sanitizer's report of one
        raise(signal_number);
        _exit(1);
    }
    close(fds[1]);
    pid_t server = -1;
    if (read(fds[0], &server, sizeof server) != sizeof server) server = -1;
    close(fds[0]);
    int status = 0;
    waitpid(program, &status, 0);
    return server;
}

TEST(TestsXServer, EndsWithAProgramThatCrashes)
{
    for (int signal_number : {SIGKILL, SIGSEGV}) {
        SCOPED_TRACE(strsignal(signal_number));
        const pid_t server = server_of_a_program_ending_by(signal_number);
        ASSERT_GT(server, 0) << "no server was started";
        bool ended = false;
        for (int i = 0; i < 250 && !ended; ++i) {
            ended = process_ended(server);
            if (!ended) usleep(20000);
        }
        EXPECT_TRUE(ended) << "the crashed program's Xvfb " << server << " is still running";
        if (!ended) kill(server, SIGKILL);
    }
}

} // namespace
