// A disc install with its next files extracted on workers: each file of the
// product changes only in its own turn, the log keeps install order, a failure
// stops the run with every later file as it was, and a cancelled run leaves
// nothing behind for the next one. The steps are taken as the window takes
// them, never waiting for a file still in flight.
#include "engine/files_in_flight.h"
#include "engine/install_records.h"
#include "engine/manifest.h"
#include "engine/product_lock.h"
#include "engine/stg.h"
#include "engine/streams.h"
#include "files/md5_pool.h"
#include "engine_fixture.h"
#include "foundation/hl_types.h"
#include "foundation/hl_thread.h"
#include "support/disc_fixture.h"
#include "support/thread_starts.h"
#include "support/zip_builder.h"

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int file_count = 24;

std::string name_of(int i) { return "Resources/f" + std::to_string(100 + i) + ".txt"; }
std::string old_bytes(int i) { return "old " + std::to_string(i) + "\n"; }
// Some files large enough to take a while, so that later ones finish first.
// The first is so large that no worker has it ready on the step that hands it out.
std::string new_bytes(int i)
{
    if (i == 0) return std::string(8 << 20, 'a');
    return std::string(i % 5 == 0 ? 400000 + 1000 * i : 10 + i, char('a' + i % 26));
}

class FilesInFlight : public disc_install_fixture {
protected:
    void SetUp() override
    {
        disc_install_fixture::SetUp();
        stg.log_actions = 1;
        std::vector<disc_file> files;
        for (int i = 0; i < file_count; ++i) {
            files.push_back({name_of(i), new_bytes(i), 0100644, 0, {md5_of(old_bytes(i))}, false, 0});
            put_file(name_of(i), old_bytes(i));
        }
        make_disc(disc, set, files);
    }
    void TearDown() override
    {
        next.file_wait = -1;
        disc_install_fixture::TearDown();
    }
    std::string log() { xer.flush(); return read_file(log_path); }
    std::string expanding(int i) { return "EXPANDING file " + product + name_of(i) + ", with result="; }

    // Install steps that never wait for a file, until the run ends or `until`
    // holds; after each one, a file the engine has not yet counted as
    // installed still holds its old bytes. The last step's result.
    template <class Until>
    int step_without_waiting(Until until)
    {
        next.file_wait = 0;
        for (long step = 0; step < 10000000; ++step) {
            const int r = grab_files();
            for (int h = 0; h < static_cast<int>(sim_info.size()); ++h) {
                const file_version_struct& v = ENG_current_version(h);
                if (v.up_to_date || !v.want_install) continue;
                const int i = std::stoi(v.path.substr(v.path.rfind('f') + 1)) - 100;
                if (read_file(product + name_of(i)) != old_bytes(i)) {
                    ADD_FAILURE() << name_of(i) << " changed before its turn";
                    return -1;
                }
            }
            if (r || until()) return r;
        }
        ADD_FAILURE() << "the run never ended";
        return -1;
    }
    // History h's archive handed to `flight` as the install step hands it out.
    void hand_out_to(files_in_flight& flight, int h)
    {
        const file_version_struct& v = ENG_current_version(h);
        zip_listed_file listed = ENG_listed_file(v);
        listed.root = app_path + listed.root;
        flight.hand_out(h, app_path + disc + set + "/" + v.path + ".zip", listed,
                        static_cast<std::uint64_t>(v.disk_kb) * 1024);
    }
    void expect_no_leftovers()
    {
        for (const auto& entry : fs::recursive_directory_iterator(dest_dir_path))
            EXPECT_EQ(entry.path().filename().string().find(".sky"), std::string::npos) << entry.path();
    }
};

