#!/usr/bin/env bash
# Debian 12 packages, installed as root where missing:
#   bash tools/install_packages.sh --run   what building and running the installer
#                                          needs (the run command, tools/run_installer.sh)
#   bash tools/install_packages.sh         that, and what the tests, the benchmarks and
#                                          fuzzing need (the test command, tools/test_all.sh)
# Prints one line when everything is there already.
set -euo pipefail

run_packages=(
    build-essential cmake ninja-build pkg-config python3
    zlib1g-dev libminizip-dev libisal-dev libpng-dev libsquish-dev
    libgl-dev libglx-dev libx11-dev libgl1-mesa-dri
    # The run command's own Xvfb, and its clicks there when no display is set.
    xvfb xdotool
)
test_packages=(
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    libxtst-dev libxdamage-dev x11-utils
    nginx-light curl tinyproxy
    clang libclang-rt-14-dev
    unzip libarchive-tools time
    # Only for tools/make_interface_art.py, which draws art/*.png; the build
    # itself embeds the PNG files without Python.
    python3-pil python3-numpy fonts-dejavu-core
)

case "${1:-}" in
    --run) packages=("${run_packages[@]}") ;;
    "") packages=("${run_packages[@]}" "${test_packages[@]}") ;;
    *)
        echo "usage: install_packages.sh [--run]" >&2
        exit 2
        ;;
esac

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    echo "All ${#packages[@]} packages are installed."
    exit 0
fi

# nginx and tinyproxy are peers that the download tests start themselves on
# 127.0.0.1. Installed here for them, they must not run as system services:
# apt may not start them now (policy-rc.d), and the units their packages add
# are disabled again, so nothing starts at boot. A service the machine already
# had is left as it is.
service_exists() { [ -e "/lib/systemd/system/$1.service" ] || [ -e "/etc/init.d/$1" ]; }
new_services=()
for service in nginx tinyproxy; do
    service_exists "$service" || new_services+=("$service")
done

export DEBIAN_FRONTEND=noninteractive
apt-get update
policy=/usr/sbin/policy-rc.d
own_policy=0
if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' > "$policy"
    chmod +x "$policy"
    own_policy=1
fi
status=0
apt-get install -y --no-install-recommends "${missing[@]}" || status=$?
if [ $own_policy = 1 ]; then rm -f "$policy"; fi
[ $status = 0 ] || exit $status

for service in "${new_services[@]}"; do
    service_exists "$service" || continue
    if command -v systemctl >/dev/null; then
        systemctl disable --quiet "$service"
    else
        update-rc.d "$service" disable
    fi
done
echo "Installed ${#missing[@]} packages: ${missing[*]}"
