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
fail() { echo "FAIL (line ${BASH_LINENO[0]}): $*"; exit 1; }
expect_status() {
    local want=$1
    shift
    qp "$@" >out.txt 2>err.txt
    local got=$?
    # quillpack says why whenever it fails; a failure without a word under Wine (seen twice in
    # some hundred runs) is Wine not running it, and it is run again, saying so.
    if [ -n "$runner" ] && [ "$got" -ne 0 ] && [ ! -s out.txt ] && [ ! -s err.txt ]; then
        echo "note: quillpack $* exited $got without a word under Wine; run again"
        qp "$@" >out.txt 2>err.txt
        got=$?
    fi
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
expect_status 2 verify a.pbo --key
expect_status 2 verify a.pbo --json
expect_status 2 verify a.pbo --keys k --key k.bikey
expect_status 2 derapify
expect_status 2 derapify a.bin b.bin

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
grep -q 'the SHA-1 in the trailer does not match the bytes' err.txt || fail "verify: $(cat err.txt)"
expect_status 1 extract changed.pbo -C changed-out
grep -q 'SHA-1 in the trailer does not match.*extracted from it are written' err.txt &&
    [ -s changed-out/CfgFunctions.hpp ] || fail "extract of a changed archive: $(cat err.txt)"
{ cat checksummed.pbo; printf 'x'; } >longer.pbo
expect_status 1 verify longer.pbo
# An LZSS stream followed by the sum of its bytes: checked, and one flipped byte is named; so is a
# wrong sum that more bytes follow, which verify names as trailing after a right one.
python3 - <<'PY'
import struct
text = b'hint "checked";\xe9'
stream = b''.join(b'\xff' + text[i:i + 8] for i in (0, 8))
stream += struct.pack('<i', sum(b - 256 if b > 127 else b for b in text))
def write(path, entries):
    header = b''.join(n + b'\0' + struct.pack('<5I', m, o, 0, 0, len(d)) for n, m, o, d in entries)
    header += bytes(21)
    open(path, 'wb').write(header + b''.join(e[3] for e in entries))
    return len(header)
entries = [(b'packed.sqf', 0x43707273, len(text), stream), (b'dup.txt', 0, 0, b'first'),
           (b'DUP.TXT', 0, 0, b'second'), (b'dup.txt', 0, 0, b'third'),
           (b'more.sqf', 0x43707273, len(text), stream + b'more')]
at = write('sum.pbo', entries) + 1
good = open('sum.pbo', 'rb').read()
open('sum-flipped.pbo', 'wb').write(good[:at] + b'H' + good[at + 1:])
write('sum-more.pbo', [(b'packed.sqf', 0x43707273, len(text), stream[:-1] + b'\x7fmore')])
PY
expect_status 0 verify sum.pbo
grep -q 'DUP.TXT: warning: the entry dup.txt has the same name' err.txt || fail "verify: $(cat err.txt)"
grep -q 'more.sqf: warning: its data ends in 4 bytes that are neither' err.txt || fail "verify: $(cat err.txt)"
expect_status 1 verify sum-more.pbo
grep -q 'packed.sqf: its checksum does not match' err.txt || fail "verify: $(cat err.txt)"
# Names held 25 times: 20 warnings name the entries, one counts the rest.
python3 -c "open('dups.pbo', 'wb').write((b'dup.txt\0' + bytes(20)) * 25 + bytes(21))"
expect_status 0 verify dups.pbo
[ "$(grep -c 'has the same name' err.txt)" = 20 ] && grep -q 'dups.pbo: warning: 4 more entries' err.txt ||
    fail "verify of 25 entries of one name: $(cat err.txt)"
expect_status 0 extract sum.pbo -C sum-out
grep -q 'dup.txt: overwrote the entry' err.txt && [ "$(cat sum-out/dup.txt)" = third ] ||
    fail "extract of names held twice: $(cat err.txt)"
expect_status 1 verify sum-flipped.pbo
grep -q 'packed.sqf: its checksum does not match' err.txt || fail "verify: $(cat err.txt)"
expect_status 1 extract sum-flipped.pbo -o - packed.sqf
grep -q 'packed.sqf: not extracted: its checksum does not match' err.txt && [ ! -s out.txt ] ||
    fail "extract -o - of a wrong sum wrote $(wc -c <out.txt) bytes: $(cat err.txt)"
expect_status 1 extract sum-flipped.pbo -C sum-out --force
grep -q 'packed.sqf: not extracted: its checksum does not match' err.txt &&
    [ "$(cat sum-out/packed.sqf)" = "$(printf 'hint "checked";\351')" ] || fail "extract: $(cat err.txt)"
# A compressed entry that claims more than its stream holds is named; so is a cut header.
at=$(grep -obUa 'config.cpp' addon.pbo | head -1 | cut -d: -f1)
cp addon.pbo claims.pbo
printf '\377\377\0\0' | dd of=claims.pbo bs=1 seek=$((at + 11 + 4)) conv=notrunc 2>/dev/null
expect_status 1 verify claims.pbo
grep -q 'config.cpp: compressed data ends after 11459 of 65535 bytes' err.txt ||
    fail "verify: $(cat err.txt)"
# 65535 bytes are more than 1657 compressed bytes can hold: list, sort and sign refuse it as whole.
cp claims.pbo claims-before.pbo
for command in list sort "sign $samples/quillpack_test.biprivatekey" 'list --json'; do
    # shellcheck disable=SC2086
    expect_status 1 $command claims.pbo
    grep -q 'claims.pbo: damaged archive: the entry config.cpp claims 65535 bytes once extracted, more than its 1657' err.txt ||
        fail "$command of an entry claiming too much: $(cat err.txt)"
done
grep -q '"error": "damaged archive: the entry config.cpp claims' out.txt || fail "list --json: $(cat out.txt)"
cmp -s claims.pbo claims-before.pbo && ! ls claims.pbo.* 2>/dev/null || fail "a refused archive was changed"
expect_status 1 verify cut.pbo
grep -q 'cut short' err.txt || fail "verify: $(cat err.txt)"

record() { printf '\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0'; printf "$1\0\0\0"; }
# ---- The hostile names the plugin's tests extract too: each refused here is named, the others
# are extracted, nothing lands outside the folder. hostile.txt: verdict, name as shown, name, path.
python3 - "$samples/hostile_names.tsv" "${runner:+windows}" >hostile.txt <<'PY'
import re, struct, sys
rows = [line.rstrip('\n').split('\t') for line in open(sys.argv[1])][1:]
names = []
for raw, refused, _ in rows:
    name = re.sub(rb'%([0-9A-F]{2})', lambda m: bytes.fromhex(m.group(1).decode()), raw.encode())
    names.append(name)
    here = refused in ('everywhere', 'link') or (refused == 'windows' and sys.argv[2:] == ['windows'])
    shown = re.sub(rb'[\x00-\x1f\x7f]', lambda m: b'\\x%02X' % m.group()[0], name)
    verdict = b'refused' if here else b'extracted'
    sys.stdout.buffer.write(b'\t'.join([verdict, shown, name, name.replace(b'\\', b'/')]) + b'\n')
header = b''.join(n + b'\0' + struct.pack('<5I', 0, 0, 0, 0, len(n)) for n in names) + bytes(21)
open('hostile.pbo', 'wb').write(header + b''.join(names))
PY
mkdir -p hostile/dest hostile/outside
ln -s ../outside hostile/dest/sub
expect_status 1 extract hostile.pbo -C hostile/dest
while IFS=$'\t' read -r verdict shown name path; do
    if [ "$verdict" = refused ]; then
        grep -qF -- "quillpack: $shown: " err.txt || fail "$shown was not refused: $(cat err.txt)"
    else
        [ "$(cat "hostile/dest/$path")" = "$name" ] || fail "$shown was not extracted: $(cat err.txt)"
    fi
done <hostile.txt
[ -z "$(find hostile -path hostile/dest -prune -o -type f -print)" ] ||
    fail "extract wrote outside the folder: $(find hostile -path hostile/dest -prune -o -type f -print)"
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
expect_status 0 list --json addon.pbo
python3 -c 'import json, sys; e = json.load(sys.stdin)["entries"][0]
assert (e["name"], e["size"], e["packed_size"]) == ("config.cpp", 11459, 1657), e' <out.txt ||
    fail "list --json of a compressed entry: $(cat out.txt)"
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
for command in build list extract pack delete verify keygen sign sort derapify rapify; do
    expect_status 0 "$command" --help
    grep -q "^usage: quillpack $command" out.txt || fail "$command --help: $(cat out.txt)"
    [[ $command =~ ^(build|pack|delete|sort)$ ]] && ! grep -q -e '--sign PRIVATEKEY' out.txt &&
        fail "$command --help leaves out --sign"
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
ln rt/self.pbo rt/alias.bin  # the archive under another name is still the archive
expect_status 1 pack rt/self.pbo -C rt alias.bin
grep -q 'alias.bin: the same file as the archive' err.txt || fail "packing a link of it: $(cat err.txt)"
rm rt/self.pbo rt/alias.bin
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
grep -q 'b.txt: exists and differs' err.txt && [ -L planted/out/b.txt ] && [ ! -e planted/out/a_c.txt ] ||
    fail "a link at a target was not refused without --force: $(cat err.txt)"
expect_status 1 extract rt.pbo -C planted/out --force
grep -q 'Data\\x.sqf: .*symbolic link' err.txt || fail "a linked folder was not refused: $(cat err.txt)"
[ "$(cat planted/elsewhere/target.txt)" = secret ] && [ ! -e planted/elsewhere/x.sqf ] ||
    fail "extraction wrote through a link"
[ ! -L planted/out/b.txt ] && [ "$(cat planted/out/b.txt)" = b.txt ] || fail "b.txt not extracted"
# Names that would drive a terminal are escaped; Windows device names are never written to.
# (Not first: a first name with control characters is no PBO's.)
{ printf 'ok\0'; record '\1'; printf 'a\033[31m\nfake\0'; record '\1'; printf 'NUL.txt\0'
  record '\1'; printf 'c1\302\237\0'; record '\1'; printf '\0'; record '\0'; printf 'ZXYW'; } >names.pbo
expect_status 0 list names.pbo
grep -q 'a\\x1B\[31m\\x0Afake' out.txt && ! grep -q "$(printf '\033')" out.txt &&
    grep -q 'c1\\xC2\\x9F' out.txt || fail "list shows names raw: $(cat -v out.txt)"
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
# ---- The modder's build step: one table of commands, each with its exit status, a text its
# output must hold ('' for any) and a path it must not have written ('-' for none).
check() {
    local want=$1 text=$2 absent=$3
    shift 3
    expect_status "$want" "$@"
    [ -z "$text" ] || grep -qF -- "$text" out.txt err.txt ||
        fail "quillpack $*: no '$text' in: $(cat out.txt err.txt)"
    [ "$absent" = - ] || [ ! -e "$absent" ] || fail "quillpack $* wrote $absent"
}
mkdir -p mod/Functions/AI mod/Textures mod/.vscode mod/.git/refs mod/docs clash/Data clash/data
printf 'x\\mymod\\main\r\n' >'mod/$PBOPREFIX$'
printf 'version=2\n' >'mod/$PBOHEADER$'
printf 'class CfgPatches {};\n' >mod/config.cpp
printf 'fn a\n' >mod/Functions/AI/fn_A.sqf
printf 'fn b\n' >mod/Functions/fn_b.sqf
printf '\r\n\n\0\032\377binary' >mod/Textures/Icon.paa
printf 'old' >mod/Textures/old.bak
printf '{}' >mod/.vscode/settings.json
printf 'ref' >mod/.git/refs/HEAD
printf 'notes' >mod/README.md
printf 'notes' >mod/docs/dev.txt
printf '# development files\n*.md\r\ndocs/\n' >mod/.pboignore
printf 'a' >clash/Data/a.txt && printf 'A' >clash/data/A.TXT
mkdir -p negated && printf 'x' >negated/a.txt && printf '*.txt\n!a.txt\n' >negated/.pboignore
printf 'PK\003\004\024\0\0\0\010\0compressed bytes of a zip' >not.zip
cp not.zip not-before.zip
{ printf 'caf\351.txt\0'; record '\3'; printf '\0'; record '\0'; printf 'abc'; } >latin.pbo
check 0 'Functions\AI\fn_A.sqf' -  build mod --list
grep -q -e README -e vscode -e docs -e git -e pboignore -e PBOPREFIX out.txt &&
    fail "build --list takes what is left out: $(cat out.txt)"
check 0 ''                   -          build mod --exclude 'textures/**'
check 0 '3 entries'          -          list mod.pbo
check 0 ''                   -          build mod --no-rapify
check 0 'prefix = x\mymod\main' -       list --long mod.pbo
check 0 'SHA-1 matches'      -          verify mod.pbo
check 1 'would be the same entry as' clash.pbo build clash
check 1 "'!' patterns are not supported" negated.pbo build negated
check 1 'nothing to pack'    none.pbo   build mod none.pbo --exclude '*'
check 1 'data area is cut short' cut-data-out extract cut-data.pbo -C cut-data-out
check 1 'would be the same entry as' clash.pbo pack clash.pbo -C clash .
check 1 'not a PBO archive'  not-out    extract not.zip -C not-out
check 1 'not a PBO archive'  -          list not.zip
check 1 'not a PBO archive'  -          verify not.zip
check 1 'not a PBO archive; not replaced' - build mod not.zip
check 1 'not a PBO archive; left unchanged' - pack not.zip -C mod config.cpp
cmp -s not.zip not-before.zip || fail "pack changed a file that is not a PBO"
check 1 'no entry matches'   picked     extract mod.pbo -C picked 'nosuch/*.paa'
check 0 ''                   picked/config.cpp extract mod.pbo -C picked 'functions/ai/FN_A.sqf' 'textures/*.paa'
check 0 '2 entries'          -          list mod.pbo 'functions/**'
check 0 'fn a'               -          extract mod.pbo -o - 'Functions/AI/fn_a.sqf'
check 1 '2 entries match'    -          extract mod.pbo -o - 'functions/**'
# Six `**` over a folder 60 deep: the match keeps where in the pattern it can be, not each way.
deep=deep$(printf '/d%.0s' $(seq 60))
mkdir -p "$deep" && printf 'z' >"$deep/zz" && printf 'y' >"$deep/zy"
check 0 ''                   -          build deep --exclude '**/**/**/**/**/**/zz'
check 0 '1 entries'          -          list deep.pbo '**/**/**/**/**/**/z?'
check 1 'no entry matches'   -          list deep.pbo '**/**/**/**/**/**/zz'
# A name held three times is picked by each form of it; deleting it deletes the last.
cp sum.pbo dup.pbo
check 0 '3 entries'          -          list dup.pbo Dup.Txt DUP.TXT
check 0 ''                   -          delete dup.pbo dup.txt DUP.txt
check 0 'DUP.TXT'            -          list dup.pbo dup.txt
grep -q '^2 entries' out.txt || fail "deleting a name held three times: $(cat out.txt)"
mkdir -p @mod/addons && cp -r mod @mod/addons/main
check 1 'quillpack build FOLDER' at.pbo pack at.pbo @mod/addons/main/config.cpp
check 1 'quillpack build FOLDER' at.pbo pack at.pbo -C mod ../not.zip
# A file whose size is not what it holds, as one written to while it is packed (a file of /sys).
thp=/sys/kernel/mm/transparent_hugepage
if [ -z "$runner" ] && [ "$(stat -c %s $thp/enabled 2>/dev/null)" = 4096 ]; then
    check 1 'enabled: changed size while it was packed; nothing written' sys.pbo pack sys.pbo -C $thp enabled
fi
if [ -z "$runner" ]; then
    mkdir -p linked && printf 'x' >linked/a.txt && ln -s ../mod/docs linked/docs
    check 0 'a linked folder, not followed' - build linked --list
    # Each hostile name that can be a file here stops the build, but ok.txt and those with a part
    # that starts with a dot, which build leaves out; a '\' in a Linux file name is a folder.
    mkdir -p hostile/src
    while IFS=$'\t' read -r verdict shown name path; do
        case $name in */* | .*) ;; *) printf x >"hostile/src/$name" ;; esac
    done <hostile.txt
    check 1 '' hostile-src.pbo build hostile/src hostile-src.pbo
    while IFS=$'\t' read -r verdict shown name path; do
        case $name in */* | .* | *\\.* | ok.txt) ;; *) grep -qF "hostile/src/$shown: cannot be extracted" err.txt ||
            fail "build took $shown: $(cat err.txt)" ;; esac
    done <hostile.txt
    grep -q 'ok.txt' err.txt && fail "build refused ok.txt: $(cat err.txt)"
    check 0 ''                   -          build hostile/src hostile-src.pbo --allow-names
    # Links to files outside the folder are refused unless --follow-links; others are named.
    mkdir -p links/sub && printf 'x' >links/a.txt && printf 'secret' >shadow
    ln -s ../shadow links/.pboignore
    check 1 'links/.pboignore: a link to a file outside the folder' links.pbo build links
    rm links/.pboignore && ln -s ../shadow 'links/$PBOPREFIX$' && ln -s ../../shadow links/sub/out.txt
    ln -s ../a.txt links/sub/in.txt && ln -s nowhere links/dangling && mkfifo links/fifo
    check 1 'links/sub/out.txt: a link to a file outside the folder' links.pbo build links
    grep -qF 'links/$PBOPREFIX$: a link to a file outside' err.txt && grep -q 'links/fifo: not a regular' err.txt &&
        grep -q 'links/dangling: a link that leads nowhere' err.txt || fail "build over links: $(cat err.txt)"
    check 0 ''                   -          build links --follow-links
    check 0 'prefix = secret'    -          list --long links.pbo
    check 0 'sub\in.txt'         -          list links.pbo
