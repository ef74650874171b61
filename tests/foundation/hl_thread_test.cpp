// Worker-thread layer and error records: the pool's start and stop, jobs and
// their cookies, exceptions and alerts on other threads travelling to the main
// thread, the unwind that ends a thread, and the loader-context hooks.
#include "foundation/exce.h"
#include "foundation/hl_thread.h"
#include "foundation/hl_types.h"
#include "support/testkit.h"

#include <gtest/gtest.h>

#include <dirent.h>

#include <atomic>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <thread>

namespace {

int thread_count()
{
    int n = 0;
    if (DIR* d = opendir("/proc/self/task")) {
        while (const dirent* e = readdir(d)) n += e->d_name[0] != '.';
        closedir(d);
    }
    return n;
}

// The layer up for one test, torn down again whatever the test left.
struct thread_layer : testing::Test {
    alert_recorder rec;
    xer_capture log;
    void SetUp() override
    {
        // A sanitizer's runtime starts a thread of its own with the first
        // thread made: made and joined here, so that the tests' counts are the layer's.
        std::thread([] {}).join();
        THREAD_init();
    }
    void TearDown() override
    {
        if (THREAD_is_inited()) THREAD_shutdown();
    }
    // Drains the fatal queue until a record shows; bounded in time.
    alert_lines wait_for_fatal()
    {
        for (int i = 0; i < 1000; ++i) {
            try {
                THREAD_check_exception(0);
            } catch (const fatal_alert& f) {
                return f.lines;
            }
            UTL_sleep(5);
        }
        ADD_FAILURE() << "no fatal record arrived";
        return {};
    }
};

void* add_one(void* p) { return reinterpret_cast<void*>(reinterpret_cast<std::uintptr_t>(p) + 1); }

TEST_F(thread_layer, WorkersStartRunJobsAndStopWithoutLeavingAThread)
{
    const int before = thread_count();
    EXPECT_EQ(THREAD_is_main_thread(), 1);
    THREAD_make_workers();
    const int workers = UTL_count_processors();
    EXPECT_EQ(log.text(), "CPU count        : " + std::to_string(workers) + "\n");
    EXPECT_EQ(thread_count(), before + workers);

    THREAD_call* call = THREAD_run_async(add_one, reinterpret_cast<void*>(41));
    EXPECT_EQ(THREAD_is_done(call, -1), 1);
    EXPECT_EQ(THREAD_is_done(call, 0), 0); // the reply comes once
    EXPECT_EQ(THREAD_cleanup(call), reinterpret_cast<void*>(42));
    // A finished record is reused, with its queue and its lock.
    THREAD_call* again = THREAD_run_async(add_one, reinterpret_cast<void*>(1));
    EXPECT_EQ(again, call);
    EXPECT_EQ(THREAD_is_done(again, 5000), 1);
    EXPECT_EQ(THREAD_cleanup(again), reinterpret_cast<void*>(2));

    THREAD_shutdown();
    EXPECT_EQ(THREAD_is_inited(), 0);
    EXPECT_EQ(thread_count(), before);
    const std::string text = log.text();
    EXPECT_EQ(text.substr(text.size() - 25), "Clean exit from threads.\n");
    EXPECT_TRUE(alert_recorder::alerts().empty());
}

TEST_F(thread_layer, CookiesAreNonZeroMultiplesOfFourAndSkipZeroOnWrapping)
{
    THREAD_make_workers();
    THREAD_set_last_cookie(4294967284u);
    const unsigned int expected[] = {4294967288u, 4294967292u, 4u, 8u};
    for (unsigned int cookie : expected) {
        SCOPED_TRACE(cookie);
        THREAD_call* call = THREAD_run_async(add_one, nullptr);
        EXPECT_EQ(call->cookie, cookie);
        ASSERT_EQ(THREAD_is_done(call, 5000), 1); // the cookie is the reply: it must never read as null
        THREAD_cleanup(call);
    }
}

UTL_message_queue* gate; // holds a job until the test opens it

void* wait_at_gate(void*) { return UTL_message_queue_read(gate, -1); }

TEST_F(thread_layer, CleanupOfAJobNotDoneIsFatal)
{
    THREAD_make_workers();
    UTL_message_queue_create(&gate);
    THREAD_call* call = THREAD_run_async(wait_at_gate, nullptr);
    try {
        THREAD_cleanup(call);
        ADD_FAILURE() << "cleanup of a running job came back";
    } catch (const fatal_alert& f) {
        EXPECT_EQ(f.lines.l1, "Thread cleanup called on not-done call.");
    }
    int key;
    UTL_message_queue_write(gate, &key);
    EXPECT_EQ(THREAD_is_done(call, 5000), 1);
    EXPECT_EQ(THREAD_cleanup(call), &key);
    UTL_message_queue_destroy(gate);
}

void* throw_runtime_error(void*) { throw std::runtime_error("disk full"); }
void* throw_int(void*) { throw 42; }
void* throw_warning_record(void*) { throw exce_class("Bad texture", "stone.png", "", "", "tex.cpp", 77, t_alert); }

TEST_F(thread_layer, ExceptionsEscapingAThreadBecomeFatalRecords)
{
    struct escape_case {
        const char* name;
        UTL_thread_fn fn;
        alert_lines expected;
        const char* file; // a record keeps where it was raised; others name the thread layer
    } cases[] = {
        {"std::exception", throw_runtime_error, {"Caught an unhandled C++ exception", "disk full", "", ""}, "hl_thread"},
        {"anything else", throw_int, {"Caught an unhandled unknown exception", "", "", ""}, "hl_thread"},
        {"an error record, made fatal", throw_warning_record, {"Bad texture", "stone.png", "", ""}, "tex.cpp"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        unsigned long id, id2, id3;
        THREAD_create(c.fn, nullptr, &id, &id2, &id3, 0);
        EXPECT_EQ(UTL_thread_join(&id, &id2), nullptr); // ended inside the hand-over
        const alert_lines got = wait_for_fatal();
        EXPECT_EQ(got.l1, c.expected.l1);
        EXPECT_EQ(got.l2, c.expected.l2);
        EXPECT_EQ(got.l3, c.expected.l3);
        EXPECT_EQ(got.l4, c.expected.l4);
        ASSERT_FALSE(alert_recorder::alerts().empty());
        const recorded_alert& shown = alert_recorder::alerts().back();
        EXPECT_NE(shown.file.find(c.file), std::string::npos) << shown.file;
        if (std::string(c.file) == "tex.cpp") {
            EXPECT_EQ(shown.line, 77);
        }
    }
}

TEST_F(thread_layer, AJobThatThrowsEndsItsWorkerAndReachesTheMainThread)
{
    const int before = thread_count();
    THREAD_make_workers();
    THREAD_call* call = THREAD_run_async(throw_runtime_error, nullptr);
    const alert_lines got = wait_for_fatal();
    EXPECT_EQ(got.l1, "Caught an unhandled C++ exception");
    EXPECT_EQ(got.l2, "disk full");
    ASSERT_EQ(alert_recorder::alerts().size(), 1u);
    EXPECT_EQ(alert_recorder::alerts()[0].type, t_exit);
    EXPECT_EQ(THREAD_is_done(call, 0), 0); // a job that threw never replies
    call->done = 1;                        // so the test hands its record back by hand
    THREAD_cleanup(call);
    // Shutdown still quits and joins every entry, the ended worker among them.
    THREAD_shutdown();
    EXPECT_EQ(thread_count(), before);
    EXPECT_EQ(log.text().find("Warning"), std::string::npos);
}

void* exit_with_seven(void*)
{
    UTL_thread_exit(reinterpret_cast<void*>(7));
}

std::atomic<int> long_sleep_over{0};

void* sleep_long(void*)
{
    UTL_sleep(4294968); // past the range of a 32-bit microsecond count
    long_sleep_over = 1;
    return nullptr;
}

TEST_F(thread_layer, TheUnwindThatEndsAThreadPassesThrough)
{
    unsigned long id, id2, id3;
    THREAD_create(exit_with_seven, nullptr, &id, &id2, &id3, 0);
    EXPECT_EQ(UTL_thread_join(&id, &id2), reinterpret_cast<void*>(7));

    long_sleep_over = 0;
    THREAD_create(sleep_long, nullptr, &id, &id2, &id3, 0);
    UTL_sleep(100); // a wrapped count would have ended this sleep after 0.7 ms
    EXPECT_EQ(long_sleep_over.load(), 0);
    UTL_thread_murder(&id);
    EXPECT_EQ(UTL_thread_join(&id, &id2), PTHREAD_CANCELED);
    EXPECT_EQ(long_sleep_over.load(), 0);

    THREAD_check_exception(1);
    EXPECT_TRUE(alert_recorder::alerts().empty()); // ending a thread is no error
}

std::atomic<int> after_fatal{0};

void* raise_three_alerts(void*)
{
    MACIBM_alert(0, "Low on disk", "", "", "", t_alert);
    MACIBM_alert(0, "Which language?", "", "", "", t_language);
    MACIBM_alert(0, "Out of memory", "", "", "", t_exit);
    after_fatal = 1;
    return nullptr;
}

TEST_F(thread_layer, AlertsOnOtherThreadsTravelToTheMainThreadFatalFirst)
{
    after_fatal = 0;
    unsigned long id, id2, id3;
    THREAD_create(raise_three_alerts, nullptr, &id, &id2, &id3, 0);
    UTL_thread_join(&id, &id2);
    EXPECT_EQ(after_fatal.load(), 0); // the fatal alert ended its thread
    EXPECT_TRUE(alert_recorder::alerts().empty()); // nothing was shown off the main thread

    EXPECT_THROW(THREAD_check_exception(1), fatal_alert); // fatal before the earlier warning
    THREAD_check_exception(0);                            // warnings wait for a full drain
    ASSERT_EQ(alert_recorder::alerts().size(), 1u);
    THREAD_check_exception(1);
    ASSERT_EQ(alert_recorder::alerts().size(), 2u);
    EXPECT_EQ(alert_recorder::alerts()[0].lines.l1, "Out of memory");
    EXPECT_EQ(alert_recorder::alerts()[1].lines.l1, "Low on disk");
    EXPECT_EQ(alert_recorder::alerts()[1].type, t_alert);
}

TEST_F(thread_layer, FatalRecordOnTheMainThreadIsQueuedAndShownAtTheNextDrain)
{
    THREAD_send_exception(exce_class("Later", "", "", "", "x.cpp", 1, t_exit));
    EXPECT_TRUE(alert_recorder::alerts().empty());
    EXPECT_THROW(THREAD_check_exception(0), fatal_alert);
}

void* raise_notice(void*)
{
    MACIBM_alert(0, "Shown where raised", "", "", "", t_alert);
    return nullptr;
}

TEST_F(thread_layer, AfterShutdownAlertsFromAnyThreadAreShownDirectly)
{
    THREAD_shutdown();
    unsigned long id, id2, id3;
    THREAD_create(raise_notice, nullptr, &id, &id2, &id3, 0);
    UTL_thread_join(&id, &id2);
    ASSERT_EQ(alert_recorder::alerts().size(), 1u);
    EXPECT_EQ(alert_recorder::alerts()[0].lines.l1, "Shown where raised");
}

// ---- loader contexts -----------------------------------------------------------------

int fake_ctx;
std::atomic<int> made{0};
std::atomic<unsigned long> made_on{0};
std::atomic<void*> made_current{nullptr};
std::atomic<unsigned long> current_on{0};
int threaded_gl;

int fake_threaded_avail() { return threaded_gl; }
void* fake_make(void*&)
{
    ++made;
    made_on = UTL_get_current_thread();
    return &fake_ctx;
}
bool fake_set(void* ctx, void*)
{
    made_current = ctx;
    current_on = UTL_get_current_thread();
    return true;
}
void* nothing(void*) { return nullptr; }

TEST(LoaderContexts, AThreadGetsOneOnlyWhenAskedAndAvailable)
{
    const loader_hooks old = MACIBM_set_loader_hooks({fake_threaded_avail, fake_make, fake_set});
    struct loader_case {
        int available;
        int want_gl;
        bool expect_context;
    } cases[] = {{1, 1, true}, {1, 0, false}, {0, 1, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "available " << c.available << ", want_gl " << c.want_gl);
        threaded_gl = c.available;
        made = 0;
        made_current = nullptr;
        unsigned long id, id2, id3;
        THREAD_create(nothing, nullptr, &id, &id2, &id3, c.want_gl);
        UTL_thread_join(&id, &id2);
        EXPECT_EQ(made.load(), c.expect_context ? 1 : 0);
        EXPECT_EQ(made_current.load(), c.expect_context ? &fake_ctx : nullptr);
        if (c.expect_context) {
            EXPECT_EQ(made_on.load(), UTL_get_current_thread()); // made by the creating thread
            EXPECT_EQ(current_on.load(), id);                    // made current on the new one
        }
    }
    MACIBM_set_loader_hooks(old);
    EXPECT_EQ(OGL_threaded_avail(), 0); // the default: no loader contexts
}

// ---- the error record -------------------------------------------------------------------

TEST(ErrorRecord, DefaultIsFatalAndCopiesShareTheStaticFileName)
{
    const exce_class d;
    EXPECT_EQ(d.alert_type, t_exit);
    EXPECT_STREQ(d.src_file, "no exception");
    EXPECT_EQ(d.src_line, 0);
    EXPECT_EQ(d.msg1 + d.msg2 + d.msg3 + d.msg4, "");

    auto* original = new exce_class("a", "b", "c", "d", "zip.cpp", 12, t_alert);
    const exce_class copy(*original);
    delete original;
    EXPECT_STREQ(copy.src_file, "zip.cpp");
    EXPECT_EQ(copy.msg4, "d");
}

TEST(ErrorRecord, MakeFatalAndTheLogLine)
{
    struct type_case {
        int type;
        const char* logged_as;
    } cases[] = {{t_language, "non-fatal"}, {t_alert, "fatal"}, {t_exit, "fatal"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        xer_capture log;
        exce_class e("one", "two", "", "four", "io.cpp", 9, c.type);
        e.LogAndContinue();
        EXPECT_EQ(log.text(), std::string("Logging ") + c.logged_as +
                                  " Exception thrown from file: io.cpp, line 9.\none\ntwo\n\nfour\n");
        e.MakeFatal();
        EXPECT_EQ(e.alert_type, t_exit);
        EXPECT_EQ(e.msg2, "two");
        EXPECT_EQ(e.src_line, 9);
    }
}

void* report_notice(void*)
{
    exce_class("Notice", "", "", "", "a.cpp", 3, t_alert).Report();
    return nullptr;
}

TEST(ErrorRecord, ReportWithTheLayerDownShowsTheAlertOnAnyThread)
{
    alert_recorder rec;
    exce_class("Notice", "", "", "", "a.cpp", 3, t_alert).Report();
    ASSERT_EQ(alert_recorder::alerts().size(), 1u);
    EXPECT_EQ(alert_recorder::alerts()[0].lines.l1, "Notice");
    EXPECT_THROW(exce_class().Report(), fatal_alert);
    unsigned long id, unused; // and from another thread: shown there, the program goes on
    UTL_thread_create(report_notice, nullptr, &id, &unused, &unused);
    UTL_thread_join(&id, &unused);
    ASSERT_EQ(alert_recorder::alerts().size(), 3u);
    EXPECT_EQ(alert_recorder::alerts()[2].lines.l1, "Notice");
}

TEST(ErrorRecord, ALanguageRecordIsNeverShown)
{
    THREAD_send_exception(exce_class("Which language?", "", "", "", "l.cpp", 1, t_language));
}

void* report_warning(void*)
{
    exce_class("Just a warning", "line two", "", "", "w.cpp", 5, t_alert).Report();
    return nullptr;
}

TEST(ErrorRecordDeathTest, ReportOffTheMainThreadEndsTheProgramInOrder)
{
    temp_dir dir;
    const std::string path = dir / "log.txt";
    EXPECT_EXIT(
        {
            xer.open(path); // the default ordered exit stops the workers and closes it
            THREAD_init();
            THREAD_make_workers();
            THREAD_call* call = THREAD_run_async(report_warning, nullptr);
            THREAD_is_done(call, -1);
        },
        testing::ExitedWithCode(0), "");
    const std::string text = read_file(path);
    EXPECT_NE(text.find("EXCEPTION REPORTED FROM THREAD!!  File: w.cpp, line 5.\nJust a warning\nline two\n\n\n"),
              std::string::npos);
    // The reporting worker cannot join itself: logged, and the shutdown goes on.
    EXPECT_NE(text.find("Warning: wait on thread cleanup failed with error "), std::string::npos);
    EXPECT_NE(text.find("Clean exit from threads.\n"), std::string::npos);
}

} // namespace
