#!/usr/bin/env bash
# Runs a fuzz target for a bounded time over a copy of its seed corpus, so that what it finds
# stays out of the repository; a crash or a broken invariant fails the run and is kept beside it.
# Usage: run_fuzz.sh TARGET SEED_DIR SECONDS
set -eu
target=$1
seeds=$2
seconds=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$seeds" "$work/corpus"
artifacts="$(dirname "$target")/artifacts/$(basename "$target")"
mkdir -p "$artifacts"
"$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "$work/corpus"
