#!/usr/bin/env bash
# Installs what the build and the tests need on a fresh Debian 12 machine, then
# builds and runs every test twice: a normal build and an ASan + UBSan build.
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

run_build build/ci-release -DCMAKE_BUILD_TYPE=RelWithDebInfo
ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 \
    run_build build/ci-sanitize -DCMAKE_BUILD_TYPE=Debug -DSKY_SANITIZE=ON
