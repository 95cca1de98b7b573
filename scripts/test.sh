#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the host
# unit tests (under AddressSanitizer and UBSan), checks of the 32-bit
# Windows build, and the end-to-end tests under Wine. Ends with one line:
# "N passed, M failed".
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh || { echo "0 passed, 1 failed"; exit 1; }
jobs=$(nproc)
passed=0
failed=0
results=()

# Adds up the counts from a ctest log ("NN% tests passed, F tests failed out of T").
count_ctest() {
    local log=$1 name=$2 line total bad
    line=$(grep -E "tests passed, [0-9]+ tests? failed out of [0-9]+" "$log" | tail -n 1)
    if [ -z "$line" ]; then
        failed=$((failed + 1)); results+=("$name: did not run"); return
    fi
    bad=$(echo "$line" | sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/')
    total=$(echo "$line" | sed -E 's/.*out of ([0-9]+).*/\1/')
    passed=$((passed + total - bad)); failed=$((failed + bad))
    results+=("$name: $line")
    # What the failed tests said, so that a run on a machine that is gone
    # afterwards still tells why.
    [ "$bad" -eq 0 ] || grep -E -A5 ": Failure" "$log" | head -n 60
}

check() {  # name, command...
    local name=$1; shift
    if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED check: $name"; fi
}

mkdir -p build
echo "== host unit tests"
if cmake --preset host >build/host-configure.log 2>&1 &&
   cmake --build --preset host -j"$jobs" >build/host-build.log 2>&1; then
    ctest --preset host -j"$jobs" 2>&1 | tee build/host-ctest.log | tail -n 3
    count_ctest build/host-ctest.log "host unit tests"
else
    tail -n 30 build/host-build.log; failed=$((failed + 1)); results+=("host build failed")
fi

echo "== fuzzing (short runs)"
if cmake --preset fuzz >build/fuzz-configure.log 2>&1 &&
   cmake --build --preset fuzz -j"$jobs" >build/fuzz-build.log 2>&1; then
    (cd build/fuzz && ctest 2>&1) | tee build/fuzz-ctest.log | tail -n 3
    count_ctest build/fuzz-ctest.log "fuzzers"
else
    tail -n 30 build/fuzz-build.log; failed=$((failed + 1)); results+=("fuzz build failed")
fi

echo "== Windows builds"
. scripts/wine-env.sh
if bin=$(scripts/build.sh 2>build/win-build.log); then
    exe32=build/win32/bin/pellwick.exe
    check "pellwick.exe is a 32-bit GUI program" \
        sh -c "i686-w64-mingw32-objdump -f '$exe32' | grep -q 'file format pei-i386' &&
               i686-w64-mingw32-objdump -p '$exe32' | grep -qE '^Subsystem\s+00000002'"
    check "pellwick.exe does not import the driver library" \
        sh -c "! i686-w64-mingw32-objdump -p '$exe32' | grep -qi 'DLL Name: tavrixdrv'"
    # Only these load with the program: the common dialogs, the shell and
    # COM cost start-up milliseconds under Wine and load when first used.
    check "pellwick.exe loads only kernel32, user32, gdi32, advapi32 and the C runtime at start" \
        sh -c "i686-w64-mingw32-objdump -p '$exe32' | grep 'DLL Name' | grep -viqE 'kernel32|user32|gdi32|advapi32|msvcrt' && exit 1 || exit 0"
    check "the simulated driver exports undecorated names" \
        sh -c "i686-w64-mingw32-objdump -p build/win32/bin/tavrixdrv.dll | grep -qE '\\]\\s+TavrixLearnIR$'"
    check "the variant without TavrixGetDrvVersion lacks it" \
        sh -c "! i686-w64-mingw32-objdump -p build/win32/bin/nover/tavrixdrv.dll | grep -q TavrixGetDrvVersion"

    echo "== end-to-end tests under Wine ($PELLWICK_ARCH build)"
    # The tests save screenshots of every window here; only this run's stay.
    rm -f build/screenshots/*.png
    wine_up
    # The first Wine program after start-up can keep ctest's test listing
    # waiting on Wine's helper processes: start one before ctest does.
    "$PELLWICK_WINE" "$bin/e2e_tests.exe" --gtest_list_tests >/dev/null 2>&1 || true
    (cd "build/$PELLWICK_ARCH" && ctest --output-on-failure --timeout 180 2>&1) |
        tee build/e2e-ctest.log | grep -E "Test +#|tests passed|Failed|\*\*\*" | tail -n 80
    count_ctest build/e2e-ctest.log "end-to-end tests"
    scripts/screenshot.sh "$bin" build/screenshots/main-window.png &&
        echo "Screenshot of the main window: build/screenshots/main-window.png"
    wine_down
else
    tail -n 40 build/win-build.log; failed=$((failed + 1)); results+=("Windows build failed")
fi

printf '%s\n' "${results[@]}"
shots=(build/screenshots/*.png)
if [ -e "${shots[0]}" ]; then
    echo "Screenshots:"
    printf '  %s\n' "${shots[@]}"
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
