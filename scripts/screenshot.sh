#!/usr/bin/env bash
# Starts Pellwick from folder $1 on the simulated device (Wine already up),
# presses a button on the simulated remote so that a received code shows,
# and saves the main window as the PNG file $2.
set -uo pipefail
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
