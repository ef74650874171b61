// stg.cpp - settings record, build constants, platform filter.
#include "engine/stg.h"

#include "engine/install_records.h"

stg_class stg;

const int is_build = 0;
int install_type = 1;
int is_net = 0;
const int is_dvd = 1;

namespace {
constexpr int platform_any = 0;
constexpr int platform_linux_only = 6;
} // namespace

void STG_set_defaults()
{
    stg.dir_phase = dir_fetch;
    stg.download_os = os_linux;
    stg.run_phase = run_idle;
    stg.net_retry = 0;
    stg.install_error = 0;
    stg.server_count = -1;
    stg.server_index = 0;
    stg.file_action = file_act_skip;
    stg.done_ratio = 0.0f;
    stg.use_max_cpu = 0;
    stg.rename_folder = 1;
    stg.stream_count = 0;
    stg.always_ask_dir = 0;
    stg.download_kb = 0.0;
    stg.disk_kb = 0.0;
    stg.disk_need_kb = 0.0;
}

int want_this_f(int history, int version, int pass_value)
{
    const file_version_struct& v = sim_info[history].versions[version];
    if (v.match_code != pass_value) return 0;
    if (v.platform == platform_any || v.platform == stg.download_os) return 1;
    if (v.platform == platform_linux_only) return stg.download_os == os_linux ? 1 : 0;
    return 0;
}

int ENG_current_wanted(int history)
{
    const auto& versions = sim_info[static_cast<size_t>(history)].versions;
    return want_this_f(history, static_cast<int>(versions.size() - 1), versions.back().match_code);
}
