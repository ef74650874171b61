// Thread primitives and message queues: the processor count, sleeping and
// cancelling, joins, recursive critical sections, the three read modes of a
// queue and its deadlines.
#include "support/testkit.h"
#include "foundation/hl_types.h"
#include "foundation/utl_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace {

using clock_type = std::chrono::steady_clock;

double ms_since(clock_type::time_point t0)
{
    return std::chrono::duration<double, std::milli>(clock_type::now() - t0).count();
}

// ---- processor count ---------------------------------------------------------

TEST(ProcessorCount, CountsModelNameLinesAtTheStartOnly)
{
    const char* no_processors_log = "Linux CPU detect failed -- no processors in /proc/cpuinfo\n";
    struct count_case {
        const char* name;
        const char* cpuinfo; // null: the file is missing
        int expected;
        const char* log;
    } cases[] = {
        {"four", "processor\t: 0\nmodel name\t: A\nprocessor\t: 1\nmodel name\t: A\n"
                 "processor\t: 2\nmodel name\t: A\nprocessor\t: 3\nmodel name\t: A\n", 4, ""},
        {"look-alikes", " model name\t: A\nModel name\t: A\nmodel_name\t: A\nprocessor\t: 0\n", 1, no_processors_log},
        {"empty", "", 1, no_processors_log},
        {"missing", nullptr, 1, "Linux CPU detect failed -- /proc/cpuinfo couldn't be opened\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        xer_capture log;
        temp_dir files;
        const std::string path = files / "cpuinfo";
        if (c.cpuinfo) write_file(path, c.cpuinfo);
        testing::internal::CaptureStderr();
        EXPECT_EQ(UTL_count_processors_in(path.c_str()), c.expected);
        const std::string console = testing::internal::GetCapturedStderr();
        EXPECT_EQ(log.text(), c.log);
        if (!c.cpuinfo) {
            EXPECT_NE(console.find(std::string("I got was:\n\t") + std::strerror(ENOENT) + "\n"), std::string::npos);
        } else if (c.expected == 1) {
            EXPECT_NE(console.find("did not find any"), std::string::npos);
            EXPECT_NE(console.find(std::string("message to ") + maker_support_address + ". In the mean"),
                      std::string::npos);
        }
    }
    EXPECT_GE(UTL_count_processors(), 1);
}

// ---- threads and sleeping --------------------------------------------------------

void* report_own_id(void* out)
{
    *static_cast<unsigned long*>(out) = UTL_get_current_thread();
    return out;
}

TEST(Threads, CreateGivesOneIdThriceAndJoinReturnsTheExitValue)
{
    unsigned long seen = 0, a = 1, b = 2, c = 3;
    UTL_thread_create(report_own_id, &seen, &a, &b, &c);
    EXPECT_EQ(UTL_thread_join(&a, &b), &seen);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a, c);
    EXPECT_EQ(seen, a);
}

TEST(Threads, JoiningItselfIsLoggedNotAlerted)
{
    xer_capture log;
    unsigned long self = UTL_get_current_thread();
    EXPECT_EQ(UTL_thread_join(&self, &self), nullptr);
    EXPECT_EQ(log.text(), "Warning: wait on thread cleanup failed with error " + std::to_string(EDEADLK) + "\n");
}

TEST(Threads, SleepReturnsAtOnceForNothingAndSleepsInFull)
{
    auto t0 = clock_type::now();
    UTL_sleep(0);
    UTL_sleep(-5);
    EXPECT_LT(ms_since(t0), 5.0);
    t0 = clock_type::now();
    UTL_sleep(20);
    EXPECT_GE(ms_since(t0), 20.0);
}

// ---- critical sections ---------------------------------------------------------------

struct section_probe {
    pthread_mutex_t section;
    std::atomic<int> got{0};
};

void* take_section(void* p)
{
    auto* probe = static_cast<section_probe*>(p);
    UTL_critical_section_lock(&probe->section);
    probe->got = 1;
    UTL_critical_section_unlock(&probe->section);
    return nullptr;
}

