#!/usr/bin/env bash
# Starts Pellwick from folder $1 on the simulated device (Wine already up),
# presses a button on the simulated remote so that a received code shows,
# and saves the main window as the PNG file $2.
#
#   scripts/screenshot.sh --readme
# does all of it by itself (installs what is missing, builds, starts Wine on
# a display of its own) and saves the README's picture,
# docs/pellwick-main-window.png.
set -uo pipefail
if [ "${1:-}" = --readme ]; then
    cd "$(dirname "$0")/.."
    scripts/install-deps.sh || exit 1
    bin=$(scripts/build.sh) || exit 1
    . scripts/wine-env.sh
    PELLWICK_FORCE_XVFB=1 wine_up
    trap wine_down EXIT
    "$0" "$bin" docs/pellwick-main-window.png && echo "docs/pellwick-main-window.png"
    exit
fi
bin=$1
out=$2
mkdir -p "$(dirname "$out")"
"$PELLWICK_WINE" "$bin/pellwick.exe" >/dev/null 2>&1 &
for _ in $(seq 1 40); do
    sleep 0.5
    "$PELLWICK_WINE" "$bin/tavrixctl.exe" status 2>/dev/null | grep -q "receiving=yes" && break
done
sleep 0.5
"$PELLWICK_WINE" "$bin/tavrixctl.exe" press 1A2B3C4D5E6F >/dev/null 2>&1
sleep 0.05
import -window "Tavrix Pellwick Utility" "$out"
