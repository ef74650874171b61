// exce.cpp - the error record and its two ways of being reported.
#include "foundation/exce.h"

#include "foundation/hl_thread.h"
#include "foundation/hl_types.h"
#include "foundation/hooks.h"

#include <cstdlib>
#include <utility>

exce_class::exce_class() : src_file("no exception"), src_line(0), alert_type(t_exit) {}

exce_class::exce_class(std::string l1, std::string l2, std::string l3, std::string l4, const char* file,
                       int line, int type)
    : msg1(std::move(l1)), msg2(std::move(l2)), msg3(std::move(l3)), msg4(std::move(l4)), src_file(file),
      src_line(line), alert_type(type)
{
}

void exce_class::MakeFatal() { alert_type = t_exit; }

void exce_class::LogAndContinue()
{
    xer << "Logging " << (alert_type == t_language ? "non-fatal" : "fatal") << " Exception thrown from file: "
        << src_file << ", line " << src_line << ".\n"
        << msg1 << "\n" << msg2 << "\n" << msg3 << "\n" << msg4 << "\n";
    xer.flush();
}

void exce_class::Report()
{
    if (!THREAD_is_inited() || THREAD_is_main_thread()) {
        __MACIBM_alert(0, msg1, msg2, msg3, msg4, alert_type, src_file, src_line);
        return;
    }
    // Only the main thread may show an alert: from here the program ends in order.
    xer << "EXCEPTION REPORTED FROM THREAD!!  File: " << src_file << ", line " << src_line << ".\n"
        << msg1 << "\n" << msg2 << "\n" << msg3 << "\n" << msg4 << "\n";
    xer.flush();
    app_done = 1;
    MACIBM_finishup(1);
    std::exit(0);
}