fi
cp checksummed.pbo merged.pbo
check 0 ''                   -          pack merged.pbo mod
check 0 'Functions\fn_b.sqf' -          list merged.pbo
grep -q -e 'mod\\' -e vscode out.txt || ! grep -qi cfgfunctions out.txt &&
    fail "pack ARCHIVE FOLDER did not merge the folder's contents: $(cat out.txt)"
check 0 ''                   -          delete merged.pbo '**/*.bak' 'functions/'
check 0 '5 entries'          -          list merged.pbo
check 0 ''                   -          extract mod.pbo -C edited
printf 'edited' >edited/config.cpp && rm edited/Functions/fn_b.sqf
check 1 'exists and differs' edited/Functions/fn_b.sqf extract mod.pbo -C edited
[ "$(cat edited/config.cpp)" = edited ] || fail "extract overwrote a file that differs"
check 0 ''                   -          extract mod.pbo -C edited --force --progress
grep -q 'files 100%' err.txt || fail "no progress line with --progress: $(cat err.txt)"
cmp -s edited/config.cpp mod/config.cpp && [ -f edited/Functions/fn_b.sqf ] || fail "--force"
check 0 ''                   -          extract mod.pbo -o - 'textures\icon.PAA'
cmp -s out.txt mod/Textures/Icon.paa || fail "-o - changed the bytes"
check 0 '"name_bytes": "636166E92E747874"' - list --json latin.pbo
check 0 'abc'                -          extract latin.pbo -o - --name-hex 636166E92E747874
check 0 ''                   -          delete latin.pbo --name-hex 636166e92e747874
check 0 '0 entries'          -          list latin.pbo
# The same folder gives the same bytes, whatever its files' times, owners or copy history, here
# and in the Windows tool under Wine; --timestamps mtime takes the files' modification times.
touch mod/config.cpp mod/Functions/AI/fn_A.sqf
cp -a mod copy
[ "$(id -u)" = 0 ] && chown -R 1234:1234 copy
check 0 ''                   -          build copy --no-rapify
cmp -s mod.pbo copy.pbo || fail "two builds of the same folder differ"
[ "$(sha256sum <copy.pbo | cut -c1-64)" = 5ac5f31cf8b865f69cacb6685b2d8c9af67a9c0802daa779753f70e5a1684792 ] ||
    fail "the build differs from the one every system makes: $(sha256sum copy.pbo)"