TEST(CriticalSection, IsRecursiveAndPassesOnOnlyWhenFullyUnlocked)
{
    section_probe probe;
    UTL_critical_section_create(&probe.section);
    UTL_critical_section_lock(&probe.section);
    UTL_critical_section_lock(&probe.section);
    unsigned long id, id2, id3;
    UTL_thread_create(take_section, &probe, &id, &id2, &id3);
    UTL_critical_section_unlock(&probe.section);
    UTL_sleep(50);
    EXPECT_EQ(probe.got.load(), 0);
    UTL_critical_section_unlock(&probe.section);
    UTL_thread_join(&id, &id2);
    EXPECT_EQ(probe.got.load(), 1);
    UTL_critical_section_destroy(&probe.section);
}

TEST(CriticalSection, UnlockingASectionNotHeldIsAnOsErrorAlert)
{
#if defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "ThreadSanitizer reports the wrong unlock that this test makes on purpose";
#endif
    alert_recorder rec;
    pthread_mutex_t section;
    UTL_critical_section_create(&section);
    EXPECT_THROW(UTL_critical_section_unlock(&section), fatal_alert);
    ASSERT_EQ(alert_recorder::alerts().size(), 1u);
    const recorded_alert& a = alert_recorder::alerts()[0];
    EXPECT_EQ(a.lines.l1, "\"pthread_mutex_unlock\" OS error");
    EXPECT_EQ(a.lines.l2, "err=" + std::to_string(EPERM) + ".000000");
    EXPECT_EQ(a.lines.l3, "");
    EXPECT_EQ(a.type, t_exit);
    UTL_critical_section_destroy(&section);
}

// ---- message queues ---------------------------------------------------------------------

struct delayed_write {
    UTL_message_queue* q;
    void* msg;
    int delay_ms;
};

void* write_later(void* p)
{
    const auto* w = static_cast<delayed_write*>(p);
    UTL_sleep(w->delay_ms);
    UTL_message_queue_write(w->q, w->msg);
    return nullptr;
}

int queue_waiting(UTL_message_queue* q)
{
    pthread_mutex_lock(&q->mutex);
    const int n = q->waiting;
    pthread_mutex_unlock(&q->mutex);
    return n;
}

TEST(MessageQueue, ReadModes)
{
    int payload = 0;
    struct read_case {
        const char* name;
        int timeout_ms;
        bool queued;      // a message is there before the read
        int writer_delay; // -1: nobody writes during the read
        bool expect_message;
        double min_ms, max_ms; // generous: these machines are shared
    } cases[] = {
        {"poll, empty", 0, false, -1, false, 0, 50},
        {"poll, one queued", 0, true, -1, true, 0, 50},
        {"wait, message arrives", -1, false, 30, true, 25, 5000},
        {"limited, nothing arrives", 120, false, -1, false, 115, 5000},
        {"limited, message arrives in time", 3000, false, 30, true, 25, 2900},
        {"limited, one queued", 3000, true, -1, true, 0, 50},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        UTL_message_queue* q;
        UTL_message_queue_create(&q);
        if (c.queued) UTL_message_queue_write(q, &payload);
        delayed_write w{q, &payload, c.writer_delay};
        unsigned long id = 0, id2, id3;
        // The clock starts before the writer, whose delay may begin at once.
        const auto t0 = clock_type::now();
        if (c.writer_delay >= 0) UTL_thread_create(write_later, &w, &id, &id2, &id3);
        void* got = UTL_message_queue_read(q, c.timeout_ms);
        const double took = ms_since(t0);
        if (c.writer_delay >= 0) UTL_thread_join(&id, &id2);
        EXPECT_EQ(got, c.expect_message ? &payload : nullptr);
        EXPECT_GE(took, c.min_ms);
        EXPECT_LE(took, c.max_ms);
        EXPECT_EQ(queue_waiting(q), 0);
        EXPECT_EQ(UTL_message_queue_read(q, 0), nullptr); // the queue is empty again
        UTL_message_queue_destroy(q);
    }
}

struct ordered_reader {
    UTL_message_queue* q;
    void* got[3];
};

void* read_three(void* p)
{
    auto* r = static_cast<ordered_reader*>(p);
    for (void*& m : r->got) m = UTL_message_queue_read(r->q, -1);
    return nullptr;
}

