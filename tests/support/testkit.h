// testkit.h - what every test program shares: an alert recorder that turns a
// fatal alert into an exception, a stepped clock, and temporary folders.
#pragma once

#include "foundation/hooks.h"
#include "foundation/xtim.h"

#include <cstdint>
#include <string>
#include <vector>

struct recorded_alert {
    alert_lines lines;
    int type;
    std::string file; // where the alert was raised
    int line;
};

// Thrown by the recorder for a t_exit alert, so that a test can catch it.
struct fatal_alert {
    alert_lines lines;
};

// Installs the recorder for its lifetime: the test expects alerts and checks them.
// Without one, an alert fails the test at once (test_main.cpp). An alert
// recorded after the test last called alerts() fails the test when the
// recorder goes, unless it was fatal (its exception is the check).
class alert_recorder {
public:
    alert_recorder();
    ~alert_recorder();
    alert_recorder(const alert_recorder&) = delete;
    alert_recorder& operator=(const alert_recorder&) = delete;
    static std::vector<recorded_alert>& alerts();
private:
    alert_fn previous;
};

// Puts the default alert handler back for its lifetime, for the tests of that handler.
class default_alert_handler {
public:
    default_alert_handler() : previous(MACIBM_set_alert_hook(nullptr)) {}
    ~default_alert_handler() { MACIBM_set_alert_hook(previous); }
    default_alert_handler(const default_alert_handler&) = delete;
    default_alert_handler& operator=(const default_alert_handler&) = delete;
private:
    alert_fn previous;
};

// Replaces the microsecond source for its lifetime; time moves only by advance().
class stepped_clock {
public:
    stepped_clock();
    ~stepped_clock();
    stepped_clock(const stepped_clock&) = delete;
    stepped_clock& operator=(const stepped_clock&) = delete;
    void advance_us(std::uint64_t us);
    void advance(double seconds) { advance_us(static_cast<std::uint64_t>(seconds * 1e6 + 0.5)); }
private:
    time_source_fn previous;
};

// A fresh folder under the system's temporary folder, removed with its contents at the end.
class temp_dir {
public:
    temp_dir();
    ~temp_dir();
    temp_dir(const temp_dir&) = delete;
    temp_dir& operator=(const temp_dir&) = delete;
    const std::string& path() const { return dir; } // ends without '/'
    std::string operator/(const std::string& name) const { return dir + "/" + name; }
private:
    std::string dir;
};

// Points the log xer at a fresh file for its lifetime; text() is what was logged so far.
class xer_capture {
public:
    xer_capture();
    ~xer_capture();
    xer_capture(const xer_capture&) = delete;
    xer_capture& operator=(const xer_capture&) = delete;
    std::string text();
private:
    temp_dir dir;
};

// Whole-file helpers for fixtures.
std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& bytes);

// The sizes of the files without a name (O_TMPFILE) that process pid holds
// open in folder or below it: the extractions it has in flight.
std::vector<long long> unnamed_files(int pid, const std::string& folder);