touch -d @1700000000 copy/config.cpp
check 0 ''                   -          build copy mtime.pbo --timestamps mtime
check 0 '2023-11-14 22:13:20  stored  config.bin' - list mtime.pbo
# ---- What one byte or one line decides: a .pboignore that starts with a byte-order mark keeps
# its first pattern; a file holding only the start of an entry (an extraction cut short) differs;
# the trailer's last byte counts in extract too; the first of several archives that fails to
# verify fails the command; -o - takes no folder.
mkdir -p bom && printf '\357\273\277*.md\n' >bom/.pboignore && touch bom/a.md bom/b.txt
check 0 'b.txt'              -          build bom --list
grep -q 'a.md' out.txt && fail "a .pboignore with a byte-order mark lost its first pattern"
head -c 5 mod/config.cpp >edited/config.cpp
check 1 'exists and differs' -          extract mod.pbo -C edited
cp checksummed.pbo last-byte.pbo
python3 -c 'b = bytearray(open("last-byte.pbo", "rb").read()); b[-1] ^= 1
open("last-byte.pbo", "wb").write(b)'
check 1 'SHA-1 in the trailer does not match' - extract last-byte.pbo -C last-byte-out
check 1 'SHA-1 in the trailer does not match' - verify changed.pbo checksummed.pbo
check 2 ''                   stdout-dir extract mod.pbo -o - -C stdout-dir config.cpp
# ---- 20,000 names typed in capitals with `/`, given on one command line (longer than Windows
# takes): each picks its entry and the missing one is named.
if [ -z "$runner" ]; then
    python3 - <<'PY'
