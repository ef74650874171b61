// tman.cpp - the texture manager's records: construction, the counters, the
// name index, the hooks into the layers above and the lock holder.
#include "graphics/tman.h"

#include "foundation/hl_types.h"
#include "foundation/utl_thread.h"

tman_class tman;

namespace {

tex_status_fn status_hook = nullptr;
int default_units = 1;
int* units_counter = &default_units;

} // namespace

// ---- hooks -----------------------------------------------------------------------

tex_status_fn TEX_set_status_hook(tex_status_fn fn)
{
    const tex_status_fn old = status_hook;
    status_hook = fn;
    return old;
}

int* TEX_set_units_counter(int* counter)
{
    int* const old = units_counter == &default_units ? nullptr : units_counter;
    units_counter = counter ? counter : &default_units;
    return old;
}

// Used by the load and the upload.
void TEX_show_status(const std::string& message, float* progress)
{
    if (status_hook) status_hook(message, progress);
}

int& TEX_units_counter() { return *units_counter; }

// ---- lock holder -----------------------------------------------------------------

tman_hold::tman_hold(tman_class& t) : owner(t), held(true) { UTL_critical_section_lock(&owner.lock); }

tman_hold::~tman_hold()
{
    if (held) UTL_critical_section_unlock(&owner.lock);
}

void tman_hold::release()
{
    if (!held) return;
    UTL_critical_section_unlock(&owner.lock);
    held = false;
}

void tman_hold::take()
{
    if (held) return;
    UTL_critical_section_lock(&owner.lock);
    held = true;
}

// ---- construction ------------------------------------------------------------------

tman_class::tman_class() { UTL_critical_section_create(&lock); }

tman_class::~tman_class() { UTL_critical_section_destroy(&lock); }

void tman_class::reset()
{
    tman_hold hold(*this);
    async_index = num_loaded = num_total = 0;
    ref_dat.clear();
    scene_load_fail = plane_load_fail = instl_load_fail = 0;
    async_job = nullptr;
    async_result = 0;
    async_finisher = nullptr;
    tex_hash.clear();
    missing_alerted.clear();
    async_vars = tex_load_vars{};
}

// ---- counters ----------------------------------------------------------------------

int tman_class::loaded_texes()
{
    tman_hold hold(*this);
    return num_loaded;
}

int tman_class::total_texes()
{
    tman_hold hold(*this);
    return num_total;
}

int tman_class::tot_vram()
{
    tman_hold hold(*this);
    long long total = static_cast<long long>(mnw.x_res_now) * mnw.y_res_now * mnw.col_res_now / 8;
    for (const ref_dat_struct& e : ref_dat) total += e.vram;
    return total > 0x7fffffffLL ? 0x7fffffff : static_cast<int>(total);
}

float tman_class::scale_rat() { return TEX_res_scale(mnw.tex_res); }

float TEX_res_scale(int tex_res)
{
    switch (tex_res) {
    case 4: return 0.5f;
    case 3: return 0.25f;
    case 2: return 0.125f;
    case 1: return 0.0625f;
    case 0: return 0.03125f;
    default: return 1.0f;
    }
}

// ---- the table ---------------------------------------------------------------------

int tman_class::ref_of_name(const std::string& name) const
{
    const auto it = tex_hash.find(name);
    return it == tex_hash.end() ? 0 : it->second;
}

void tman_class::grow_to(std::size_t size)
{
    if (ref_dat.size() < size) ref_dat.resize(size); // new entries are free ones
}
