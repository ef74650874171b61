#!/usr/bin/env bash
# Installs the packages and builds the installer's libraries; there is no
# program to run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install_packages.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSKY_TESTS=OFF -DSKY_BENCH=OFF
cmake --build build/release -j "$(nproc)"
