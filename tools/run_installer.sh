#!/usr/bin/env bash
# Installs the packages, builds the installer and starts it on the X display
# named by DISPLAY. Arguments go to the program ("-path <folder>" sets the
# destination). Its log is "$HOME/Log.txt".
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install_packages.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSKY_TESTS=OFF -DSKY_BENCH=OFF
cmake --build build/release -j "$(nproc)"
exec build/release/src/installer/skylume_installer "$@"
