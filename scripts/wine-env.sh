# Sourced by the run, test and benchmark scripts: a quiet, project-local Wine
# with its own server and, when there is no display, its own Xvfb.
#   . scripts/wine-env.sh; wine_up; ...; wine_down
#
# Hosts whose kernel runs 32-bit x86 code use the 32-bit Wine and the 32-bit
# build. Others (some virtual machines run 64-bit user code only, where every
# 32-bit program fails with "Exec format error", Wine's WoW64 mode included)
# use the 64-bit Wine and the 64-bit build of the same sources.
PELLWICK_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    PELLWICK_ARCH=win32
    export PELLWICK_WINE=/usr/lib/wine/wine
    export WINEARCH=win32
    unset WINELOADER
else
    PELLWICK_ARCH=win64
    export PELLWICK_WINE=/usr/lib/wine/wine64
    export WINEARCH=win64
    export WINELOADER=/usr/lib/wine/wine64
fi
export PELLWICK_ARCH
export WINEPREFIX="${PELLWICK_WINEPREFIX:-$PELLWICK_ROOT/build/wineprefix-$PELLWICK_ARCH}"
export WINEDEBUG=-all
# winemenubuilder would copy the installer's Start menu shortcuts into the
# host's desktop menus.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINESERVER=/usr/lib/wine/wineserver
PELLWICK_XVFB_PID=""

wine_up() {
    mkdir -p "$WINEPREFIX"
    if [ -z "${DISPLAY:-}" ] || [ "${PELLWICK_FORCE_XVFB:-0}" = 1 ]; then
        local fifo n
        fifo=$(mktemp -u)
        mkfifo "$fifo"
        Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
        PELLWICK_XVFB_PID=$!
        read -r n <"$fifo"
        rm -f "$fifo"
        export DISPLAY=":$n"
    fi
    # A persistent server makes every later start fast; it exits 2 when one
    # already runs for this prefix.
    "$WINESERVER" -p >/dev/null 2>&1 || true
    if [ ! -f "$WINEPREFIX/.pellwick-ready" ]; then
        "$PELLWICK_WINE" wineboot -i >/dev/null 2>&1 || true
        # No window manager under Xvfb: unmanaged windows hide and close at once.
        "$PELLWICK_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
        # Debian's Wine does not find its own fonts by itself.
        mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
        cp -n /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
        touch "$WINEPREFIX/.pellwick-ready"
    fi
}

wine_down() {
    "$WINESERVER" -k >/dev/null 2>&1 || true
    if [ -n "$PELLWICK_XVFB_PID" ]; then
        kill "$PELLWICK_XVFB_PID" 2>/dev/null || true
        wait "$PELLWICK_XVFB_PID" 2>/dev/null || true
    fi
}
