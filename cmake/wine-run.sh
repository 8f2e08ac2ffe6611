#!/usr/bin/env bash
# Runs a Windows program under Wine in the build's own prefix: wine-run.sh PREFIX PROGRAM ARGS...
# `--start` makes the prefix and leaves one persistent server running, so that later runs start
# fast and no background service of Wine holds the caller's output pipes; `--stop` ends it.
set -u
prefix=$1
shift
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# The server and the services it starts must not inherit the lock, or it would be held for ever.
start() {
    mkdir -p "$prefix"
    (
        flock 9
        wineserver -p 300 </dev/null >/dev/null 2>&1 9>&-
        wine cmd /c exit </dev/null >/dev/null 2>&1 9>&-
        touch "$prefix/.ready"
    ) 9>"$prefix.lock"
}

case "${1:-}" in
    --start) start; exit 0 ;;
    --stop) wineserver -k </dev/null >/dev/null 2>&1; exit 0 ;;
esac
[ -f "$prefix/.ready" ] || start
exec wine "$@"
