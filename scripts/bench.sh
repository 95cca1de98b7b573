#!/usr/bin/env bash
# Measures Pellwick on the simulated device and prints a table of figures,
# each beside its baseline or target from the same run: start-up, relay
# latency, a flood of received codes, the code box check per keystroke,
# transmit overhead, footprint, and a soak of learns, injections,
# transmissions and About boxes; and, natively on the host, the IR code
# core's decode and render throughput (row 8) and the code file formats'
# import and export times (row 11, run with row 8).
#
#   scripts/bench.sh [--quick] [--soak N] [--rows 1234567810]
#
# --quick takes a couple of minutes (fewer repetitions, soak 50); the full
# run about five on two CPUs. --soak N sets the soak's size (default 1000), --rows
# picks rows by number (10: the code library). Builds in its own folders (build/bench32, and
# build/bench64 on hosts that cannot run 32-bit code, build/bench-host for
# row 8) and uses its own Wine prefix (build/wineprefix-bench-*, or
# $PELLWICK_WINEPREFIX), so that it can run beside the tests. The table is
# also saved to build/bench-result.txt.
set -uo pipefail
cd "$(dirname "$0")/.."

quick=0
rows=12345678
previous=""
for arg in "$@"; do
    [ "$arg" = --quick ] && quick=1
    [ "$previous" = --rows ] && rows=$arg
    previous=$arg
done
# Row 10 (the code library) runs under Wine too; there is no row 0.
wine_rows=$(echo "${rows//10/L}" | tr -cd '1-7L')

scripts/install-deps.sh || exit 1
. scripts/wine-env.sh
export WINEPREFIX="${PELLWICK_WINEPREFIX:-$PWD/build/wineprefix-bench-$PELLWICK_ARCH}"
jobs=$(nproc)
mkdir -p build

load() { cut -d' ' -f1 /proc/loadavg 2>/dev/null || echo "?"; }
load_before=$(load)
result=build/bench-result.txt
: >"$result"
status=0

# Row 8 runs natively, before Wine starts: the IR code core from a Release
# host build of its own.
host_result=build/bench-host-result.txt
: >"$host_result"
if [[ "$rows" == *8* ]]; then
    hb=build/bench-host
    echo "Building the IR core's throughput benchmark in $hb and measuring row 8 ..."
    if cmake -S . -B "$hb" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >build/bench-host-configure.log 2>&1 &&
       cmake --build "$hb" --target pellwick_ir_bench pellwick_formats_bench -j"$jobs" >build/bench-host-build.log 2>&1; then
        quick_flag=()
        [ "$quick" = 1 ] && quick_flag=(--quick)
        "$hb/pellwick_ir_bench" "${quick_flag[@]}" >"$host_result" 2>&1 || status=1
        # Row 11, the code file formats, goes with row 8: both are host rows.
        "$hb/pellwick_formats_bench" "${quick_flag[@]}" >>"$host_result" 2>&1 || status=1
    else
        tail -n 30 build/bench-host-build.log build/bench-host-configure.log
        status=1
    fi
fi

# The host row's figures, the sources and the host's load close the table.
finish() {
    tee -a "$result" <"$host_result"
    revision=unknown
    if command -v git >/dev/null && revision=$(git rev-parse --short HEAD 2>/dev/null); then
        git diff --quiet HEAD -- app code learn ui sim ir || revision="$revision with uncommitted changes"
    else
        revision=unknown
    fi
    {
        echo "   sources: $revision"
        echo "   host load average (1 min): $load_before at the start, $(load) at the end"
    } | tee -a "$result"
    exit "$status"
}
[ -n "$wine_rows" ] || finish

# The 32-bit product build: its size, and how long building it takes (from
# clean in a full run; a quick run only brings it up to date).
b32=build/bench32
echo "Building the 32-bit product build in $b32 ..."
cmake -S . -B "$b32" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release \
    >build/bench32-configure.log 2>&1 || { tail -n 20 build/bench32-configure.log; exit 1; }
clean=(--clean-first)
what="clean build of the 32-bit pellwick.exe and its core library, -j$jobs"
if [ "$quick" = 1 ]; then
    clean=()
    what="32-bit pellwick.exe brought up to date (quick run), -j$jobs"
fi
start=$(date +%s%N)
cmake --build "$b32" --target pellwick -j"$jobs" "${clean[@]}" >build/bench32-build.log 2>&1 ||
    { tail -n 30 build/bench32-build.log; exit 1; }
seconds=$(awk -v a="$start" -v b="$(date +%s%N)" 'BEGIN { printf "%.1f", (b - a) / 1e9 }')
size32=$(stat -c %s "$b32/bin/pellwick.exe")

# The build that runs here: the same sources as 64-bit code on hosts that
# cannot run 32-bit code.
if [ "$PELLWICK_ARCH" = win64 ]; then
    run=build/bench64
    echo "Building the 64-bit test build in $run ..."
    cmake -S . -B "$run" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
        -DCMAKE_BUILD_TYPE=Release >build/bench64-configure.log 2>&1 ||
        { tail -n 20 build/bench64-configure.log; exit 1; }
else
    run=$b32
fi
cmake --build "$run" --target pellwick_bench -j"$jobs" >build/bench-build.log 2>&1 ||
    { tail -n 30 build/bench-build.log; exit 1; }

echo "Starting Wine ($PELLWICK_ARCH, prefix $WINEPREFIX) ..."
wine_up
trap wine_down EXIT
# The output goes to a file: Wine's helper processes may inherit a pipe and
# keep it open after the benchmark has ended.
"$PELLWICK_WINE" "$run/bin/pellwick_bench.exe" "$@" --size32 "$size32" \
    --build-seconds "$seconds" --build-what "$what" >"$result" 2>&1 &
bench=$!
tail -n +1 -f --pid="$bench" "$result"
wait "$bench" || status=$?
finish
