// The installer's preference file: what start-up reads and the ordered exit
// writes, with the download client's proxy settings beside the engine's.
#include "engine_fixture.h"
#include "engine/engine_prefs.h"
#include "files/http.h"
#include "files/http_prefs.h"
#include "engine/install_records.h"
#include "files/pref_files.h"
#include "engine/stg.h"

#include <cstdlib>

namespace {

class InstallerPrefFile : public engine_fixture {
protected:
    std::string saved_home;
    bool had_home = false;
    void SetUp() override
    {
        engine_fixture::SetUp();
        if (const char* h = std::getenv("HOME")) saved_home = h, had_home = true;
        setenv("HOME", tmp.path().c_str(), 1);
        http.reset();
        ENG_bind_prefs();
        HTTP_bind_prefs();
    }
    void TearDown() override
    {
        pref.unbind_all();
        http.reset();
        if (had_home) setenv("HOME", saved_home.c_str(), 1);
        else unsetenv("HOME");
        engine_fixture::TearDown();
    }
};

TEST_F(InstallerPrefFile, SettingsAndProxySurviveARestart)
{
    stg.use_max_cpu = 1;
    stg.rename_folder = 0;
    stg.stream_count = 3;
    stg.log_actions = 1;
    stg.always_ask_dir = 1;
    dest_dir_path = "/opt/Sky lume/";
    http.proxy_host = "127.0.0.1";
    http.proxy_port_text = "3128";
    http.proxy_port = 3128;
    pref.IO_set(pref_set_installer, 1);
    const std::string file = read_file(tmp / ".skylume/Skylume Installer.prf");
    EXPECT_EQ(file.rfind("I\n9001 version\n", 0), 0u);
    EXPECT_NE(file.find("_dest_dir_path /opt/Sky lume/\n"), std::string::npos);
    EXPECT_LT(file.find("_use_max_cpu"), file.find("_always_ask_dir"));

    stg = stg_class{};
    STG_set_defaults();
    dest_dir_path.clear();
    http.reset();
    pref.IO_set(pref_set_installer, 0);
    EXPECT_EQ(stg.use_max_cpu, 1);
    EXPECT_EQ(stg.rename_folder, 0);
    EXPECT_EQ(stg.stream_count, 3);
    EXPECT_EQ(stg.log_actions, 1);
    EXPECT_EQ(stg.always_ask_dir, 1);
    EXPECT_EQ(dest_dir_path, "/opt/Sky lume/");
    EXPECT_EQ(http.proxy_host, "127.0.0.1");
    EXPECT_EQ(http.proxy_port_text, "3128");
    EXPECT_EQ(http.proxy_port, 3128);
}

TEST_F(InstallerPrefFile, MissingKeysKeepTheDefaults)
{
    write_file(ENG_prefs_path(), "I\n9001 version\n_rename_folder 0\n");
    stg.log_actions = 0;
    pref.IO_set(pref_set_installer, 0);
    EXPECT_EQ(stg.rename_folder, 0);
    EXPECT_EQ(stg.log_actions, 0);
    EXPECT_EQ(stg.stream_count, 0);
    EXPECT_EQ(stg.download_os, os_linux); // never stored
}

} // namespace
