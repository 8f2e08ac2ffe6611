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
[ ! -e a.pbo.quillpack-tmp ] && [ "$(stat -c %h a.pbo)" = 1 ] ||
    fail "the new archive is still linked under the name it was written as"
expect_status 0 list --long a.pbo
grep -q 'prefix = my\\addon' out.txt || fail "list --long shows no prefix: $(cat out.txt)"
grep -q 'data\\sub\\init.sqf' out.txt || fail "list misses a nested entry"
grep -q '^4 entries' out.txt || fail "list counts $(tail -1 out.txt)"
expect_status 0 extract a.pbo -C out
diff -r -x empty-dir -x '$PBOPREFIX$' src out || fail "extracted files differ"
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

# ---- The modder's round trip: header pairs in $PBOPREFIX$ and $PBOHEADER$, sorted new archives
mkdir -p rt/Data
for f in a_c.txt b.txt B2.txt Data/x.sqf data0.txt data_z.txt; do printf '%s' "$f" >"rt/$f"; done
printf '\xef\xbb\xbf\\my\\mod \r\n' >'rt/$pboprefix$'
printf 'version = 1.4\r\nauthor=someone\n' >'rt/$PBOHEADER$'
expect_status 0 pack rt.pbo -C rt . --header hash=abc
expect_status 0 list --json rt.pbo
mv out.txt rt.json
python3 - rt.json <<'PY' || fail "list --json: $(cat rt.json)"
import json, sys
listing = json.load(open(sys.argv[1]))
assert [(p["key"], p["value"]) for p in listing["header"]] == [
    ("prefix", "my\\mod"), ("version", "1.4"), ("author", "someone"), ("hash", "abc")], listing
# By name ignoring case, with backslashes: '0' < '\' < '_'.
assert [e["name"] for e in listing["entries"]] == [
    "a_c.txt", "b.txt", "B2.txt", "data0.txt", "Data\\x.sqf", "data_z.txt"], listing
assert listing["error"] is None and listing["entries"][0]["data_offset"] == listing["data_start"]
PY
expect_status 0 extract rt.pbo -C rt-out
[ "$(cat 'rt-out/$PBOPREFIX$')" = 'my\mod' ] || fail "\$PBOPREFIX\$ holds $(cat 'rt-out/$PBOPREFIX$')"
[ "$(cat 'rt-out/$PBOHEADER$')" = "$(printf 'version=1.4\nauthor=someone\nhash=abc')" ] ||
    fail "\$PBOHEADER\$ holds $(cat 'rt-out/$PBOHEADER$')"
expect_status 0 pack rt2.pbo -C rt-out .
expect_status 0 list --json rt2.pbo
python3 - rt.json out.txt <<'PY' || fail "the round trip changed the archive"
import json, sys
first, second = (json.load(open(name)) for name in sys.argv[1:])
assert first["header"] == second["header"], second
assert [(e["name"], e["size"]) for e in first["entries"]] == [
    (e["name"], e["size"]) for e in second["entries"]], second
PY
expect_status 0 extract rt2.pbo -C rt-out2
diff -r rt-out rt-out2 || fail "the repacked archive extracts differently"
# An existing archive keeps its header and says so.
cp rt.pbo rt-kept.pbo
expect_status 0 pack rt-kept.pbo -C rt --prefix other b.txt
grep -q 'keeps its header' err.txt || fail "no note that the prefix was not used: $(cat err.txt)"
cmp -s rt.pbo rt-kept.pbo || fail "packing an unchanged file into an archive changed it"

# ---- Exit codes and messages in words
for command in list extract pack delete verify; do
    expect_status 0 "$command" --help
    grep -q "^usage: quillpack $command" out.txt || fail "$command --help: $(cat out.txt)"
done
cp rt.pbo rt-before.pbo
expect_status 1 delete rt.pbo b.txt nosuch.txt 'nosuchdir\'
grep -q 'nosuch.txt: not in the archive' err.txt && grep -q 'nosuchdir\\: not in' err.txt ||
    fail "delete of missing names: $(cat err.txt)"
