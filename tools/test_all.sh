#!/usr/bin/env bash
# Installs what the build and the tests need on a fresh Debian 12 machine,
# checks the layering rule from the includes, replays the fuzz targets (clang
# and libFuzzer, a fixed amount of work from fixed seeds), then builds and runs
# every test twice: a normal build and an ASan + UBSan build. A ThreadSanitizer
# build runs the tests of the programs whose tests start threads. A plain
# Release build, as packagers make it, is built too (its tests are not run again).
# The builds are the presets of CMakePresets.json, each in build/<preset>.
#
# Every stage runs whatever failed before it; the script ends with the list
# of the stages that failed, and fails when there is one.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1

jobs=${SKY_JOBS:-$(nproc)} # parallel builds and tests; SKY_JOBS on a shared machine
failed=()

# stage <name> <command...>: runs one stage and notes it when it fails.
stage() {
    local name=$1
    shift
    echo "==== $name"
    if ! "$@"; then
        failed+=("$name")
        echo "==== FAILED: $name"
    fi
}
# The tests of a preset run only when it built; otherwise they are noted as not run.
built=()
build_preset() { # <preset>
    cmake --preset "$1" && cmake --build --preset "$1" -j "$jobs" && built+=("$1")
}
test_preset() { # <preset>
    if [[ " ${built[*]} " != *" $1 "* ]]; then
        echo "not run: the $1 build failed"
        return 1
    fi
    ctest --preset "$1" -j "$jobs"
}

# ---- fuzz replay -----------------------------------------------------------------
# One fuzz target: its seeds made by code, the inputs kept from earlier runs
# (fuzz/corpus/<target>/, when there) replayed, then a run of a fixed number of
# inputs from a fixed random seed, so that every run of CI does the same work
# however busy the machine. A crash, a leak or a broken property fails the
# stage; the input that did it is left in build/fuzz/runs/<target>/.
fuzz_runs=${SKY_FUZZ_RUNS:-20000}
fuzz_replay() { # <target> <seed maker> [seed maker arguments...]
    local target=$1 maker=$2
    shift 2
    local dir=build/fuzz/runs/$target kept=fuzz/corpus/$target
    rm -rf "$dir" && mkdir -p "$dir/seeds" "$dir/found" || return 1
    "build/fuzz/fuzz/$maker" "$@" "$dir/seeds" || return 1
    local corpora=("$dir/found" "$dir/seeds")
    if [ -d "$kept" ]; then corpora+=("$kept"); fi
    "build/fuzz/fuzz/$target" -seed=1 -runs="$fuzz_runs" -max_len=16384 -timeout=60 \
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

# ---- the tests of files past 4 GiB -------------------------------------------------------
# Sparse sources, but the extracted files are written in full: about 4 GiB
# each, some at the same time, twice over (each test alone and its program
# whole). Run where the temporary folder has the room for them.
large_tests_room_gib=40
large_tests_fit() {
    local tmp=${TMPDIR:-/tmp} free_kib
    free_kib=$(df -Pk "$tmp" | awk 'NR == 2 { print $4 }')
    [ -n "$free_kib" ] && [ "$free_kib" -ge $((large_tests_room_gib * 1024 * 1024)) ]
}

stage "packages" bash tools/install_packages.sh
stage "layering" bash tools/check_includes.sh # the layering rule, read from the includes

stage "fuzz build" build_preset fuzz
for line in "${fuzz_targets[@]}"; do
    # shellcheck disable=SC2086 # the line splits into its words on purpose
    set -- $line
    if [[ " ${built[*]} " == *" fuzz "* ]]; then
        stage "fuzz $1" fuzz_replay "$@"
    fi
done

stage "release build" build_preset release
if large_tests_fit; then
    export SKY_LARGE_TESTS=1
    echo "the tests of files past 4 GiB run in the release tests"
else
    echo "the tests of files past 4 GiB are skipped: less than $large_tests_room_gib GiB free in ${TMPDIR:-/tmp}"
fi
stage "release tests" test_preset release
unset SKY_LARGE_TESTS
stage "plain Release build (-O3, tests on)" build_preset plain-release

stage "sanitize build" build_preset sanitize
stage "sanitize tests" test_preset sanitize

# ---- ThreadSanitizer ----------------------------------------------------------------
# Only the programs whose tests start threads: the thread layer (foundation),
# the file pools (files) and the engine's install and examination (engine).
# Only they are built; the tsan test preset picks their tests by label.
tsan_programs=(foundation_tests files_tests engine_tests)
build_tsan() {
    cmake --preset tsan && cmake --build --preset tsan -j "$jobs" --target "${tsan_programs[@]}" && built+=(tsan)
}
stage "tsan build" build_tsan
stage "tsan tests" test_preset tsan

echo
if [ ${#failed[@]} -gt 0 ]; then
    echo "test_all: ${#failed[@]} stage(s) FAILED:"
    printf '  %s\n' "${failed[@]}"
    exit 1
fi
echo "test_all: every stage passed"