TEST_F(FilesInFlight, EachFileChangesInItsTurnAndTheLogKeepsInstallOrder)
{
    ASSERT_TRUE(prepare_install());
    next.file_wait = 0;
    EXPECT_EQ(grab_files(), 0);
    EXPECT_EQ(next.disk_kb_done, 0) << "the step waited for a file in flight";
    EXPECT_EQ(step_without_waiting([] { return false; }), 1);
    EXPECT_EQ(stg.install_error, 0);
    EXPECT_TRUE(alerts.alerts().empty());
    const std::string text = log();
    std::size_t last = 0;
    for (int i = 0; i < file_count; ++i) {
        SCOPED_TRACE(name_of(i));
        const std::size_t at = text.find(expanding(i) + "0.\n");
        ASSERT_NE(at, std::string::npos);
        EXPECT_TRUE(i == 0 || at > last) << "out of install order";
        EXPECT_EQ(text.find(expanding(i), at + 1), std::string::npos) << "expanded twice";
        last = at;
        EXPECT_EQ(read_file(dest_dir_path + name_of(i)), new_bytes(i));
    }
    expect_no_leftovers();
}

TEST_F(FilesInFlight, AFailureStopsTheRunAndLaterFilesKeepTheirOldBytes)
{
    constexpr int bad = 11;
    const std::string leaf = name_of(bad).substr(name_of(bad).rfind('/') + 1);
    ASSERT_TRUE(make_zip(disc + set + "/Top/" + name_of(bad) + ".zip", {{leaf, "tampered"}}));
    ASSERT_TRUE(prepare_install());
    EXPECT_NE(step_without_waiting([] { return false; }), 0);
    EXPECT_EQ(stg.install_error, 1);
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].lines.l1, "The installer cannot extract a file.");
    const std::string text = log();
    EXPECT_NE(text.find("differs from the listed signature"), std::string::npos);
    for (int i = 0; i < file_count; ++i) {
        SCOPED_TRACE(name_of(i));
        EXPECT_EQ(read_file(product + name_of(i)), i < bad ? new_bytes(i) : old_bytes(i));
        EXPECT_EQ(text.find(expanding(i)) != std::string::npos, i <= bad);
    }
    next.reset_all_streams(); // as the window does when the run ends
    expect_no_leftovers();
}

// The user cancels with files in flight, picks another folder and installs
// again: nothing of the first run lands anywhere after the cancel, and the
// second run installs every file once, into the new folder.
TEST_F(FilesInFlight, ACancelledRunLeavesNothingAndTheNextRunInstallsEverything)
{
    ASSERT_TRUE(prepare_install());
    // One step: the large first file and those after it are still being extracted.
    EXPECT_EQ(step_without_waiting([] { return true; }), 0);
    next.reset_all_streams(); // the user's cancel, with files in flight
    std::vector<std::string> at_cancel;
    for (int i = 0; i < file_count; ++i) at_cancel.push_back(read_file(product + name_of(i)));
    ENG_unlock_product_folder();
    const std::string other = tmp / "Other/";
    fs::create_directories(other);
    dest_dir_path = other;
    const std::size_t first_run = log().size();
    next.file_wait = -1; // the second run waits for its files: its step count is bounded
    EXPECT_EQ(run_install(), 1);
    EXPECT_EQ(stg.install_error, 0);
    const std::string second_run = log().substr(first_run);
    for (int i = 0; i < file_count; ++i) {
        SCOPED_TRACE(name_of(i));
        EXPECT_EQ(read_file(dest_dir_path + name_of(i)), new_bytes(i));
        EXPECT_EQ(read_file(product + name_of(i)), at_cancel[i]) << "changed after the cancel";
        const std::string line = "EXPANDING file " + other + name_of(i) + ", with result=0.\n";
        const std::size_t at = second_run.find(line);
        ASSERT_NE(at, std::string::npos);
        EXPECT_EQ(second_run.find(line, at + 1), std::string::npos);
    }
    expect_no_leftovers();
}

// The workers start once, with the first file handed out, and serve every
// later run; no file starts a thread of its own, its digest included, however
// large it is.
TEST_F(FilesInFlight, ThreadsStartWithThePoolNeverPerFile)
{
    ASSERT_TRUE(prepare_install());
    const long before_first = TEST_threads_started();
    EXPECT_EQ(step_without_waiting([] { return false; }), 1);
    const long first_run = TEST_threads_started() - before_first;
    EXPECT_LE(first_run, long(md5_pool::default_workers())) << "more threads than workers";
    ENG_unlock_product_folder();
    const std::string other = tmp / "Other/";
    fs::create_directories(other);
    dest_dir_path = other;
    ASSERT_TRUE(prepare_install());
    next.file_wait = -1; // each step waits for its file: the step count is bounded
    const long before_second = TEST_threads_started();
    int r = 0;
    for (int step = 0; step < 1000 && r == 0; ++step) r = grab_files();
    EXPECT_EQ(r, 1);
    EXPECT_EQ(TEST_threads_started(), before_second) << "the second run started threads";
    for (int i = 0; i < file_count; ++i) EXPECT_EQ(read_file(other + name_of(i)), new_bytes(i)) << name_of(i);
}

