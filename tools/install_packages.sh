#!/usr/bin/env bash
# Debian 12 packages for building, testing and running the installer.
set -euo pipefail
packages=(
    build-essential cmake ninja-build pkg-config
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    zlib1g-dev libminizip-dev libisal-dev libpng-dev libsquish-dev
    libgl-dev libglx-dev libx11-dev libxtst-dev libxdamage-dev libgl1-mesa-dri
    xvfb x11-utils xdotool
    nginx-light curl tinyproxy
    clang libclang-rt-14-dev
    unzip libarchive-tools time
    # Only for tools/make_interface_art.py, which draws art/*.png; the build
    # itself embeds the PNG files without Python.
    python3-pil python3-numpy fonts-dejavu-core
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    # nginx and tinyproxy are test peers that the tests start themselves on
    # 127.0.0.1: keep their packages from starting system services.
    policy=/usr/sbin/policy-rc.d
    own_policy=0
    if [ ! -e "$policy" ]; then
        printf '#!/bin/sh\nexit 101\n' > "$policy"
        chmod +x "$policy"
        own_policy=1
    fi
    apt-get install -y --no-install-recommends "${missing[@]}" || { [ $own_policy = 1 ] && rm -f "$policy"; exit 1; }
    if [ $own_policy = 1 ]; then rm -f "$policy"; fi
fi

# apt enables nginx and tinyproxy as system services started at every boot; the
# tests and benchmarks start their own on 127.0.0.1 and want no others.
for service in nginx tinyproxy; do
    if command -v systemctl >/dev/null; then
        systemctl disable --quiet "$service"
    elif [ -x "/etc/init.d/$service" ]; then
        update-rc.d "$service" disable
    fi
done
