// utl_stat.cpp - the statistics registry.
#include "foundation/utl_stat.h"

#include <map>

namespace {

// Zero-initialised storage without constructors: safe to test and push from
// any unit's static initialiser, before or after this unit's own.
int stat_initialized;
UTL_stat* waiting;

// Built on first use, so a statistic may register before this unit's globals exist.
std::map<UTL_stat_type, std::set<UTL_stat*>>& all_stats()
{
    static std::map<UTL_stat_type, std::set<UTL_stat*>> stats;
    return stats;
}

} // namespace

UTL_stat::UTL_stat(const char* n, UTL_stat_type t, float initial)
    : value(initial), type(t), next_waiting(nullptr), value_ptr(&value), name(n)
{
    enroll();
}

UTL_stat::UTL_stat(float* outside, const char* n, UTL_stat_type t)
    : type(t), next_waiting(nullptr), value_ptr(outside), name(n)
{
    enroll();
}

void UTL_stat::enroll()
{
    if (stat_initialized) {
        publish();
        return;
    }
    next_waiting = waiting;
    waiting = this;
}

void UTL_stat::publish() { all_stats()[type].insert(this); }

void UTL_stat::init_stats()
{
    for (UTL_stat* s = waiting; s; s = s->next_waiting) s->publish();
    stat_initialized = 1;
}

void UTL_stat::reset_stats(UTL_stat_type type)
{
    for (UTL_stat* s : all_stats()[type]) s->value = 0.0f; // an outside float is not the statistic's to clear
}

const std::set<UTL_stat*>* UTL_stat::registered(UTL_stat_type type)
{
    const auto& stats = all_stats();
    const auto it = stats.find(type);
    return it == stats.end() ? nullptr : &it->second;
}

void UTL_stat::reset_registry()
{
    all_stats().clear();
    stat_initialized = 0;
    waiting = nullptr;
}