import hashlib, struct
names = ['d%03d\\e%05d.txt' % (i // 200, i) for i in range(20000)]
record = lambda method, size: struct.pack('<5I', method, 0, 0, 0, size)
body = b'\0' + record(0x56657273, 0) + b'prefix\0many\0\0'
body += b''.join(n.encode() + b'\0' + record(0, 1) for n in names) + b'\0' + record(0, 0)
body += b'x' * len(names)
open('many.pbo', 'wb').write(body + b'\0' + hashlib.sha1(body).digest())
open('many.txt', 'w').write('\n'.join(n.upper().replace('\\', '/') for n in names))
PY
    mapfile -t many <many.txt
    check 1 'MISSING.TXT: not in the archive' - list many.pbo "${many[@]}" MISSING.TXT
    grep -q '^20000 entries' out.txt || fail "list of 20,000 names: $(tail -1 out.txt)"
    check 0 ''                -          extract many.pbo -C many-out "${many[@]}"
    [ "$(find many-out -type f | wc -l)" = 20000 ] || fail "extract of 20,000 names"
    # Built again where the process may open only 256 files: most are opened twice, not held.
    check 0 ''                -          build many-out many-held.pbo --prefix many
    (ulimit -n 256 && "$tool" build many-out many-few.pbo --prefix many >/dev/null) ||
        fail "build at 256 open files"
    cmp -s many-held.pbo many-few.pbo || fail "a build held few files open and differs"
    check 0 ''                -          delete many.pbo "${many[@]:1}"
    check 0 'd000\e00000.txt' -          list many.pbo
    grep -q '^1 entries' out.txt || fail "delete of 19,999 names: $(cat out.txt)"
fi
# ---- Configs: a rapified file laid out here by hand (the header, the root body at 16, the child
# bodies depth first, the enum table last), as text; in an archive, extracted as text and verified
mkdir -p cfg/data
python3 - <<'PY'
import struct
w = lambda v: struct.pack('<I', v & 0xffffffff)
z = lambda s: s + b'\0'
root = z(b'') + b'\4\0' + z(b'A') + w(42) + b'\0' + z(b'B') + w(54) + b'\3' + z(b'Ext') + b'\4' + z(b'Old')
bodies = z(b'') + b'\1\0' + z(b'A1') + w(52) + z(b'') + b'\0' + z(b'A') + b'\0'
config = b'\0raP' + w(0) + w(8) + w(57) + root + bodies + w(2) + z(b'Red') + w(1) + z(b'Blue') + w(-2)
for name in ('cfg/config.bin', 'cfg/data/mat.rvmat'): open(name, 'wb').write(config)
open('cfg-cut.bin', 'wb').write(config[:50])
PY
printf 'enum {\n    Red = 1,\n    Blue = -2\n};\nclass A {\n    class A1 {};\n};\nclass B: A {};\nclass Ext;\ndelete Old;\n' >cfg-want.cpp
printf 'hint "x";\n' >cfg/init.sqf
same_text() { for f in "$@"; do cmp -s "$f" cfg-want.cpp || fail "$f: $(cat "$f")"; done; }
check 0 'class B: A {};'     -          derapify cfg/config.bin
same_text out.txt
check 0 ''                   -          derapify - <cfg/config.bin
same_text out.txt
check 0 ''                   -          derapify cfg/config.bin -o cfg-out.cpp
same_text cfg-out.cpp
check 1 'init.sqf: not a rapified config' - derapify cfg/init.sqf
check 1 'cfg-cut.bin: damaged rapified config: at offset 48' cfg-cut.cpp derapify cfg-cut.bin -o cfg-cut.cpp
check 0 ''                   -          pack cfg.pbo -C cfg .
check 0 'data\mat.rvmat: a rapified config, read whole' - verify cfg.pbo
check 0 ''                   cfg-out/config.bin extract cfg.pbo -C cfg-out --derapify
same_text cfg-out/config.cpp cfg-out/data/mat.rvmat
cmp -s cfg-out/init.sqf cfg/init.sqf || fail "extract --derapify changed a script"
check 0 ''                   -          extract cfg.pbo -C cfg-out --derapify
printf 'edited' >cfg-out/config.cpp
check 1 'config.cpp: exists and differs' - extract cfg.pbo -C cfg-out --derapify
check 0 ''                   -          extract cfg.pbo -C cfg-out --derapify --force
same_text cfg-out/config.cpp
check 0 ''                   cfg-plain/config.cpp extract cfg.pbo -C cfg-plain
cmp -s cfg-plain/config.bin cfg/config.bin || fail "extract without --derapify changed config.bin"
check 0 'class B: A {};'     -          extract cfg.pbo config.bin -o - --derapify
qp extract cfg.pbo config.bin -o - | qp derapify - >out.txt 2>err.txt || fail "$(cat err.txt)"
same_text out.txt
cp cfg-cut.bin cfg/config.bin
check 0 ''                   -          pack cfg-bad.pbo -C cfg .
check 1 'cfg-bad.pbo: config.bin: damaged rapified config: at offset 48' - verify cfg-bad.pbo
check 1 'config.bin: not derapified: damaged' cfg-bad/config.cpp extract cfg-bad.pbo -C cfg-bad --derapify
cmp -s cfg-bad/config.bin cfg-cut.bin || fail "a damaged config.bin was not extracted as it is"
cp cfg/data/mat.rvmat cfg/config.bin
printf 'class B {};\n' >cfg/config.cpp
check 0 ''                   -          pack cfg-both.pbo -C cfg .
check 0 'config.bin: extracted as it is: its text would be written as config.cpp' - extract cfg-both.pbo -C cfg-both --derapify
cmp -s cfg-both/config.bin cfg/config.bin && cmp -s cfg-both/config.cpp cfg/config.cpp || fail "both"
# ---- Configs: a folder whose config.cpp uses a macro library of the community's shape, built
# rapified; its config.bin read back by the independent reader below.
cat >read_rapified.py <<'PY'
import struct, sys
data = open(sys.argv[1], 'rb').read()
assert data[:4] == b'\0raP', 'not rapified'
def text(at):
    end = data.index(b'\0', at)
    return data[at:end].decode('latin-1'), end + 1
def count(at):
    value, shift = 0, 0
    while True:
        byte = data[at]; at += 1; value |= (byte & 0x7F) << shift; shift += 7
        if byte < 0x80: return value, at
def value(kind, at):
    if kind in (0, 4):
        s, at = text(at)
        return ('e' if kind == 4 else '') + '"%s"' % s, at
    if kind == 1: return 'f%g' % struct.unpack_from('<f', data, at)[0], at + 4
    if kind == 2: return 'i%d' % struct.unpack_from('<i', data, at)[0], at + 4
    if kind == 6: return 'l%d' % struct.unpack_from('<q', data, at)[0], at + 8
    return array(at)
def array(at):
    n, at = count(at)
    items = []
    for _ in range(n):
        item, at = value(data[at], at + 1)
        items.append(item)
    return '{' + ','.join(items) + '}', at
def body(at):
    parent, at = text(at)
    n, at = count(at)
    out = ''
    for _ in range(n):
        kind = data[at]; at += 1
        if kind == 0:
            name, at = text(at)
            inner_parent, inner = body(struct.unpack_from('<I', data, at)[0]); at += 4
            out += 'class %s%s{%s}' % (name, ':' + inner_parent if inner_parent else '', inner)
        elif kind == 1:
            name, after = text(at + 1)
            v, at = value(data[at], after)
            out += '%s=%s;' % (name, v)
        elif kind in (2, 5):
            name, at = text(at + (4 if kind == 5 else 0))
            v, at = array(at)
            out += '%s[]%s=%s;' % (name, '+' if kind == 5 else '', v)
        else:
            name, at = text(at)
            out += ('class %s;' if kind == 3 else 'delete %s;') % name
    return parent, out
print(body(16)[1])
PY
mkdir -p macromod/data macromod/missions/m1 lib/x/lib bad both
printf 'x\\mymod\\addons\\main' >'macromod/$PBOPREFIX$'
cat >lib/x/lib/script_macros_common.hpp <<'CPP'
#define DOUBLES(var1,var2) var1##_##var2
#define QUOTE(var1) #var1
#define ADDON DOUBLES(PREFIX,COMPONENT)
#define GVAR(var1) DOUBLES(ADDON,var1)
#define QGVAR(var1) QUOTE(GVAR(var1))
#define PATHTOF(var1) \MAINPREFIX\PREFIX\addons\COMPONENT\var1
#define QPATHTOF(var1) QUOTE(PATHTOF(var1))
CPP
printf '#define MAINPREFIX x\n#define PREFIX mymod\n#define VERSION 1.5\n' >macromod/script_mod.hpp
cat >macromod/script_component.hpp <<'CPP'
#define COMPONENT main
#include "\x\mymod\addons\main\script_mod.hpp"
#include "\x\lib\script_macros_common.hpp"
CPP
cat >macromod/config.cpp <<'CPP'
#include "script_component.hpp"
// A weapon of the component, its names and model made from its own name.
#define WEAPON(name,base) class GVAR(name): base { \
    displayName = QUOTE(name); /* shown */ \
    model = QPATHTOF(data\name.p3d); \
}
class CfgPatches {
    class ADDON {
        units[] = {};
        weapons[] = {QGVAR(rifle)};
        requiredVersion = VERSION;
        author = "Modder ""Q""";
    };
};
class CfgWeapons {
    class Rifle_Base;
    WEAPON(rifle,Rifle_Base);
    class GVAR(carbine): GVAR(rifle) { magazines[] += {QGVAR(mag), 30}; line = __LINE__; };
    delete OldRifle;
};
CPP
printf 'class StageTI { texture = "#(argb,8,8,3)color(0.5,0.5,0.5,1)"; };\n' >macromod/data/mat.rvmat
printf 'class Mission { class Intel { briefingName = "m1"; }; };\n' >macromod/missions/m1/mission.sqm
printf 'onLoadName = "m1";\n' >macromod/missions/m1/description.ext
expect_status 0 rapify macromod/data/mat.rvmat -o macromod/data/pre.rvmat
printf '#include "parts.hpp"\nclass A {};\n' >bad/config.cpp
printf 'class B {\n    x = 1\n};\n' >bad/parts.hpp
printf 'class A {};\n' >both/config.cpp && cp macromod/data/pre.rvmat both/config.bin
printf 'x = __EVAL(1 + 2);\n' >eval.cpp
printf '#define A B\n#define B A\nx = A;\n' >loop.cpp
check 0 'config.bin'         -          build macromod -I lib --list
grep -q -e 'config.cpp' -e 'pre.rvmat.bin' out.txt && fail "build --list shows names not packed: $(cat out.txt)"
check 0 'config.cpp'         -          build macromod -I lib --list --no-rapify
check 1 'macromod/script_component.hpp:3:1: cannot find the include file' macromod.pbo build macromod
check 0 ''                   -          build macromod -I lib
check 0 'data\mat.rvmat'     -          list macromod.pbo
check 0 ''                   -          extract macromod.pbo -o - config.bin
cp out.txt packed.bin
python3 read_rapified.py packed.bin >tree.txt || fail "config.bin does not read: $(cat tree.txt)"
[ "$(cat tree.txt)" = 'class CfgPatches{class mymod_main{units[]={};weapons[]={"mymod_main_rifle"};requiredVersion=f1.5;author="Modder "Q"";}}class CfgWeapons{class Rifle_Base;class mymod_main_rifle:Rifle_Base{displayName="rifle";model="\x\mymod\addons\main\data\rifle.p3d";}class mymod_main_carbine:mymod_main_rifle{magazines[]+={"mymod_main_mag",i30};line=i18;}delete OldRifle;}' ] ||
    fail "the tree of config.bin: $(cat tree.txt)"
[ "$(sha256sum <macromod.pbo | cut -c1-64)" = c750055137d209369670989e9ac8dd95843a46cb4443263813ab0644ebd6559b ] ||
    fail "the rapifying build differs from the one every system makes: $(sha256sum macromod.pbo)"
for kept in missions/m1/description.ext missions/m1/mission.sqm script_component.hpp data/pre.rvmat; do
    expect_status 0 extract macromod.pbo -o - "$kept"
    cmp -s out.txt "macromod/$kept" || fail "$kept was not packed as it is"
done
check 0 ''                   -          extract macromod.pbo -o - data/mat.rvmat
cmp -s out.txt macromod/data/pre.rvmat || fail "a text rvmat was not rapified under its own name"
check 0 ''                   -          rapify macromod/config.cpp -I lib -o -
cmp -s out.txt packed.bin || fail "rapify -o - differs from what build packs"
check 0 ''                   -          rapify macromod/config.cpp -I lib
cmp -s macromod/config.bin packed.bin && rm macromod/config.bin || fail "rapify wrote no config.bin beside config.cpp"
check 1 "bad/parts.hpp:2:10: expected ';' after the value of x" bad.pbo build bad
check 1 'bad/parts.hpp:2:10: expected' bad/config.bin rapify bad/config.cpp
check 1 '(config.cpp is rapified into config.bin); nothing written' both.pbo build both
grep -q 'both.config.cpp' err.txt && grep -q 'both.config.bin' err.txt || fail "$(cat err.txt)"
check 1 'eval.cpp:1:5: __EVAL is not supported' eval.bin rapify eval.cpp
check 1 'loop.cpp:3:5: macro A expands into itself (through B)' loop.bin rapify loop.cpp
check 1 'is the config itself' - rapify eval.cpp -o eval.cpp
# The round trip of the file laid out by hand above: its text rapifies to its own bytes.
check 0 ''                   -          derapify cfg/data/mat.rvmat -o round.cpp
check 0 ''                   -          rapify round.cpp
cmp -s round.bin cfg/data/mat.rvmat || fail "rapify of derapify changed the bytes"
# ---- Signing: every signature checked by the independent check below (hashlib and pow)
cat >check_bisign.py <<'PY'
import hashlib, struct, sys
archive, bisign, version = sys.argv[1], sys.argv[2], int(sys.argv[3])
data, sig = open(archive, 'rb').read(), open(bisign, 'rb').read()
sha1 = lambda b: hashlib.sha1(b).digest()
u32 = lambda b, at: struct.unpack_from('<I', b, at)[0]
# The public key the signature file starts with: authority, blob length, blob.
pos = sig.index(b'\0') + 1
blob = sig[pos + 4:pos + 4 + u32(sig, pos)]
pos += 4 + len(blob)
assert blob[:12] == b'\x06\x02\x00\x00\x00\x24\x00\x00RSA1'
bits, e = u32(blob, 12), u32(blob, 16)
w = bits // 8
n = int.from_bytes(blob[20:20 + w], 'little')
sigs = []
for i in range(3):
    assert u32(sig, pos) == w
    sigs.append(sig[pos + 4:pos + 4 + w])
    pos += 4 + w
    if i == 0:
        assert u32(sig, pos) == version
        pos += 4
assert pos == len(sig)
# The archive: header extension pairs, entries, data, trailer.
p, entries, pairs = 0, [], {}
def cstr():
    global p
    end = data.index(b'\0', p)
    text, p = data[p:end], end + 1
    return text
while True:
    name = cstr()
    method, size = u32(data, p), u32(data, p + 16)
    p += 20
    if name == b'' and method == 0x56657273:
        while (k := cstr()):
            pairs[k] = cstr()
    elif name == b'':
        break
    else:
        entries.append((name, size))
files = []
for name, size in entries:
    files.append((name.lower().replace(b'/', b'\\'), data[p:p + size]))
    p += size
assert len(data) == p + 21 and data[p] == 0 and sha1(data[:p]) == data[p + 1:]
hash1 = data[p + 1:]
files.sort(key=lambda f: f[0])
namehash = sha1(b''.join(name for name, body in files if body))
skip2 = b'paa jpg p3d tga rvmat lip ogg wss png rtm pac fxy wrp'.split()
take3 = b'sqf inc bikb ext fsm sqm hpp cfg sqs h sqfc'.split()
ext = lambda name: name.rsplit(b'.', 1)[1] if b'.' in name else b''
chosen = [body for name, body in files
          if (ext(name) not in skip2 if version == 2 else ext(name) in take3)]
filehash = sha1(b''.join(chosen)) if chosen else sha1(b'nothing' if version == 2 else b'gnihton')
prefix = pairs.get(b'prefix', b'')
tail = prefix + b'\\' if prefix and not prefix.endswith(b'\\') else prefix
info = bytes.fromhex('3021300906052b0e03021a05000414')
for i, digest in enumerate([hash1, sha1(hash1 + namehash + tail), sha1(filehash + namehash + tail)]):
    padded = b'\0\1' + b'\xff' * (w - 38) + b'\0' + info + digest
    assert pow(int.from_bytes(sigs[i], 'little'), e, n) == int.from_bytes(padded, 'big'), i
    if sigs[i][-1] == 0:
        print('sig%d leads with a zero byte' % (i + 1))
print('valid')
PY
check_sig() { python3 check_bisign.py "$@" >check.txt || fail "bad signature $2: $(cat check.txt)"; }
# The signing table, which the plugin's exports run too: the same .bisign bytes everywhere.
zero_lead=0
while IFS=$'\t' read -r key archive edit version expected; do
    [ "$key" = key ] && continue
    rm -rf tbl && mkdir tbl && cp "$samples/$archive" tbl/a.pbo && echo stale >"tbl/a.pbo.$key.bisign"
    keyfile=$samples/$key.biprivatekey
    v2=; [ "$version" = 2 ] && v2=--v2
    case "$edit" in
        -) qp sign "$keyfile" tbl/a.pbo $v2 >out.txt 2>err.txt ;;
        cut-trailer) head -c -21 "$samples/$archive" >tbl/a.pbo; qp sign "$keyfile" tbl/a.pbo >out.txt 2>err.txt ;;
        delete*) qp delete tbl/a.pbo "${edit#delete }" --sign "$keyfile" >out.txt 2>err.txt ;;
        pack*) printf '%s' "${edit#pack }" >"tbl/${edit#pack }"
               qp pack tbl/a.pbo -C tbl "${edit#pack }" --sign "$keyfile" >out.txt 2>err.txt ;;
    esac
    got=$?
    if [[ "$expected" =~ ^[0-9a-f]{64}$ ]]; then
        [ $got -eq 0 ] || fail "$archive $edit v$version: $(cat err.txt)"
        [ "$(sha256sum <"tbl/a.pbo.$key.bisign" | cut -c1-64)" = "$expected" ] ||
            fail "$archive $edit v$version: another .bisign than the reference"
        check_sig tbl/a.pbo "tbl/a.pbo.$key.bisign" "$version"
        grep -q 'leads with a zero byte' check.txt && zero_lead=1
    else
        [ $got -eq 1 ] && grep -q "$expected" err.txt || fail "$archive $edit: $(cat err.txt)"
        # A key that cannot sign is refused before the edit, which then changes nothing; an
        # edit that cannot be signed removes the signature it left stale.
        if [[ "$key" == missing || "$key" == damaged ]]; then
            cmp -s tbl/a.pbo "$samples/$archive" || fail "$archive $edit: changed without a key"
        elif [[ "$edit" == delete* ]] && [ -e "tbl/a.pbo.$key.bisign" ]; then
            fail "$archive $edit: a stale signature was left"
        fi
    fi
