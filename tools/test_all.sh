#!/usr/bin/env bash
# Installs what the build and the tests need on a fresh Debian 12 machine,
# checks the layering rule from the includes, replays the fuzz targets briefly
# (clang and libFuzzer), then builds and runs every test twice: a normal build
# and an ASan + UBSan build. The builds are the presets of CMakePresets.json,
# each in build/<preset>.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install_packages.sh
bash tools/check_includes.sh # the layering rule, read from the includes

jobs=${SKY_JOBS:-$(nproc)} # parallel builds and tests; SKY_JOBS on a shared machine
run_preset() { # <preset>: configure, build, and run the tests when it has any
    cmake --preset "$1"
    cmake --build --preset "$1" -j "$jobs"
    if [ "$1" != fuzz ]; then ctest --preset "$1" -j "$jobs"; fi
}

# One fuzz target: its seeds made by code, the inputs kept from earlier runs
# (fuzz/corpus/<target>/, when there) replayed, then a short run of a
# fixed number of inputs, half a minute at most. A crash, a leak or a broken
# property fails CI; the input that did it is left in build/fuzz/runs/<target>/.
fuzz_briefly() { # <target> <seed maker> [seed maker arguments...]
    local target=$1 maker=$2
    shift 2
    local dir=build/fuzz/runs/$target kept=fuzz/corpus/$target
    rm -rf "$dir" && mkdir -p "$dir/seeds" "$dir/found"
    "build/fuzz/fuzz/$maker" "$@" "$dir/seeds"
    local corpora=("$dir/found" "$dir/seeds")
    if [ -d "$kept" ]; then corpora+=("$kept"); fi
    "build/fuzz/fuzz/$target" -runs=20000 -max_len=16384 -max_total_time=30 \
        -artifact_prefix="$dir/" "${corpora[@]}"
}

# One line per target: the target, then its seed maker and the maker's arguments.
fuzz_targets=(
    "fuzz_zip_extract make_zip_seeds"
    "fuzz_manifest make_text_seeds manifest"
    "fuzz_prefs make_text_seeds prefs"
    "fuzz_http_reply make_text_seeds http_reply"
    "fuzz_text_header make_text_seeds text_header"
    "fuzz_png_read make_image_seeds"
    "fuzz_bmp_read make_image_seeds"
    "fuzz_dds_read make_image_seeds"
    "fuzz_image_any make_image_seeds"
    "fuzz_serverlist make_text_seeds serverlist"
)
run_preset fuzz
for line in "${fuzz_targets[@]}"; do
    # shellcheck disable=SC2086 # the line splits into its words on purpose
    fuzz_briefly $line
done

run_preset release
run_preset sanitize
