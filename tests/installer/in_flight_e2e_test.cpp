// The end of a run with large files still being extracted, on the real
// program: EXIT ends the process at once and leaves the product folder to the
// next installer; a run that ends on a failed file stops the extractions it
// had started. A disc of a small file and eight files of 512 MiB of zeros (their
// archives take half a megabyte each), none of which gets to finish.
#include "support/disc_fixture.h"
#include "support/e2e_driver.h"
#include "support/testkit.h"
#include "support/zip_builder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int large_files = 8;
constexpr std::uint64_t large_mib = 512; // 4 GiB listed: the destination must have the room
constexpr std::uint64_t started_bytes = 16 << 20; // a file past this has its extraction well under way

using clock_type = std::chrono::steady_clock;

double seconds_since(clock_type::time_point t)
{
    return std::chrono::duration<double>(clock_type::now() - t).count();
}

// Another installer's try for the product folder's lock (flock on its own open).
bool folder_lock_free(const std::string& folder)
{
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool free = flock(fd, LOCK_EX | LOCK_NB) == 0;
    close(fd);
    return free;
}

class InFlight : public ::testing::Test {
protected:
    temp_dir tmp;
    e2e_session x;
    std::string disc, home, dest;

    void SetUp() override
    {
        std::string why;
        ASSERT_TRUE(x.open(&why)) << why;
        disc = tmp / "disc/";
        home = tmp / "home";
        dest = tmp / "Skylume/";
        fs::create_directories(home);
        const std::uintmax_t listed = std::uintmax_t(large_files) * large_mib << 20;
        ASSERT_GT(fs::space(tmp.path()).available, listed + (1u << 30))
            << "the installer offers INSTALL only with room for the " << (listed >> 30) << " GiB listed";
    }
    // The disc: a small file first, then the large ones.
    void make_the_disc()
    {
        std::vector<disc_file> files(1 + large_files);
        files[0].rel = "Resources/first.txt";
        files[0].data = "the first file\n";
        for (int i = 1; i <= large_files; ++i) {
            files[i].rel = "Resources/large " + std::to_string(i) + "/terrain.raw";
            files[i].zero_mib = large_mib;
        }
        make_disc(disc, "Skylume 10", files);
    }
    void start() { x.start(disc, home, {e2e_installer_exe(), "-path", dest, "--pref:_log_actions=1"}); }
    std::string said() { return read_file(home + "/stdout.txt") + read_file(home + "/stderr.txt"); }

