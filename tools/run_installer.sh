#!/usr/bin/env bash
# Installs the packages, builds the installer and starts it on the X display
# named by DISPLAY. Arguments go to the program ("-path <folder>" sets the
# destination). Its log is "$HOME/Log.txt".
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install_packages.sh
cmake --preset release -B build/installer -DSKY_TESTS=OFF -DSKY_BENCH=OFF
cmake --build build/installer -j "$(nproc)"
exec build/installer/src/installer/skylume_installer "$@"
