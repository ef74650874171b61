#!/usr/bin/env bash
# Installs the packages and builds the installer's libraries; there is no
# program to run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install_packages.sh
cmake --preset release -B build/installer -DSKY_TESTS=OFF -DSKY_BENCH=OFF
cmake --build build/installer -j "$(nproc)"
