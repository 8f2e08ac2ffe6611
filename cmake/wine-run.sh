#!/usr/bin/env bash
# Runs a Windows program under Wine in the build's own prefix: wine-run.sh PREFIX BITS PROGRAM ARGS...
# BITS (32 or 64) picks Wine's loader: 64-bit programs start through wine64 itself, so that they
# run on machines that cannot run 32-bit programs at all. `--start` makes the prefix and leaves
# one persistent server running, so that later runs start fast and no background service of Wine
# holds the caller's output pipes; `--stop` ends it; `--check` tells (by its status) whether this
# machine can run programs of BITS at all.
set -u
prefix=$1
bits=$2
shift 2
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ "$bits" = 64 ] && [ -x /usr/lib/wine/wine64 ]; then
    # Programs the 64-bit loader starts in turn (cmd, explorer) go through it too.
    export WINELOADER=/usr/lib/wine/wine64
    loader=$WINELOADER
else
    loader=wine
fi

# The server and the services it starts must not inherit the lock, or it would be held for ever.
start() {
    mkdir -p "$prefix"
    (
        flock 9
        # A server already running may be one that a build step's program started, which ends a
        # few seconds after its last program; a program starting just then fails without a
        # word. It is ended, and one that stays between programs takes its place.
        wineserver -k </dev/null >/dev/null 2>&1 9>&-
        wineserver -w </dev/null >/dev/null 2>&1 9>&-
        wineserver -p 300 </dev/null >/dev/null 2>&1 9>&-
        "$loader" cmd /c exit </dev/null >/dev/null 2>&1 9>&-
        touch "$prefix/.ready"
    ) 9>"$prefix.lock"
}

case "${1:-}" in
    --start) start; exit 0 ;;
    --stop) wineserver -k </dev/null >/dev/null 2>&1; exit 0 ;;
    --check)
        # The loader itself must run: a kernel without 32-bit support refuses wine32 outright.
        if [ "$loader" = wine ]; then /usr/lib/wine/wine --version >/dev/null 2>&1; else "$loader" --version >/dev/null 2>&1; fi
        exit $? ;;
esac
[ -f "$prefix/.ready" ] || start
exec "$loader" "$@"
