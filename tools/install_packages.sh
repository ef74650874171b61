#!/usr/bin/env bash
# Debian 12 packages for building, testing and running the installer.
set -euo pipefail
packages=(
    build-essential cmake ninja-build pkg-config
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    zlib1g-dev libminizip-dev
    clang libclang-rt-14-dev
    unzip
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    apt-get install -y --no-install-recommends "${missing[@]}"
fi
