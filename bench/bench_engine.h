// bench_engine.h - the install engine made ready for one disc run, as the
// installer's screens leave it after the disc check: for the benchmarks that
// time the engine headless.
#pragma once

#include "engine/install_records.h"
#include "engine/stg.h"
#include "engine/streams.h"
#include "foundation/hl_types.h"

#include <string>

// Records cleared, settings at their defaults, a disc build (install type 1)
// of set `set` on the disc at root, into product, with temp as the private
// temporary folder (each ending in '/').
inline void reset_engine_for_disc(const std::string& root, const std::string& set, const std::string& product,
                                  const std::string& temp)
{
    ENG_reset_records();
    stg = stg_class{};
    STG_set_defaults();
    is_net = 0;
    install_type = 1;
    dvd_path = root;
    install_name = set;
    dest_dir_path = product;
    temp_path = temp;
    next = next_class{};
}