expect_status 1 delete rt.pbo b.txt "$(printf 'x%.0s' $(seq 255))"
grep -q 'too long' err.txt || fail "delete of a 255-character name: $(cat err.txt)"
cmp -s rt.pbo rt-before.pbo || fail "a refused deletion changed the archive"
mkfifo fifo
timeout 20 "${runner:-env}" "$tool" list fifo >out.txt 2>err.txt
[ $? -eq 1 ] && grep -q 'not a regular file' err.txt || fail "a FIFO as the archive: $(cat err.txt)"
expect_status 1 list rt
grep -q 'not a regular file' err.txt || fail "a folder as the archive: $(cat err.txt)"
cp rt.pbo rt/self.pbo
expect_status 1 pack rt/self.pbo -C rt .
grep -q 'the same file as the archive' err.txt || fail "packing into itself: $(cat err.txt)"
cmp -s rt.pbo rt/self.pbo || fail "packing an archive into itself changed it"
rm rt/self.pbo
# Damage is reported by every command that reads it: a cut data area, a cut header.
head -c $(($(wc -c <rt.pbo) - 25)) rt.pbo >cut-data.pbo
expect_status 1 list cut-data.pbo
grep -q 'data area is cut short' err.txt || fail "list of a cut data area: $(cat err.txt)"
expect_status 1 extract cut.pbo -C cut-out
grep -q 'header is cut short' err.txt || fail "extract of a cut header: $(cat err.txt)"
[ -z "$(ls -A cut-out 2>/dev/null)" ] || fail "extract of a cut header wrote $(ls -A cut-out)"
# Sizes 6, 2^32 - 6, 6: the third entry's offset wraps past 4 GiB onto the first one's data.
{ printf 'a\0'; record '\6'; printf 'b\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\372\377\377\377'
  printf 'c\0'; record '\6'; printf '\0'; record '\0'; printf 'AAAAAACCCCCC'; } >wrap.pbo
expect_status 1 extract wrap.pbo -C wrap-out c
[ -e wrap-out/c ] && fail "an entry whose offset wraps past 4 GiB was extracted"

# ---- Safe extraction: links planted in the target folder are never written through
mkdir -p planted/out planted/elsewhere
echo secret >planted/elsewhere/target.txt
ln -s ../elsewhere planted/out/Data
ln -s ../elsewhere/target.txt planted/out/b.txt
expect_status 1 extract rt.pbo -C planted/out
grep -q 'Data\\x.sqf: .*symbolic link' err.txt || fail "a linked folder was not refused: $(cat err.txt)"
[ "$(cat planted/elsewhere/target.txt)" = secret ] && [ ! -e planted/elsewhere/x.sqf ] ||
    fail "extraction wrote through a link"
[ ! -L planted/out/b.txt ] && [ "$(cat planted/out/b.txt)" = b.txt ] || fail "b.txt not extracted"
# Names that would drive a terminal are escaped; Windows device names are never written to.
{ printf 'a\033[31m\nfake\0'; record '\1'; printf 'NUL.txt\0'; record '\1'; printf 'ok\0'
  record '\1'; printf '\0'; record '\0'; printf 'XYZ'; } >names.pbo
expect_status 0 list names.pbo
grep -q 'a\\x1B\[31m\\x0Afake' out.txt && ! grep -q "$(printf '\033')" out.txt ||
    fail "list shows names raw: $(cat -v out.txt)"
if [ -n "$runner" ]; then
    expect_status 1 extract names.pbo -C names-out
    grep -q 'NUL.txt: refused.*device name' err.txt || fail "NUL.txt: $(cat err.txt)"
    grep -q 'a\\x1B\[31m\\x0Afake: refused' err.txt || fail "a control name: $(cat -v err.txt)"
    [ "$(cat names-out/ok)" = Z ] || fail "the other entry was not extracted"
else
    expect_status 0 extract names.pbo -C names-out
fi

