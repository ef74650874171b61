// installer_fixture.h - a fresh installer for each test: the records reset,
// HOME pointed at a temporary folder, the log captured, alerts recorded.
#pragma once

#include "support/testkit.h"

#include <gtest/gtest.h>

#include <string>

class installer_fixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    void set_home(const char* home); // nullptr: HOME unset
    // Writes the installer preference file in the temporary HOME with these key lines.
    void write_prefs(const std::string& lines);

    temp_dir home;
    alert_recorder alerts;
    xer_capture log;

private:
    std::string saved_home;
    bool had_home = false;
};