// A small file that no worker has begun is extracted by the collector when
// its turn comes, instead of waiting for a worker busy with larger ones.
TEST_F(FilesInFlight, TheCollectorTakesASmallFileNoWorkerHasBegun)
{
    ASSERT_TRUE(prepare_install());
    files_in_flight flight(1);
    // f100 (8 MiB) and f105 (405 kB) keep the one worker busy, in that order, while f101 (11 bytes) waits.
    for (int h : {0, 5, 1}) hand_out_to(flight, h);
    zip_ready_file ready;
    ASSERT_TRUE(flight.collect(1, 0, ready)) << "the small file was waited for";
    EXPECT_EQ(zip_put_in_place(ready), 0);
    for (int h : {0, 5}) {
        zip_ready_file big;
        ASSERT_TRUE(flight.collect(h, -1, big));
        EXPECT_EQ(zip_put_in_place(big), 0);
    }
    for (int i : {0, 1, 5}) EXPECT_EQ(read_file(product + name_of(i)), new_bytes(i)) << name_of(i);
}

// Without a worker thread the collector extracts the files itself, in order.
TEST_F(FilesInFlight, WithoutWorkersTheCollectorExtractsInOrder)
{
    ASSERT_TRUE(prepare_install());
    files_in_flight flight(0);
    for (int h = 0; h < 3; ++h) hand_out_to(flight, h);
    EXPECT_EQ(flight.held(), 3u);
    for (int h = 0; h < 3; ++h) {
        zip_ready_file ready;
        ASSERT_TRUE(flight.collect(h, 0, ready));
        EXPECT_EQ(ready.err, 0) << ready.log;
        EXPECT_EQ(zip_put_in_place(ready), 0);
    }
    EXPECT_EQ(flight.held(), 0u);
    zip_ready_file none;
    EXPECT_FALSE(flight.collect(3, 0, none)); // never handed out
}

// ---- a run that ends with files in flight, a worker that fails ---------------------------

using clock_type = std::chrono::steady_clock;

double seconds_since(clock_type::time_point t)
{
    return std::chrono::duration<double>(clock_type::now() - t).count();
}

// The bytes written so far of the file being extracted into folder: without a
// name, or under its temporary name; -1 when none is there.
long long in_progress(const std::string& folder)
{
    for (long long size : unnamed_files(getpid(), folder)) return size;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().filename().string().rfind(".sky-unzip-", 0) == 0) return (long long)e.file_size();
    return -1;
}

// An archive of one small file, and the listed file it is for.
zip_listed_file small_file(const std::string& folder, const std::string& name, const std::string& bytes)
{
    zip_entry_spec e;
    e.name = name;
    e.data = bytes;
    EXPECT_TRUE(make_zip(folder + name + ".zip", {e}));
    return {folder, name, 0, md5_of(bytes)};
}

