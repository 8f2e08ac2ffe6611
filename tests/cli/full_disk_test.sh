#!/usr/bin/env bash
# A full disk: packing into an archive on a 2 MiB file system, or deleting from it, finds no room
# for the copy beside it, says so and leaves the archive as it was, for new entries and
# replacements alike; asked for in place, the same edits succeed. Extraction reports the failed
# write in the system's words.
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

for edit in "pack -C $work/src too-big.bin" "pack -C $work/other small.txt" \
            "pack -C $work/src small.txt" "delete small.txt"; do
    # shellcheck disable=SC2086
    set -- $edit
    qp "$1" "$disk/a.pbo" "${@:2}" 2>"$work/err.txt"
    [ $? -eq 1 ] || fail "$edit onto a full disk did not exit 1"
    cmp -s "$disk/a.pbo" "$work/before.pbo" || fail "$edit that did not fit changed the archive"
    grep -q "no room for a copy of [0-9.]* MB on .*disk: [0-9.]* [KM]B free; the archive is unchanged" \
        "$work/err.txt" || fail "$edit: $(cat "$work/err.txt")"
done
ls "$disk" | grep -q quillpack-tmp && fail "a copy was left: $(ls "$disk")"
# In place, a small file goes in and an entry comes out where no copy fits.
echo tiny >"$work/src/tiny.txt"
qp pack "$disk/a.pbo" --in-place -C "$work/src" tiny.txt || fail "packing in place failed"
qp delete "$disk/a.pbo" --in-place big.bin || fail "deleting in place failed"
qp verify "$disk/a.pbo" >/dev/null || fail "the archive edited in place does not verify"
qp extract "$disk/a.pbo" -C "$work/in-place" && cmp -s "$work/in-place/tiny.txt" "$work/src/tiny.txt" ||
    fail "the entry packed in place does not come back"
qp pack "$disk/a.pbo" --in-place -C "$work/src" big.bin || fail "packing back in place failed"
qp extract "$disk/a.pbo" -C "$disk/out" 2>"$work/err.txt" && fail "extracting onto a full disk succeeded"
grep -Eq "write failed: (no space left on device|disk full|there is not enough space on the disk)" \
    "$work/err.txt" || fail "no full disk reported: $(cat "$work/err.txt")"
echo "full_disk_test: all checks passed"