done <"$samples/signing.tsv"
[ $zero_lead = 1 ] || fail "no signature of the table leads with a zero byte"
# A modder's folder: scripts, textures, an empty file, mixed-case names, a prefix; v3 and v2.
mkdir -p smod/Scripts smod/data
printf 'hint "a";' >smod/Scripts/Init.sqf
printf 'class CfgPatches {};' >smod/Config.cpp
head -c 4000 /dev/urandom >smod/data/Tex_CO.paa
: >smod/data/empty.hpp
expect_status 0 keygen mymod -o .
expect_status 1 keygen mymod
grep -q 'never overwritten' err.txt || fail "keygen over existing keys: $(cat err.txt)"
# keygen makes the folder it is given, and names the file to keep secret, which its owner alone
# may read (Wine shows the Windows access list that grants its user alone as no bits for others).
expect_status 0 keygen fresh -o made/keys
grep -q 'fresh.biprivatekey: the private key, readable by you alone: keep it secret' out.txt ||
    fail "keygen says: $(cat out.txt)"
mode=$(stat -c %a made/keys/fresh.biprivatekey)
[ "$mode" = 600 ] || { [ -n "$runner" ] && [ "${mode: -1}" = 0 ]; } || fail "the private key is $mode"
expect_status 0 build smod --prefix 'x\mymod' --sign mymod.biprivatekey
check_sig smod.pbo smod.pbo.mymod.bisign 3
expect_status 0 sign mymod.biprivatekey smod.pbo --v2
check_sig smod.pbo smod.pbo.mymod.bisign 2
# A leftover of a signing that crashed is cleared; a key file empty or cut short is no key.
echo partial >smod.pbo.mymod.bisign.quillpack-tmp
expect_status 0 sign mymod.biprivatekey smod.pbo
check_sig smod.pbo smod.pbo.mymod.bisign 3
[ ! -e smod.pbo.mymod.bisign.quillpack-tmp ] || fail "sign left the leftover beside the signature"
expect_status 0 verify smod.pbo --key mymod.bikey
: >empty.bikey && head -c 100 mymod.bikey >cut.bikey
for key in empty cut; do
    expect_status 1 verify smod.pbo --key $key.bikey
    grep -q 'not a key file' err.txt || fail "verify with the $key key: $(cat err.txt)"
