#!/usr/bin/env bash
# Runs one Windows program of the build under 32-bit Wine, in the project's own
# prefix, with no display, no crash debugger and a bound on its time. The
# program's exit status is passed through.
set -euo pipefail
exe=$1; shift
dir=$(cd "$(dirname "$exe")" && pwd)
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-eksportzam}
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine-run: creating the Wine prefix $WINEPREFIX (a few minutes, once)"
    timeout 900 wineboot -i >/dev/null 2>&1 || true
    # No crash debugger: a fault must end the process, not hang it.
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Auto /t REG_SZ /d 1 /f >/dev/null 2>&1 || true
    wine reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f >/dev/null 2>&1 || true
    wineserver -w || true
fi
cd "$dir"
status=0
timeout "${WINE_TIMEOUT:-900}" wine "./$(basename "$exe")" "$@" | tr -d '\r' || status=${PIPESTATUS[0]}
exit "$status"
