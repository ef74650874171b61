#!/usr/bin/env bash
# The installer on the sample disc, on a fresh Debian 12 machine, as root (root
# installs the packages and mounts the disc): installs what the installer needs
# (tools/install_packages.sh --run), builds it, makes the sample disc
# (tools/make_sample_disc.py) and presents it as the plain folder /mnt/dvd/ in
# a private mount namespace (a tmpfs over /mnt; no real mount is touched), then
# starts the installer with the destination Skylume/ in its work folder (below).
#
# With DISPLAY set, the user drives the installer. Without, it runs on its own
# Xvfb and one whole installation is driven through XTest (xdotool); the
# screenshots of each screen are saved as PNG files, and where they are and what
# was installed is printed. Arguments after the script go to the installer.
#
# One folder holds everything a run makes and is kept for the next run, which
# reuses the build and the disc: build/run/ in the checkout (SKY_WORK=<folder>
# for another). In it: the disc (sample/), the destination, the screenshots,
# the installer's home (home/: log and preference file, when no display is set)
# and run.log, the package and build output, shown only when a step fails.
# SKY_BUILD=<folder> is the build folder (build/installer); SKY_JOBS caps the
# parallel build jobs.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$(pwd)
build=${SKY_BUILD:-build/installer}
case $build in /*) ;; *) build=$source_dir/$build ;; esac

if [ "${1:-}" != "--in-namespace" ]; then
    if [ "$(id -u)" != 0 ]; then
        echo "run_installer.sh: run me as root (packages, and a private mount namespace for the disc)" >&2
        exit 1
    fi
    work=${SKY_WORK:-$source_dir/build/run}
    mkdir -p "$work"
    work=$(cd "$work" && pwd)
    log=$work/run.log
    : >"$log"
    quietly() { # quietly <what> <command...>: the output to the log, shown when the command fails
        local what=$1
        shift
        if ! "$@" >>"$log" 2>&1; then
            echo "$what failed; the end of $log:" >&2
            tail -n 40 "$log" >&2
            exit 1
        fi
    }
    quietly "Installing the packages" bash tools/install_packages.sh --run
    echo "Packages: $(tail -n 1 "$log")"
    started=$SECONDS
    if [ ! -f "$build/CMakeCache.txt" ]; then
        quietly "Configuring" cmake --preset release -B "$build" -DSKY_TESTS=OFF -DSKY_BENCH=OFF
    fi
    quietly "The build" cmake --build "$build" -j "${SKY_JOBS:-$(nproc)}"
    echo "Build: $build/ ($((SECONDS - started)) s; the installer and its screenshot tool)"
    # The disc is made again only when the script that makes it has changed.
    if [ "$work/sample/sample.txt" -nt tools/make_sample_disc.py ]; then
        echo "Sample disc: $work/sample/disc/ (kept from the last run)"
    else
        quietly "Making the sample disc" python3 tools/make_sample_disc.py "$work/sample"
        echo "Sample disc: $work/sample/disc/ (made)"
    fi
    # Mounts made in the new namespace stay private to it and end with it.
    exec unshare --mount --propagation private bash "$0" --in-namespace "$work" "$build" "$@"
fi

# ---- inside the private mount namespace -------------------------------------------
shift
work=$1
build=$2
shift 2
installer=$build/src/installer/skylume_installer
mount -t tmpfs -o size=512m skylume-disc /mnt
mkdir -p /mnt/dvd
cp -a "$work/sample/disc/." /mnt/dvd/
dest=$work/Skylume/
product="$work/Skylume 10"
# The installer writes MemoryLog.txt and its screenshots in its current folder.
cd "$work"

# On the user's display what earlier runs installed is kept, to be updated
# through DESTINATION; the installation driven here starts afresh.
if [ -n "${DISPLAY:-}" ]; then
    echo "Installer: on $DISPLAY, the disc at /mnt/dvd/, installing into $dest"
    echo "Log: $HOME/Log.txt; preferences: $HOME/.skylume/Skylume Installer.prf"
    exec "$installer" -path "$dest" "$@"
fi

# ---- no display: one installation on Xvfb, driven through XTest -------------------------
rm -rf "$dest" "$product"
shots=$work/screenshots
home=$work/home
mkdir -p "$shots" "$home"
rm -f "$shots"/*.png
rm -f "$work/display"
Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 5>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
installer_pid=
cleanup() {
    [ -n "$installer_pid" ] && kill "$installer_pid" 2>/dev/null || true
    kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 300); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(head -n1 "$work/display")
echo "Installer: on its own Xvfb ($DISPLAY), the disc at /mnt/dvd/, installing into $dest"

shot_number=0
shot() { # shot <name>: the whole screen as <n>_<name>.png
    shot_number=$((shot_number + 1))
    "$build/tools/x_screenshot" "$shots/$(printf %02d $shot_number)_$1.png"
}
press() { xdotool mousemove "$1" "$2" sleep 0.2 click 1; } # screen pixels, y downwards
wait_until() { # wait_until <seconds> <what> <test...>
    local seconds=$1 what=$2
    shift 2
    for _ in $(seq $((seconds * 10))); do
        "$@" && return 0
        kill -0 "$installer_pid" 2>/dev/null || { echo "the installer ended while waiting for $what" >&2; return 1; }
        sleep 0.1
    done
    echo "no $what after ${seconds}s" >&2
    return 1
}
# Screens are told apart by a few pixels (screen pixels, y downwards).
grey_at() {
    local rgb
    rgb=$("$build/tools/x_screenshot" --pixel "$1" "$2") || return 1
    echo $(((16#${rgb:0:2} + 16#${rgb:2:2} + 16#${rgb:4:2}) / 3))
}
# The light title band, and INSTALL offered (its label tinted green, red while
# the disc is not read): the disc is read and the destination examined. And
# DESTINATION's green label, which the manifest's reading pictures cover: the
# ready screen is drawn whole, not only INSTALL over the reading's last picture.
ready() {
    [ "$(grey_at 10 10)" -gt 180 ] &&
        [ "$("$build/tools/x_screenshot" --green 460 671 64 15)" -gt 20 ] &&
        [ "$("$build/tools/x_screenshot" --green 20 671 106 15)" -gt 20 ]
}
# A sub-window (licence, question, alert) clears the screen to its backdrop.
sub_window() {
    local corner
    for corner in "10 10" "1013 10" "10 757"; do
        # shellcheck disable=SC2086
        [ "$("$build/tools/x_screenshot" --pixel $corner)" = 334356 ] || return 1
    done
}
renamed() { [ -d "$product" ]; }

HOME=$home "$installer" -path "$dest" --pref:_log_actions=1 "$@" >"$work/installer.out" 2>&1 &
installer_pid=$!
wait_until 300 "ready screen" ready
shot ready
press 491 679          # INSTALL
wait_until 60 "licence window" sub_window
shot licence
press 691 513          # AGREE
sleep 0.3
shot installing
wait_until 600 "finished installation" renamed
wait_until 60 "completion alert" sub_window
sleep 0.3
shot completion_alert
xdotool key Return         # closes the completion alert
exit_offered() { [ "$(grey_at 10 10)" -gt 180 ] && [ "$(grey_at 963 686)" -lt 90 ]; }
wait_until 60 "main screen" exit_offered
shot after_alert
press 985 679          # EXIT
status=0
wait "$installer_pid" || status=$?
installer_pid=

echo "The installer ended with status $status."
echo "Installed: $product/ ($(find "$product" -type f | wc -l) files, $(find "$product" -type l | wc -l) link," \
    "$(du -sh "$product" | cut -f1)): $(ls "$product" | tr '\n' ' ')"
echo "Screenshots: $shots/ ($(ls "$shots" | tr '\n' ' '))"
echo "Log: $home/Log.txt; preferences: $home/.skylume/Skylume Installer.prf"
exit "$status"
