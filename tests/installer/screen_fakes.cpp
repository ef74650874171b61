// screen_fakes.cpp
#include "screen_fakes.h"

#include "engine/install_records.h"
#include "engine/stg.h"
#include "engine/streams.h"
#include "foundation/hl_types.h"
#include "foundation/xtim.h"
#include "installer/screen_phases.h"

namespace {

screen_script* s;

void note(const std::string& what) { s->log.push_back(what); }

int fake_pick() { return note("pick_dest_path"), s->pick; }
// The counters the screen shows go back to 0, as the real reset sets them.
void fake_reset()
{
    note("reset_streams");
    next.disk_kb_done = next.download_kb_done = 0;
    next.stream_file[0] = 0;
    next.start_time = xtim.elapsed_time;
}
int fake_make() { return note("make_dirs"), s->make; }
int fake_eula()
{
    note("handle_EULA");
    if (s->on_eula) s->on_eula();
    return s->eula;
}
int fake_choose() { return note("choose_files"), s->choose; }
int fake_grab()
{
    note("grab_files");
    if (s->clock) s->clock->advance_us(s->grab_us);
    if (s->grab_answers.empty()) return 0;
    const int r = s->grab_answers.front();
    s->grab_answers.erase(s->grab_answers.begin());
    if (r && s->grab_sets_error_at_end) stg.install_error = 1;
    return r;
}
void fake_prefs()
{
    note("handle_prefs");
    if (s->on_prefs) s->on_prefs();
}
void fake_url(const std::string& address) { note("go_to_URL " + address); }
int fake_read(const std::string& manifest, std::string)
{
    note("read_directory " + manifest);
    if (s->on_read) s->on_read();
    return s->read_result;
}
void fake_alert() { note("completion_alert"); }
double fake_free(const std::string&) { return s->free; }

} // namespace

screen_fakes::screen_fakes(screen_script& script)
{
    s = &script;
    previous = INS_set_screen_ops({fake_pick, fake_reset, fake_make, fake_eula, fake_choose, fake_grab, fake_prefs,
                                   fake_url, fake_read, fake_alert, fake_free});
}

screen_fakes::~screen_fakes()
{
    INS_set_screen_ops(previous);
    s = nullptr;
}

void screen_ready()
{
    stg.server_count = 0;
    install_name = "Skylume 9.70";
    ins_screen.paths_built = 1;
    stg.dir_phase = dir_ready;
    stg.disk_kb = 250000;
}

// ---- screen_fixture ------------------------------------------------------------------

void screen_fixture::SetUp()
{
    installer_fixture::SetUp();
    fresh_screen();
    script.clock = &clock;
}

void screen_fixture::TearDown()
{
    app_done = 0;
    INS_reset_screen();
    installer_fixture::TearDown();
}

void screen_fixture::fresh_screen()
{
    STG_set_defaults();
    INS_reset_screen();
    app_done = 0;
}
