// utl_stat.h - statistics switches: named float values that any unit defines
// as static objects and tests at run time, with a registry by type for a
// debugging front end. Built to work from static construction in any order.
// Main thread only.
#pragma once

#include <set>

enum UTL_stat_type : int {
    stat_type_counter = 0,
    stat_type_timer = 1,
    stat_type_memory = 2,
    stat_type_graph = 3,
    stat_type_switch = 4, // the debugging switches of this product
};

class UTL_stat {
public:
    UTL_stat(const char* name, UTL_stat_type type, float initial); // own value
    UTL_stat(float* outside, const char* name, UTL_stat_type type); // value kept in the caller's float
    ~UTL_stat() {} // stays registered: statistics live as long as the process

    static void init_stats();                   // registry ready; every waiting statistic registered
    static void reset_stats(UTL_stat_type type); // own value of each statistic of the type becomes 0
    void publish();                             // registers this statistic whether or not the registry is ready

    // The statistics registered under a type, null when the type has none; for
    // a debugging front end and tests.
    static const std::set<UTL_stat*>* registered(UTL_stat_type type);
    // Empties the registry and the waiting list, not ready; for tests.
    static void reset_registry();

    float value;          // the own value
    UTL_stat_type type;   // category it is registered under
    UTL_stat* next_waiting; // next on the waiting list; written only when queued
    float* value_ptr;     // &value, or the caller's float
    const char* name;     // not copied: callers pass literals
private:
    void enroll();
};
