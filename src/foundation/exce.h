// exce.h - the error record: one alert carried from the thread where it was
// raised to the main thread, which alone shows alerts. Copied, never thrown by
// this system (a thread function may still throw one).
#pragma once

#include <string>

class exce_class {
public:
    exce_class(); // a fatal record: empty lines, "no exception", line 0, t_exit
    exce_class(std::string l1, std::string l2, std::string l3, std::string l4, const char* file, int line,
               int type);
    exce_class(const exce_class&) = default;            // the file name is shared as a pointer
    exce_class& operator=(const exce_class&) = default;
    virtual ~exce_class() = default;                    // queued copies are deleted through it

    void MakeFatal();      // alert_type becomes t_exit; nothing else changes
    void LogAndContinue(); // writes the record to xer and flushes; changes nothing
    // Shows the record: on the main thread, or while the thread layer is down,
    // as an alert (a fatal one never returns). On any other thread it logs the
    // record, runs the ordered exit with saving and ends the process with status 0.
    void Report();

    std::string msg1, msg2, msg3, msg4; // the four message lines
    const char* src_file;               // static text that lives for the whole run; never owned
    int src_line;                       // source line that raised the error
    int alert_type;                     // t_language, t_alert or t_exit
};