    // How many large files the installer extracts at once: its workers, one
    // for each processor it may run on (it inherits this process's affinity,
    // as under taskset), at most eight.
    static std::size_t expected_in_flight()
    {
        cpu_set_t allowed;
        CPU_ZERO(&allowed);
        const int usable = sched_getaffinity(0, sizeof allowed, &allowed) == 0 ? CPU_COUNT(&allowed) : 0;
        const unsigned cores = usable > 0 ? unsigned(usable) : std::thread::hardware_concurrency();
        return std::max(1u, std::min({cores, 8u, unsigned(large_files)}));
    }
    // Waits until every worker has a large file well under way.
    void wait_for_files_in_flight(const std::string& shot)
    {
        const std::size_t wanted = expected_in_flight();
        ASSERT_TRUE(x.wait_for(120, [&] {
            std::size_t under_way = 0;
            for (long long size : unnamed_files(x.pid(), dest)) under_way += size >= (long long)started_bytes;
            return under_way >= wanted;
        }, std::to_string(wanted) + " large files in flight")) << said();
        x.shoot(shot);
    }
    void install_and_agree()
    {
        ASSERT_TRUE(x.wait_for(180, [&] { return x.main_screen_ready(); }, "the ready screen")) << said();
        x.press(at_install);
        ASSERT_TRUE(x.wait_for(60, [&] { return x.sub_window_open(); }, "the licence window")) << said();
        x.press(at_agree);
    }
    // EXIT with the files in flight: the folder is free and the process gone within a second.
    void exit_at_once()
    {
        x.press(at_exit);
        const clock_type::time_point pressed = clock_type::now();
        double freed = -1;
        while (seconds_since(pressed) < 30 && x.running()) {
            if (freed < 0 && folder_lock_free(dest)) freed = seconds_since(pressed);
            usleep(2000);
        }
        const double ended = seconds_since(pressed);
        if (freed < 0 && folder_lock_free(dest)) freed = ended;
        std::printf("EXIT with %zu files of %llu MiB in flight: folder free after %.3f s, process ended after %.3f s\n",
                    expected_in_flight(), (unsigned long long)large_mib, freed, ended);
        std::fflush(stdout); // before the next program is forked with a copy of the buffer
        ASSERT_TRUE(x.wait_end(60));
        EXPECT_EQ(x.exit_status(), 0);
        EXPECT_LT(ended, 1.0) << "the program waited for the extractions in flight";
        EXPECT_GE(freed, 0.0) << "the product folder stayed locked";
        EXPECT_LT(freed, 1.0) << "the product folder stayed locked after EXIT";
    }
    // Nothing of a large file landed, and no temporary name was left.
    void expect_no_large_file()
    {
        for (const auto& e : fs::recursive_directory_iterator(dest)) {
            const std::string name = e.path().filename().string();
            EXPECT_NE(name, "terrain.raw") << e.path();
            EXPECT_EQ(name.rfind(".sky-unzip-", 0), std::string::npos) << e.path();
        }
    }
};

// EXIT with every worker deep in a large file; a second installer started
// right after it takes the same folder and runs, and its EXIT is as quick.
TEST_F(InFlight, ExitWithLargeFilesInFlightEndsAtOnceAndTheNextInstallerRuns)
{
    make_the_disc();
    start();
    install_and_agree();
    wait_for_files_in_flight("first_run_in_flight");
    exit_at_once();
    expect_no_large_file();

    start();
    install_and_agree();
    wait_for_files_in_flight("second_run_in_flight"); // not refused: the folder was free
    EXPECT_EQ(read_file(home + "/Log.txt").find("Another Skylume installer"), std::string::npos);
    exit_at_once();
    expect_no_large_file();
}

// The first file fails (its archive holds other bytes than listed) while the
// large ones after it are being extracted: once its alert is answered the run
// ends, and within a second no extraction of it is left running.
TEST_F(InFlight, ARunEndedByAFailedFileStopsTheExtractionsItStarted)
{
    make_the_disc();
    zip_entry_spec other;
    other.name = "first.txt";
    other.data = "not the first file\n";
    ASSERT_TRUE(make_zip(disc + "Skylume 10/Top/Resources/first.txt.zip", {other}));
    start();
    install_and_agree();
    ASSERT_TRUE(x.wait_for(120, [&] { return x.alert_open(); }, "the extraction alert")) << said();
    wait_for_files_in_flight("alert_with_files_in_flight");
    x.key_return();
    const clock_type::time_point answered = clock_type::now();
    ASSERT_TRUE(x.wait_for(30, [&] { return unnamed_files(x.pid(), dest).empty(); }, "the extractions to stop"));
    const double stopped = seconds_since(answered);
    std::printf("the run's end stopped its extractions after %.3f s\n", stopped);
    std::fflush(stdout);
    EXPECT_LT(stopped, 1.0) << "the extractions of the ended run went on";
    EXPECT_TRUE(folder_lock_free(dest)) << "the ended run kept the product folder";
    ASSERT_TRUE(x.wait_for(30, [&] { return !x.alert_open() && x.exit_offered(); }, "the main screen again"));
    x.shoot("run_ended");
    expect_no_large_file();
    EXPECT_EQ(read_file(dest + "Resources/first.txt"), "") << "the failed file landed";
    x.press(at_exit);
    ASSERT_TRUE(x.wait_end(60));
    EXPECT_EQ(x.exit_status(), 0);
}

} // namespace