done
cp smod.pbo.mymod.bisign good.bisign && echo x >smod.pbo.mymod.bisign
expect_status 1 verify smod.pbo --key mymod.bikey
grep -q 'not a signature file' err.txt || fail "verify of a damaged signature: $(cat err.txt)"
mv good.bisign smod.pbo.mymod.bisign
# A script changed after signing, the trailer made consistent again.
cp smod.pbo smod-signed.pbo
python3 - smod.pbo <<'PY'
import hashlib, sys
data = bytearray(open(sys.argv[1], 'rb').read())
at = data.rindex(b'hint "a";')
data[at + 6] = ord('b')
data[-20:] = hashlib.sha1(bytes(data[:-21])).digest()
open(sys.argv[1], 'wb').write(data)
PY
expect_status 1 verify smod.pbo --key mymod.bikey
grep -q 'sig3 does not match: the scripts changed after signing' err.txt || fail "verify: $(cat err.txt)"
cp smod-signed.pbo smod.pbo
mkdir other && expect_status 0 keygen mymod -o other
expect_status 1 verify smod.pbo --key other/mymod.bikey
grep -q 'another key of authority mymod' err.txt || fail "verify with a wrong key: $(cat err.txt)"
expect_status 1 verify smod.pbo --key "$samples/quillpack_test.bikey"
grep -q 'no signature for authority quillpack_test' err.txt || fail "verify: $(cat err.txt)"
# A server's check of a mod: a good addon, one signed by an authority with no key there, one
# unsigned, one changed after signing, one whose name a Linux server misses; a key no addon uses.
mkdir -p @srv/addons srvkeys && cp mymod.bikey srvkeys/ && expect_status 0 keygen unused -o srvkeys
for name in good stranger unsigned changed Upper; do cp smod.pbo "@srv/addons/$name.pbo"; done
expect_status 0 sign mymod.biprivatekey @srv/addons/{good,changed,Upper}.pbo
expect_status 0 sign "$samples/quillpack_test.biprivatekey" @srv/addons/stranger.pbo
expect_status 0 delete @srv/addons/changed.pbo data/empty.hpp
expect_status 1 verify --keys srvkeys @srv
for line in 'good.pbo: accepted, signed by mymod' 'Upper.pbo: accepted, signed by mymod' \
    'stranger.pbo: not accepted: signed by authority quillpack_test, which has no key in srvkeys' \
    'unsigned.pbo: not accepted: no signature' 'Upper.pbo.mymod.bisign: warning: upper-case' \
    'changed.pbo: not accepted: changed.pbo.mymod.bisign: sig1 does not match' \
    'unused.bikey: warning: no archive is signed by its authority unused' '5 archives: 2 accepted'; do
    grep -qF "$line" out.txt err.txt || fail "verify --keys: no '$line' in $(cat out.txt err.txt)"
