#include "installer_fixture.h"

#include "engine/install_records.h"
#include "engine/stg.h"
#include "files/disc.h"
#include "files/pref_files.h"
#include "foundation/cmdline.h"
#include "foundation/hl_types.h"

#include <sys/stat.h>

#include <cstdlib>

void installer_fixture::SetUp()
{
    if (const char* h = std::getenv("HOME")) saved_home = h, had_home = true;
    set_home(home.path().c_str());
    ENG_reset_records();
    stg = stg_class{};
    cmdline.clear();
    app_path.clear();
    dvd_path.clear();
}

void installer_fixture::TearDown()
{
    pref.unbind_all();
    ENG_reset_records();
    stg = stg_class{};
    cmdline.clear();
    app_path.clear();
    if (had_home) setenv("HOME", saved_home.c_str(), 1);
    else unsetenv("HOME");
}

void installer_fixture::set_home(const char* h)
{
    if (h) setenv("HOME", h, 1);
    else unsetenv("HOME");
}

void installer_fixture::write_prefs(const std::string& lines)
{
    mkdir((home / ".skylume").c_str(), 0777);
    write_file(home / ".skylume/Skylume Installer.prf", "I\n9001 version\n" + lines);
}
