// log_budget.h - how many lines one cause may write to the log in a run, so that
// a fault met once per file (of tens of thousands) cannot fill the disk.
#pragma once

#include <string>

// What the next line of cause may be: log_line while the cause has logged fewer
// than limit lines, log_last once (say the rest go unlogged), log_none after.
enum log_budget_answer { log_line, log_last, log_none };
log_budget_answer UTL_log_budget(const std::string& cause, int limit); // any thread

// Every cause may log again; for the log's owner when it starts a new log, and for tests.
void UTL_reset_log_budgets();