done
[ "$(grep -c 'warning: upper-case' err.txt)" = 2 ] || fail "verify --keys warns of others: $(cat err.txt)"
expect_status 1 verify --keys srvkeys @srv --json
[ -s err.txt ] && fail "verify --keys --json said more: $(cat err.txt)"
python3 - out.txt <<'PY' || fail "verify --keys --json: $(cat out.txt)"
import json, re, sys
doc = json.load(open(sys.argv[1]))
got = {re.split(r'[\\/]', a["archive"])[-1]:
       (a["result"], a["authority"], len(a["signatures"]), len(a["warnings"])) for a in doc["archives"]}
assert got == {"good.pbo": ("accepted", "mymod", 1, 0), "Upper.pbo": ("accepted", "mymod", 1, 2),
               "stranger.pbo": ("no_key", "quillpack_test", 1, 0),
               "unsigned.pbo": ("unsigned", None, 0, 0),
               "changed.pbo": ("rejected", "mymod", 1, 0)}, got
assert [(k["authority"], k["used"]) for k in doc["keys"]] == [("mymod", True), ("unused", False)]
assert (doc["accepted"], doc["not_accepted"]) == (2, 3)
assert all((a["reason"] is None) == (a["result"] == "accepted") for a in doc["archives"]), doc
PY
# An edit without --sign names the signatures it leaves stale; sort puts an archive in order.
cp "$samples/addon.pbo" unsorted.pbo && echo x >unsorted.pbo.mymod.bisign
expect_status 1 sign mymod.biprivatekey unsorted.pbo
grep -q 'quillpack sort unsorted.pbo' err.txt || fail "sign of an unsorted archive: $(cat err.txt)"
expect_status 0 sort unsorted.pbo
grep -q 'unsorted.pbo.mymod.bisign: no longer matches' err.txt || fail "no stale note: $(cat err.txt)"
expect_status 0 sort unsorted.pbo --sign mymod.biprivatekey
check_sig unsorted.pbo unsorted.pbo.mymod.bisign 3
expect_status 0 extract unsorted.pbo -C sorted-out
expect_status 0 extract "$samples/addon.pbo" -C addon-out
diff -r sorted-out addon-out || fail "sort changed what the archive holds"
# New entries go to their sorted places in a sorted archive, to the end of an unsorted one, by
# a rewrite and in place; each entry then extracts its own bytes (list and verify cannot tell a
# header entry at its place from its data at another).
printf 'n' >src/Data_new.sqf
for archive in checksummed addon; do
    expect_status 0 extract "$samples/$archive.pbo" -C "ins-$archive-expected"
    cp src/Data_new.sqf "ins-$archive-expected"
    for how in '' --in-place; do
        cp "$samples/$archive.pbo" "ins-$archive.pbo"
        expect_status 0 pack "ins-$archive.pbo" -C src Data_new.sqf ${how:+"$how"}
        expect_status 0 list --json "ins-$archive.pbo"
        python3 -c 'import json, sys; names = [e["name"] for e in json.load(open("out.txt"))["entries"]]
key = lambda n: n.lower().encode()
assert names == (sorted(names, key=key) if sys.argv[1] == "checksummed" else names[:-1] + ["Data_new.sqf"]), names' "$archive" ||
            fail "a new entry in $archive.pbo ${how:-rewritten}: $(cat out.txt)"
        rm -rf ins-out && expect_status 0 extract "ins-$archive.pbo" -C ins-out
        diff -r "ins-$archive-expected" ins-out || fail "a new entry in $archive.pbo ${how:-rewritten}"
    done
