#!/usr/bin/env bash
# Runs Windows programs of the build under 32-bit Wine, in the project's own
# prefix, with no display, no crash debugger and a bound on their time.
# Several programs (all in one folder) run in ONE Wine start, one after the
# other, since starting Wine is the slow part here; the exit status is 0 only
# when every program exited with 0.
#   tools/wine-run.sh build/win32/scenarios.exe [build/win32/other.exe ...]
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 program.exe [program.exe ...]" >&2; exit 2; }
dir=$(cd "$(dirname "$1")" && pwd)
programs=()
for exe in "$@"; do
    [ "$(cd "$(dirname "$exe")" && pwd)" = "$dir" ] || { echo "wine-run: $exe is not in $dir" >&2; exit 2; }
    programs+=("$(basename "$exe")")
done
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-eksportzam}
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine-run: creating the Wine prefix $WINEPREFIX (a few minutes, once)"
    timeout 1800 wineboot -i >/dev/null 2>&1 || true
    # No crash debugger: a fault must end the process, not hang it.
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Auto /t REG_SZ /d 1 /f >/dev/null 2>&1 || true
    wine reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f >/dev/null 2>&1 || true
    wineserver -w || true
fi
cd "$dir"
if [ $# -eq 1 ]; then
    command=("./$(basename "$1")")
else
    # A batch file runs the programs in turn inside one Wine start.
    batch=wine-run-$$.bat
    {
        echo "@echo off"
        echo "set FAILED="
        for exe in "${programs[@]}"; do
            echo "$exe"
            echo "if errorlevel 1 set FAILED=1"
        done
        echo "if defined FAILED exit /b 1"
        echo "exit /b 0"
    } | sed 's/$/\r/' > "$batch"
    trap 'rm -f "$dir/$batch"' EXIT
    command=(cmd /c "$batch")
fi
status=0
timeout "${WINE_TIMEOUT:-1800}" wine "${command[@]}" 2> >(grep -v -e '^qemu: uncaught target signal' -e 'Inconsistency detected by ld.so' >&2) | tr -d '\r' || status=${PIPESTATUS[0]}
exit "$status"
