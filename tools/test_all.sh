#!/usr/bin/env bash
# Installs what the build and the tests need on a fresh Debian 12 machine, then
# replays the fuzz targets briefly (clang and libFuzzer), then builds and runs
# every test twice: a normal build and an ASan + UBSan build.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install_packages.sh

jobs=$(nproc)
run_build() { # <folder> <cmake options...>
    local dir=$1; shift
    cmake -S . -B "$dir" -G Ninja "$@"
    cmake --build "$dir" -j "$jobs"
    (cd "$dir" && ctest -j "$jobs" --output-on-failure --timeout 600)
}

# A short fuzz run of zip extraction: seed archives made by code, a fixed
# number of runs, a minute at most.
CC=clang CXX=clang++ cmake -S . -B build/ci-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSKY_FUZZ=ON
cmake --build build/ci-fuzz -j "$jobs"
fuzz_dir=build/ci-fuzz/zip_corpus
rm -rf "$fuzz_dir" && mkdir -p "$fuzz_dir/seeds" "$fuzz_dir/found"
build/ci-fuzz/fuzz/make_zip_seeds "$fuzz_dir/seeds"
build/ci-fuzz/fuzz/fuzz_zip_extract -runs=10000 -max_len=16384 -max_total_time=60 \
    "$fuzz_dir/found" "$fuzz_dir/seeds"

# A short fuzz run of each image reader and the any-image sniffer, seeded with
# the kinds of file the image tests make.
image_dir=build/ci-fuzz/image_corpus
rm -rf "$image_dir" && mkdir -p "$image_dir/seeds"
build/ci-fuzz/fuzz/make_image_seeds "$image_dir/seeds"
for reader in png bmp dds; do
    mkdir -p "$image_dir/found_$reader"
    build/ci-fuzz/fuzz/fuzz_${reader}_read -runs=10000 -max_len=16384 -max_total_time=60 \
        "$image_dir/found_$reader" "$image_dir/seeds/$reader"
done
mkdir -p "$image_dir/found_any"
build/ci-fuzz/fuzz/fuzz_image_any -runs=5000 -max_len=16384 -max_total_time=60 \
    "$image_dir/found_any" "$image_dir/seeds/png" "$image_dir/seeds/bmp"

# A short fuzz run of the about window's server list, seeded with a full list.
list_dir=build/ci-fuzz/serverlist_corpus
rm -rf "$list_dir" && mkdir -p "$list_dir/seeds" "$list_dir/found"
printf 'FINAL 9.01\nFINAL_VERSION 90100\nBETA_VERSION -+90020\nFINAL_INSTALLER_LIN dl.example /a b.zip \r\nFINAL_INSTALLER_LIN_MD5 0123456789ABCDEF0123456789abcdef\n' \
    > "$list_dir/seeds/full.txt"
build/ci-fuzz/fuzz/fuzz_serverlist -runs=20000 -max_len=4096 -max_total_time=30 \
    "$list_dir/found" "$list_dir/seeds"

run_build build/ci-release -DCMAKE_BUILD_TYPE=RelWithDebInfo
ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 \
    run_build build/ci-sanitize -DCMAKE_BUILD_TYPE=Debug -DSKY_SANITIZE=ON