# ---- Names outside any code page: stored as UTF-8, the same bytes on every system
mkdir -p uni/данные
printf 'u' >'uni/данные/файл.txt'
printf 'j' >'uni/日本語.txt'
expect_status 0 pack uni.pbo -C uni .
grep -aqF 'данные\файл.txt' uni.pbo && grep -aqF '日本語.txt' uni.pbo || fail "names not in UTF-8"
expect_status 0 extract uni.pbo -C uni-out
diff -r uni uni-out || fail "UTF-8 names did not come back"
# ---- The copy an edit writes beside the archive: whatever stands at its name (a link, one that
# leads nowhere, a folder, another user's file) is refused, never followed; the archive stays.
echo secret >planted-target
plants="folder"
[ -z "$runner" ] && plants="link dangling folder"  # Wine sees through a link of the system's
[ -z "$runner" ] && [ "$(id -u)" = 0 ] && plants="$plants others"
for plant in $plants; do
    for edit in "pack rt.pbo -C rt b.txt" "delete rt.pbo b.txt" "pack fresh.pbo -C rt b.txt"; do
        # shellcheck disable=SC2086
        set -- $edit
        case $plant in
            link) ln -s planted-target "$2.quillpack-tmp" ;;
            dangling) ln -s nowhere "$2.quillpack-tmp" ;;
            folder) mkdir "$2.quillpack-tmp" ;;
            others) echo theirs >"$2.quillpack-tmp" && chown nobody "$2.quillpack-tmp" ;;
        esac
        expect_status 1 "$@"
        grep -q "$2.quillpack-tmp exists and is not ours; the archive is unchanged" err.txt ||
            fail "$plant, $edit: $(cat err.txt)"
        cmp -s rt.pbo rt-before.pbo && [ ! -e fresh.pbo ] && [ ! -e nowhere ] &&
            [ "$(cat planted-target)" = secret ] || fail "$plant, $edit wrote through the plant"
        rm -rf "$2.quillpack-tmp"
    done
done

# ---- Linked and shared archives (the system's links, owners and modes: native builds)
if [ -z "$runner" ]; then
    mkdir -p real
    cp rt.pbo real/linked.pbo
    ln -s real/linked.pbo link.pbo
    expect_status 0 delete link.pbo b.txt
    expect_status 0 list real/linked.pbo
    [ -L link.pbo ] && ! grep -q 'b.txt' out.txt || fail "the link's file was not edited through it"
    ls -A real . | grep -q quillpack-tmp && fail "a copy was left beside the link or its file"
    cp rt.pbo shared.pbo
    chmod 0664 shared.pbo
    [ "$(id -u)" = 0 ] && chown nobody:nogroup shared.pbo
    kept=$(stat -c '%U:%G %a' shared.pbo)
    expect_status 0 pack shared.pbo -C src config.cpp
    [ "$(stat -c '%U:%G %a' shared.pbo)" = "$kept" ] || fail "owner or mode not kept: $(stat -c '%U:%G %a' shared.pbo)"
    # A folder that takes no new file: the copy cannot go there, and in place needs no copy. Root
    # writes anywhere, so the tool runs as nobody there.
    other=()
    if [ "$(id -u)" = 0 ]; then
        other=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
        chmod 0711 "$work"
    fi
    mkdir ro
    cp rt.pbo ro/p.pbo
    [ "$(id -u)" = 0 ] && chown nobody ro/p.pbo
    chmod 0555 ro
    "${other[@]}" "$tool" delete ro/p.pbo b.txt >out.txt 2>err.txt
    [ $? -eq 1 ] && grep -q 'cannot create a file in ro: permission denied; the archive is unchanged' err.txt ||
        fail "a read-only folder: $(cat err.txt)"
    cmp -s ro/p.pbo rt.pbo || fail "a refused edit changed the archive"
    "${other[@]}" "$tool" delete --in-place ro/p.pbo b.txt >out.txt 2>err.txt || fail "in place: $(cat err.txt)"
    chmod 0755 ro
fi
echo "cli_test: all checks passed"
