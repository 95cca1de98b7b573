# Sourced by the run, test and benchmark scripts: a quiet, project-local Wine
# with its own server and, when there is no display, its own Xvfb.
#   . scripts/wine-env.sh; wine_up; ...; wine_down
PELLWICK_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="${WINEPREFIX:-$PELLWICK_ROOT/build/wineprefix}"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
PELLWICK_XVFB_PID=""

wine_up() {
    mkdir -p "$WINEPREFIX"
    if [ -z "${DISPLAY:-}" ] || [ "${PELLWICK_FORCE_XVFB:-0}" = 1 ]; then
        local fifo
        fifo=$(mktemp -u)
        mkfifo "$fifo"
        Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
        PELLWICK_XVFB_PID=$!
        local n
        read -r n <"$fifo"
        rm -f "$fifo"
        export DISPLAY=":$n"
    fi
    wineserver -p >/dev/null 2>&1 || true
    if [ ! -f "$WINEPREFIX/.pellwick-ready" ]; then
        wineboot -i >/dev/null 2>&1 || true
        wineserver -w
        wineserver -p >/dev/null 2>&1 || true
        # No window manager under Xvfb: unmanaged windows hide and close at once.
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
        # Debian's Wine does not find its own fonts by itself.
        mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
        cp -n /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
        touch "$WINEPREFIX/.pellwick-ready"
    fi
}

wine_down() {
    wineserver -k >/dev/null 2>&1 || true
    if [ -n "$PELLWICK_XVFB_PID" ]; then
        kill "$PELLWICK_XVFB_PID" 2>/dev/null || true
        wait "$PELLWICK_XVFB_PID" 2>/dev/null || true
    fi
}
