#!/usr/bin/env bash
# A full disk: packing into an archive on a 2 MiB file system fails cleanly and leaves the archive
# as it was, for new entries and replacements alike; extraction reports the failed write.
# Needs to mount a tmpfs (root); skipped (77) where that is not allowed.
# Usage: full_disk_test.sh TOOL [RUNNER]   (RUNNER runs a Windows build under Wine)
set -u
tool=$1
runner=${2:-}
qp() { ${runner:+"$runner"} "$tool" "$@"; }
work=$(mktemp -d)
disk="$work/disk"
mkdir -p "$disk" "$work/src" "$work/other"
mount -t tmpfs -o size=2m tmpfs "$disk" 2>/dev/null || { echo "SKIP: cannot mount a tmpfs here (needs root)"; rm -rf "$work"; exit 77; }
trap 'cd /; umount "$disk"; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

echo small >"$work/src/small.txt"
head -c 1500000 /dev/urandom >"$work/src/big.bin"
head -c 1000000 /dev/urandom >"$work/src/too-big.bin"
cp "$work/src/too-big.bin" "$work/other/small.txt"
qp pack "$disk/a.pbo" -C "$work/src" small.txt big.bin || fail "the first two files do not fit"
cp "$disk/a.pbo" "$work/before.pbo"

qp pack "$disk/a.pbo" -C "$work/src" too-big.bin 2>"$work/err.txt" && fail "packing onto a full disk succeeded"
cmp -s "$disk/a.pbo" "$work/before.pbo" || fail "a new entry that did not fit changed the archive"
qp pack "$disk/a.pbo" -C "$work/other" small.txt 2>>"$work/err.txt" && fail "a replacement that does not fit succeeded"
cmp -s "$disk/a.pbo" "$work/before.pbo" || fail "a replacement that did not fit changed the archive"
qp extract "$disk/a.pbo" -C "$disk/out" 2>>"$work/err.txt" && fail "extracting onto a full disk succeeded"
grep -q "write failed: disk full" "$work/err.txt" || fail "no full disk reported: $(cat "$work/err.txt")"
qp list "$disk/a.pbo" >/dev/null || fail "the archive no longer lists"
echo "full_disk_test: all checks passed"
