// about_fixture.h - what the newer-installer check's tests share: app_path on
// a fresh program folder with "Resources/preferences", a clean check record,
// a captured log, and server lists written to order.
#pragma once

#include "shell/about_check.h"

#include "files/http.h"
#include "files/md5.h"
#include "foundation/hl_types.h"
#include "support/testkit.h"
#include "support/zip_builder.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>

struct about_fixture : ::testing::Test {
    alert_recorder alerts;
    temp_dir dir;
    xer_capture log;
    std::string saved_app_path;

    void SetUp() override
    {
        saved_app_path = app_path;
        app_path = dir.path() + "/";
        ASSERT_EQ(mkdir((dir / "Resources").c_str(), 0755), 0);
        ASSERT_EQ(mkdir((dir / "Resources/preferences").c_str(), 0755), 0);
        about_check.reset();
        http.reset();
    }
    void TearDown() override
    {
        http.reset();
        about_check.reset();
        app_path = saved_app_path;
        EXPECT_TRUE(alert_recorder::alerts().empty());
        alert_recorder::alerts().clear();
    }

    // An installer archive under the program folder whose first entry is
    // `first`; returns its MD5.
    std::string make_installer_zip(const std::string& name, const std::string& first = "Skylume Installer")
    {
        EXPECT_TRUE(make_zip(dir / name, {{first, "#!/bin/sh\necho new installer\n", 0100755}}));
        std::string hex;
        EXPECT_EQ(calc_file_md5(name, hex), 0);
        return hex;
    }
};

// A server list offering a final release 90100 at server/path with that MD5.
inline std::string final_release_list(const std::string& server, const std::string& path, const std::string& md5)
{
    return "A\n820 version\nSERVERS\n"
           "FINAL 9.01\n"
           "FINAL_VERSION 90100\n"
           "FINAL_INSTALLER_LIN " + server + " " + path + "\n" +
           (md5.empty() ? std::string() : "FINAL_INSTALLER_LIN_MD5 " + md5 + "\n");
}