done
expect_status 1 sign mymod.bikey smod.pbo
grep -q 'not a key file of the kind wanted' err.txt || fail "sign with a public key: $(cat err.txt)"
# ---- Interrupted extraction: SIGINT and SIGTERM stop it at the entry it is on, with 130 and
# 143; what kill -9 leaves behind is removed by the next extraction into the folder.
if [ -z "$runner" ]; then
    mkdir -p big/z
    for f in f1 f2 z/f3; do head -c $((24 << 20)) /dev/urandom >"big/$f.bin"; done
    expect_status 0 pack big.pbo -C big --prefix big .
    for signal in INT:130 TERM:143 KILL:137; do
        rm -rf stopped && mkdir stopped
        "$tool" extract big.pbo -C stopped >/dev/null 2>&1 &
        pid=$!
        SECONDS=0
        until [ -e stopped/.quillpack-part ] || [ $SECONDS -gt 20 ]; do :; done
        kill -"${signal%:*}" $pid
        wait $pid 2>/dev/null
        got=$?
        [ $got -eq "${signal#*:}" ] || fail "extract stopped by SIG${signal%:*} exited $got"
        [ -e stopped/z ] || [ -e 'stopped/$PBOPREFIX$' ] && fail "extract went on after SIG${signal%:*}"
    done
    expect_status 0 extract big.pbo -C stopped
    [ -z "$(ls -A stopped | grep quillpack-part)" ] && diff -r -x '$PBOPREFIX$' big stopped ||
        fail "a killed extraction's part file was left: $(ls -A stopped)"
fi
# Reads of a whole archive stop at SIGINT or SIGTERM too, writing nothing: verify and sign of a
# 1.9 GB archive (sparse, so it takes no room), signalled once they have read 64 MiB of it; its
# trailer does not match, so either read to the end fails with 1. A listing whose names are
# matched against a pattern stops at the entry it is on: its output fills a pipe that is read
# only after the signal, so the signal comes before the last entry.
if [ -z "$runner" ]; then
    python3 - <<'PY'
import struct
size = 1900 << 20
header = b'big.bin\0' + struct.pack('<5I', 0, 0, 0, 0, size) + bytes(21)
with open('sparse.pbo', 'wb') as f:
    f.write(header)
    f.seek(len(header) + size)
    f.write(bytes(21))
names = b''.join(b'textures/%d/x%05d.paa\0' % (i % 7, i) + bytes(20) for i in range(50000))
open('many.pbo', 'wb').write(names + bytes(21))
PY
    read_past() {  # until process $1 has read its file $2 past 64 MiB
        local fd pos
        SECONDS=0
        while [ $SECONDS -lt 20 ] && kill -0 "$1" 2>/dev/null; do
            for fd in /proc/"$1"/fd/*; do
                [[ "$(readlink "$fd")" == */"$2" ]] || continue
                pos=$(sed -n 's/^pos:[[:space:]]*//p' /proc/"$1"/fdinfo/"${fd##*/}" 2>/dev/null)
                [ "${pos:-0}" -gt $((64 << 20)) ] && return 0
            done
        done
        return 1
    }
    for run in INT:130:verify TERM:143:verify INT:130:sign TERM:143:sign; do
        IFS=: read -r signal want command <<<"$run"
        if [ "$command" = sign ]; then set -- sign mymod.biprivatekey sparse.pbo; else set -- verify sparse.pbo; fi
        "$tool" "$@" >out.txt 2>err.txt &
        pid=$!
        read_past $pid sparse.pbo || fail "$command never read its archive: $(cat err.txt)"
        kill -"$signal" $pid
        wait $pid
        got=$?
        [ $got -eq "$want" ] || fail "$command stopped by SIG$signal exited $got: $(cat out.txt err.txt)"
        ls | grep -q -e '^sparse.pbo.' && fail "$command wrote $(ls | grep '^sparse.pbo.')"
    done
    mkfifo listing
    "$tool" list many.pbo '**/**/*.paa' >listing 2>err.txt &
    pid=$!
    exec 3<listing
    dd bs=1 count=1 <&3 >/dev/null 2>&1  # the tool lists: its signal handlers are set
    kill -TERM $pid
    cat <&3 >listed.txt
    exec 3<&-
    wait $pid
    got=$?
    [ $got -eq 143 ] && ! grep -q 'entries$' listed.txt || fail "list stopped by SIGTERM exited $got"
    rm -f sparse.pbo many.pbo listing
fi
# ---- The copy an edit writes beside the archive: whatever stands at its name (a link, one that
# leads nowhere, a folder, another user's file) is refused, never followed; the archive stays.
echo secret >planted-target
plants="folder"
[ -z "$runner" ] && plants="link dangling folder"  # Wine sees through a link of the system's
[ -z "$runner" ] && [ "$(id -u)" = 0 ] && plants="$plants others"
# So is the one sign and keygen write their files under first.
for plant in $plants; do
    for edit in "rt.pbo|pack rt.pbo -C rt b.txt" "rt.pbo|delete rt.pbo b.txt" \
                "fresh.pbo|pack fresh.pbo -C rt b.txt" "rt.pbo.mymod.bisign|sign mymod.biprivatekey rt.pbo" \
                "planted.bikey|keygen planted"; do
        at=${edit%%|*}.quillpack-tmp
        # shellcheck disable=SC2086
        set -- ${edit#*|}
        case $plant in
            link) ln -s planted-target "$at" ;;
            dangling) ln -s nowhere "$at" ;;
            folder) mkdir "$at" ;;
            others) echo theirs >"$at" && chown nobody "$at" ;;
        esac
        expect_status 1 "$@"
        grep -q "$at exists and is not ours; \(the archive is unchanged\|nothing written\)" err.txt ||
            fail "$plant, $edit: $(cat err.txt)"
        cmp -s rt.pbo rt-before.pbo && [ ! -e fresh.pbo ] && [ ! -e nowhere ] &&
            [ ! -e rt.pbo.mymod.bisign ] && [ ! -e planted.biprivatekey ] &&
            [ "$(cat planted-target)" = secret ] || fail "$plant, $edit wrote through the plant"
        rm -rf "$at"
    done
done
# A link that leads nowhere at the archive's own name is named, and not followed.
if [ -z "$runner" ]; then
    ln -s nowhere dangling.pbo
    for edit in "build rt dangling.pbo" "pack dangling.pbo -C rt b.txt"; do
        # shellcheck disable=SC2086
        expect_status 1 $edit
        grep -q 'dangling.pbo: a symbolic link to nowhere, which does not exist; nothing written' err.txt &&
            [ ! -e nowhere ] || fail "$edit: $(cat err.txt)"
    done
fi

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
    # A folder deep inside that cannot be read is named itself.
    mkdir -p locked/a/b && chmod 0 locked/a/b
    "${other[@]}" "$tool" build locked --list >out.txt 2>err.txt
    [ $? -eq 1 ] && grep -q 'locked/a/b: cannot read the folder' err.txt || fail "locked: $(cat err.txt)"
    chmod 0755 locked/a/b
    # sort and build take no --in-place, and do not offer it.
    for edit in "sort ro/p.pbo" "build rt ro/new.pbo"; do
        # shellcheck disable=SC2086
        "${other[@]}" "$tool" $edit >out.txt 2>err.txt
        [ $? -eq 1 ] && grep -q 'cannot create a file in ro: permission denied' err.txt &&
            ! grep -q -e --in-place err.txt || fail "$edit in a read-only folder: $(cat err.txt)"
    done
    "${other[@]}" "$tool" delete --in-place ro/p.pbo b.txt >out.txt 2>err.txt || fail "in place: $(cat err.txt)"
    chmod 0755 ro
fi
echo "cli_test: all checks passed"
