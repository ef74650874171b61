// screen_fakes.h - recording fakes of the main screen's operations: every
// call is logged by name, and each answer is set by the test; and the fixture
// of the screen's tests, a fresh screen with a script on a stepped clock.
#pragma once

#include "installer/screen_ops.h"
#include "installer_fixture.h"
#include "support/testkit.h"

#include <string>
#include <vector>

struct screen_script {
    std::vector<std::string> log;
    int pick = 1, make = 1, eula = 1, choose = 1;
    int read_result = 3;             // dir_ready
    std::vector<int> grab_answers;   // one per grab_files call; 0 after the last
    std::uint64_t grab_us = 3000;    // each step takes this long on the stepped clock
    int grab_sets_error_at_end = 0;  // the run ends with stg.install_error set
    stepped_clock* clock = nullptr;
    void (*on_prefs)() = nullptr;
    void (*on_eula)() = nullptr;
    void (*on_read)() = nullptr; // inside read_directory, as its progress pictures are
    double free = 4700000; // kB free on every destination
};

// Installs the fakes over `script` for its lifetime.
class screen_fakes {
public:
    explicit screen_fakes(screen_script& script);
    ~screen_fakes();
    screen_fakes(const screen_fakes&) = delete;
    screen_fakes& operator=(const screen_fakes&) = delete;
private:
    screen_ops previous;
};

// The main screen's records as after the disc was read and its manifest
// examined: "Skylume 9.70", 250 MB to install, no servers.
void screen_ready();

// A fresh installer with the screen's records reset and a script whose
// install steps advance `clock`. The fakes are the test's to install.
class screen_fixture : public installer_fixture {
protected:
    void SetUp() override;
    void TearDown() override;

    // The settings' defaults, the screen's records reset, the frame loop running.
    static void fresh_screen();

    screen_script script;
    stepped_clock clock;
};