// A cancel while a worker is deep in a file of 2 GiB: the extraction stops at
// once and its file goes, whether it had no name or a temporary one; nothing
// lands, and the worker takes the next run's file straight away.
TEST(FilesInFlightDrop, ADropStopsAnExtractionMidFileAndNothingLands)
{
    constexpr std::uint64_t big_mib = 2048;
    temp_dir tmp;
    const std::string disc = tmp / "disc/";
    fs::create_directories(disc);
    ASSERT_TRUE(make_zip(disc + "big.raw.zip", {zeros_entry("big.raw", big_mib)}));
    // The file never finishes: its signature, which it would be checked against, is only a placeholder.
    const std::string never_checked(32, '0');
    const struct drop_case {
        const char* name;
        bool unnamed;
    } cases[] = {{"a file without a name", true}, {"a file under a temporary name", false}};
    for (const drop_case& c : cases) {
        SCOPED_TRACE(c.name);
        zip_use_unnamed_files(c.unnamed);
        const std::string out = tmp / (std::string(c.unnamed ? "unnamed" : "named") + "/");
        fs::create_directories(out);
        files_in_flight flight(1);
        flight.hand_out(0, disc + "big.raw.zip", {out, "big.raw", 0, never_checked}, big_mib << 20);
        const clock_type::time_point handed = clock_type::now();
        while (in_progress(out) < (16 << 20) && seconds_since(handed) < 60) usleep(1000);
        ASSERT_GE(in_progress(out), 16 << 20) << "the extraction never got under way";

        const clock_type::time_point dropped = clock_type::now();
        flight.drop_all();
        long long last = 0;
        for (long long now; (now = in_progress(out)) >= 0 && seconds_since(dropped) < 60; usleep(1000)) last = now;
        const double stopped = seconds_since(dropped);
        EXPECT_LT(stopped, 0.5) << "the dropped extraction went on";
        EXPECT_LT(last, (long long)(big_mib << 20)) << "the file was written to its end";
        EXPECT_FALSE(flight.holds(0));
        EXPECT_TRUE(fs::is_empty(out)) << "something of the dropped file landed";

        const zip_listed_file next = small_file(out, "next.txt", "the next run's file\n");
        flight.hand_out(1, out + "next.txt.zip", next, 20);
        zip_ready_file ready;
        const clock_type::time_point next_handed = clock_type::now();
        ASSERT_TRUE(flight.collect(1, 30, ready));
        EXPECT_LT(seconds_since(next_handed), 1.0) << "the next file waited for the dropped one";
        EXPECT_EQ(zip_put_in_place(ready), 0) << ready.log;
        EXPECT_EQ(read_file(out + "next.txt"), "the next run's file\n");
    }
    zip_use_unnamed_files(true);
}

int extract_or_run_out_of_memory(const std::string& zip_file, const zip_listed_file& listed, zip_ready_file& ready,
                                 zip_stop stop)
{
    if (listed.path == "lost.txt") throw std::bad_alloc();
    return zip_ready_listed(zip_file, listed, ready, stop);
}

// A worker that runs out of memory inside an extraction: its error reaches the
// main thread as a fatal record, as from any other thread of the program; its
// file is not waited for, and the other worker finishes the rest.
TEST(FilesInFlightFailure, AWorkerOutOfMemoryEndsThroughTheFatalRecord)
{
    alert_recorder alerts;
    xer_capture log;
    temp_dir tmp;
    const std::string out = tmp.path() + "/";
    THREAD_init();
    {
        files_in_flight flight(2, extract_or_run_out_of_memory);
        const char* const names[] = {"first.txt", "lost.txt", "third.txt"};
        // Listed as large files, so that the workers take them, never the collector.
        for (int h = 0; h < 3; ++h)
            flight.hand_out(h, out + names[h] + ".zip", small_file(out, names[h], std::string(names[h]) + "\n"),
                            64 << 20);
        zip_ready_file ready;
        EXPECT_TRUE(flight.collect(0, -1, ready));
        EXPECT_FALSE(flight.collect(1, -1, ready)) << "a file whose worker failed was reported ready";
        EXPECT_TRUE(flight.collect(2, -1, ready));
        EXPECT_EQ(zip_put_in_place(ready), 0) << ready.log;
        alert_lines fatal;
        for (int i = 0; i < 1000 && fatal.l1.empty(); ++i) {
            try {
                THREAD_check_exception(0);
            } catch (const fatal_alert& f) {
                fatal = f.lines;
            }
            usleep(5000);
        }
        EXPECT_EQ(fatal.l1, "Caught an unhandled C++ exception");
        EXPECT_EQ(fatal.l2, "std::bad_alloc");
    }
    THREAD_shutdown();
    EXPECT_EQ(read_file(out + "third.txt"), "third.txt\n");
    EXPECT_FALSE(fs::exists(out + "lost.txt"));
}

} // namespace
