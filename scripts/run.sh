#!/usr/bin/env bash
# Installs what is missing, builds, and starts Pellwick under Wine on the
# simulated device. Without a display it runs under Xvfb, saves a screenshot
# as build/screenshots/pellwick.png and stops.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
bin=$(scripts/build.sh)
had_display=${DISPLAY:-}
. scripts/wine-env.sh
wine_up
trap wine_down EXIT
if [ -n "$had_display" ]; then
    echo "Pellwick runs on $DISPLAY; close its window to end."
    "$PELLWICK_WINE" "$bin/pellwick.exe" >/dev/null 2>&1
else
    scripts/screenshot.sh "$bin" build/screenshots/pellwick.png
    echo "No display: Pellwick ran under Xvfb; screenshot in build/screenshots/pellwick.png"
fi
