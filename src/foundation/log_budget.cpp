// log_budget.cpp - per-cause counts of log lines in a run.
#include "foundation/log_budget.h"

#include <map>
#include <mutex>

namespace {

std::mutex budget_lock;
std::map<std::string, int> lines_so_far; // cause -> lines asked for

} // namespace

log_budget_answer UTL_log_budget(const std::string& cause, int limit)
{
    std::lock_guard<std::mutex> hold(budget_lock);
    const int n = lines_so_far[cause]++;
    if (n < limit) return log_line;
    return n == limit ? log_last : log_none;
}

void UTL_reset_log_budgets()
{
    std::lock_guard<std::mutex> hold(budget_lock);
    lines_so_far.clear();
}
