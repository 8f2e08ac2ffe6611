#!/usr/bin/env bash
# End to end: the quillpack tool packs a folder, lists, extracts, replaces and deletes entries,
# and verifies archives.
# Usage: cli_test.sh TOOL [RUNNER]   (RUNNER runs a Windows build under Wine)
set -u
tool=$1
runner=${2:-}
samples=$(cd "$(dirname "$0")/../data" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
qp() { ${runner:+"$runner"} "$tool" "$@"; }
fail() { echo "FAIL: $*"; exit 1; }
expect_status() {
    local want=$1
    shift
    qp "$@" >out.txt 2>err.txt
    local got=$?
    [ "$got" -eq "$want" ] || { cat out.txt err.txt; fail "quillpack $* exited $got, expected $want"; }
}

mkdir -p src/data/sub src/empty-dir
printf 'class CfgPatches {};\n' >src/config.cpp
head -c 300000 /dev/urandom >src/data/icon.paa
: >src/data/empty.txt
printf 'hint "hello";\n' >src/data/sub/init.sqf

expect_status 0 --version
grep -q '^quillpack ' out.txt || fail "--version prints no version"
expect_status 0 --help
expect_status 2
expect_status 2 list
expect_status 2 frobnicate a.pbo
expect_status 2 pack a.pbo --prefix x --product src
expect_status 2 verify
expect_status 2 verify a.pbo b.pbo

# A new archive, then the same entries back out.
expect_status 0 pack a.pbo --prefix 'my\addon' -C src .
[ -s err.txt ] && fail "no progress bar or message on a non-terminal stderr: $(cat err.txt)"
expect_status 0 list --long a.pbo
grep -q 'prefix = my\\addon' out.txt || fail "list --long shows no prefix: $(cat out.txt)"
grep -q 'data\\sub\\init.sqf' out.txt || fail "list misses a nested entry"
grep -q '^4 entries' out.txt || fail "list counts $(tail -1 out.txt)"
expect_status 0 extract a.pbo -C out
diff -r -x empty-dir src out || fail "extracted files differ"
[ -d out/empty-dir ] && fail "an empty folder has no entry, so nothing to extract"

# On a terminal, packing draws a progress bar on standard error (native builds: Wine's console
# is no terminal of this machine's).
if [ -z "$runner" ] && command -v script >/dev/null; then
    script -qec "'$tool' pack tty.pbo -C src ." /dev/null >tty.txt 2>&1
    grep -q '100%' tty.txt || fail "no progress bar on a terminal: $(cat tty.txt)"
fi

# Replacing an entry of an existing archive, and extracting one entry by name.
printf 'class CfgPatches { class x {}; };\n' >src/config.cpp
expect_status 0 pack a.pbo -C src config.cpp
expect_status 0 extract a.pbo -C again config.cpp
cmp -s src/config.cpp again/config.cpp || fail "replaced entry has the old content"
[ -e again/data ] && fail "extracting one entry wrote others"
expect_status 1 extract a.pbo -C again missing.txt

# Extracting one folder, in either of its host forms.
expect_status 0 extract a.pbo -C sel 'data\sub\'
expect_status 0 extract a.pbo -C sel2 'data\sub\*.*'
[ -f sel/data/sub/init.sqf ] && [ -f sel2/data/sub/init.sqf ] || fail "folder not extracted"
[ -e sel/config.cpp ] || [ -e sel/data/icon.paa ] && fail "extracting a folder wrote others"

# Deleting a folder by its host form.
expect_status 0 delete a.pbo 'data\*.*'
expect_status 0 list a.pbo
grep -q 'data\\' out.txt && fail "folder entries survived deletion"
grep -q '^1 entries' out.txt || fail "delete left $(tail -1 out.txt)"

# A damaged archive is reported and left as it was.
head -c 60 a.pbo >cut.pbo
cp cut.pbo cut-before.pbo
expect_status 1 list cut.pbo
expect_status 1 delete cut.pbo config.cpp
cmp -s cut.pbo cut-before.pbo || fail "delete changed a damaged archive"
expect_status 1 list missing.pbo
grep -q 'missing.pbo' err.txt || fail "error does not name the file"

# Verifying: archives from elsewhere with a SHA-1 trailer and with the fixed text of older
# quillpack archives, and what this tool wrote.
cp "$samples/checksummed.pbo" "$samples/addon.pbo" .
expect_status 0 verify checksummed.pbo
grep -q 'SHA-1 matches' out.txt || fail "verify: $(cat out.txt)"
expect_status 0 verify addon.pbo
grep -q 'no checksum' out.txt || fail "verify: $(cat out.txt)"
expect_status 0 verify a.pbo
# One byte of an entry's data changed: the trailer no longer matches.
cp checksummed.pbo changed.pbo
printf 'X' | dd of=changed.pbo bs=1 seek=300 conv=notrunc 2>/dev/null
expect_status 1 verify changed.pbo
grep -q 'SHA-1 does not match' err.txt || fail "verify: $(cat err.txt)"
# A compressed entry that claims more than its stream holds is named; so is a cut header.
at=$(grep -obUa 'config.cpp' addon.pbo | head -1 | cut -d: -f1)
cp addon.pbo claims.pbo
printf '\377\377\0\0' | dd of=claims.pbo bs=1 seek=$((at + 11 + 4)) conv=notrunc 2>/dev/null
expect_status 1 verify claims.pbo
grep -q 'config.cpp: compressed data ends after 11459 of 65535 bytes' err.txt ||
    fail "verify: $(cat err.txt)"
expect_status 1 verify cut.pbo
grep -q 'cut short' err.txt || fail "verify: $(cat err.txt)"

# Entry names that would leave the target folder are refused; the others are extracted.
record() { printf '\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0'; printf "$1\0\0\0"; }
{ printf '..\\evil.txt\0'; record '\4'; printf 'ok.txt\0'; record '\2'
  printf 'C:\\evil2.txt\0'; record '\1'; printf '\0'; record '\0'; printf 'EVILokE'; } >evil.pbo
mkdir -p inside/target
expect_status 1 extract evil.pbo -C inside/target
grep -q 'refused' err.txt || fail "no refusal message: $(cat err.txt)"
[ "$(cat inside/target/ok.txt)" = ok ] || fail "the safe entry was not extracted"
[ -e inside/evil.txt ] || [ -e evil.txt ] && fail "an entry was written outside the folder"
# Trailers: a new archive, and a real PBO after packing into it and deleting from it, end with a
# zero byte and the SHA-1 of every byte before it, computed here by sha1sum.
digest_ok() {
    local size
    size=$(wc -c <"$1")
    [ "$(head -c $((size - 21)) "$1" | sha1sum | cut -c1-40)" = \
      "$(tail -c 20 "$1" | od -An -tx1 | tr -d ' \n')" ] && [ "$(tail -c 21 "$1" | head -c 1 | od -An -tx1 | tr -d ' ')" = 00 ]
}
digest_ok a.pbo || fail "the new archive's trailer is not its SHA-1"
cp "$samples/checksummed.pbo" real.pbo
expect_status 0 pack real.pbo -C src config.cpp
digest_ok real.pbo || fail "packing into a real PBO left a wrong SHA-1"
expect_status 0 delete real.pbo 'CFGFUNCTIONS.HPP'
digest_ok real.pbo || fail "deleting from a real PBO left a wrong SHA-1"
expect_status 0 list real.pbo
grep -qi 'cfgfunctions' out.txt && fail "a name in another letter case was not deleted"
echo "cli_test: all checks passed"
