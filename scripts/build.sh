#!/usr/bin/env bash
# Builds the 32-bit Windows program and its simulated device, and, on hosts
# that cannot run 32-bit code, the 64-bit build of the same sources that the
# end-to-end tests run there. Prints the folder to run from.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/wine-env.sh
jobs=$(nproc)
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j"$jobs" >/dev/null
if [ "$PELLWICK_ARCH" = win64 ]; then
    cmake --preset win64 >/dev/null
    cmake --build --preset win64 -j"$jobs" >/dev/null
fi
echo "build/$PELLWICK_ARCH/bin"