TEST(MessageQueue, KeepsOrderForAReaderThatWaitsFirst)
{
    int m1, m2, m3;
    ordered_reader r{nullptr, {}};
    UTL_message_queue_create(&r.q);
    unsigned long id, id2, id3;
    UTL_thread_create(read_three, &r, &id, &id2, &id3);
    for (int i = 0; i < 1000 && queue_waiting(r.q) == 0; ++i) UTL_sleep(1);
    EXPECT_EQ(queue_waiting(r.q), 1);
    UTL_message_queue_write(r.q, &m1);
    UTL_message_queue_write(r.q, &m2);
    UTL_message_queue_write(r.q, &m3);
    UTL_thread_join(&id, &id2);
    EXPECT_EQ(r.got[0], &m1);
    EXPECT_EQ(r.got[1], &m2);
    EXPECT_EQ(r.got[2], &m3);
    UTL_message_queue_write(r.q, &m1); // pending entries are dropped, m1 itself untouched
    UTL_message_queue_destroy(r.q);
}

TEST(MessageQueue, ACancelledReaderLeavesTheQueueUsable)
{
    UTL_message_queue* q;
    UTL_message_queue_create(&q);
    unsigned long id, unused;
    ordered_reader r{q, {}};
    UTL_thread_create(read_three, &r, &id, &unused, &unused);
    for (int i = 0; i < 1000 && queue_waiting(q) == 0; ++i) UTL_sleep(1);
    ASSERT_EQ(queue_waiting(q), 1);
    UTL_thread_murder(&id);
    UTL_thread_join(&id, &unused);
    EXPECT_EQ(pthread_mutex_trylock(&q->mutex), 0); // not left locked by the ended thread
    pthread_mutex_unlock(&q->mutex);
    EXPECT_EQ(queue_waiting(q), 0);
    int m;
    UTL_message_queue_write(q, &m);
    EXPECT_EQ(UTL_message_queue_read(q, 0), &m);
    UTL_message_queue_destroy(q);
}

std::atomic<int> readers_done{0};

void* read_one(void* q)
{
    UTL_message_queue_read(static_cast<UTL_message_queue*>(q), -1);
    ++readers_done;
    return nullptr;
}

TEST(MessageQueue, OneWriteWakesOneOfTwoWaitingReaders)
{
    readers_done = 0;
    UTL_message_queue* q;
    UTL_message_queue_create(&q);
    unsigned long a, b, unused;
    UTL_thread_create(read_one, q, &a, &unused, &unused);
    UTL_thread_create(read_one, q, &b, &unused, &unused);
    for (int i = 0; i < 1000 && queue_waiting(q) < 2; ++i) UTL_sleep(1);
    int m;
    UTL_message_queue_write(q, &m);
    for (int i = 0; i < 1000 && readers_done == 0; ++i) UTL_sleep(1);
    UTL_sleep(50);
    EXPECT_EQ(readers_done.load(), 1);
    EXPECT_EQ(queue_waiting(q), 1);
    UTL_message_queue_write(q, &m);
    UTL_thread_join(&a, &unused);
    UTL_thread_join(&b, &unused);
    EXPECT_EQ(readers_done.load(), 2);
    UTL_message_queue_destroy(q);
}

TEST(MessageQueue, DeadlinesCarryAndRunOnTheMonotonicClock)
{
    struct carry_case {
        timespec now;
        int ms;
        timespec expected;
    } cases[] = {
        {{5, 999999000}, 1, {6, 999000}},
        {{10, 600000000}, 1500, {12, 100000000}},
        {{7, 0}, 2000, {9, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ms);
        const timespec t = UTL_add_ms(c.now, c.ms);
        EXPECT_EQ(t.tv_sec, c.expected.tv_sec);
        EXPECT_EQ(t.tv_nsec, c.expected.tv_nsec);
    }
    // Setting the wall clock must not move a wait: the deadline lies on the monotonic line.
    timespec before, after;
    clock_gettime(CLOCK_MONOTONIC, &before);
    const timespec d = UTL_queue_deadline(250);
    clock_gettime(CLOCK_MONOTONIC, &after);
    const auto ns = [](const timespec& t) { return t.tv_sec * 1000000000LL + t.tv_nsec; };
    EXPECT_GE(ns(d), ns(before) + 250000000LL);
    EXPECT_LE(ns(d), ns(after) + 250000000LL);
}

} // namespace
