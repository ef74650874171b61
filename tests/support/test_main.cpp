// test_main.cpp - the main of every test program: gtest, plus a listener that
// fails a test at once when it raises an alert it did not expect. A test that
// expects alerts says so by installing an alert_recorder, which takes every
// alert for its lifetime; between tests the default handler is back.
#include "support/testkit.h"

#include <gtest/gtest.h>

namespace {

void fail_unexpected_alert(int, const alert_lines& lines, int type, const char* file, int line)
{
    ADD_FAILURE_AT(file ? file : "(unknown file)", line)
        << "unexpected " << (type == t_exit ? "fatal alert" : "alert") << ": \"" << lines.l1 << "\" \""
        << lines.l2 << "\" \"" << lines.l3 << "\" \"" << lines.l4 << "\"";
    if (type == t_exit) throw fatal_alert{lines}; // a fatal alert never returns to its caller
}

class unexpected_alert_listener : public testing::EmptyTestEventListener {
public:
    void OnTestStart(const testing::TestInfo&) override { previous = MACIBM_set_alert_hook(fail_unexpected_alert); }
    void OnTestEnd(const testing::TestInfo&) override { MACIBM_set_alert_hook(previous); }
private:
    alert_fn previous = nullptr;
};

} // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new unexpected_alert_listener);
    return RUN_ALL_TESTS();
}
