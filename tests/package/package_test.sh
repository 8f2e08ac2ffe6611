#!/usr/bin/env bash
# The installable zip holds both plugins, the command-line tool, the install file the file manager
# reads, and a readme. Usage: package_test.sh ZIP WCX32 WCX64 EXE
set -u
zip=$1 wcx32=$2 wcx64=$3 exe=$4
fail() { echo "FAIL: $*"; exit 1; }
[ -f "$zip" ] || fail "no package at $zip"
names=$(unzip -Z1 "$zip" | sort | tr '\n' ' ')
[ "$names" = "pluginst.inf quillpack.exe quillpack.wcx quillpack.wcx64 readme.txt " ] ||
    fail "zip holds: $names"
unzip -p "$zip" quillpack.wcx | cmp -s - "$wcx32" || fail "quillpack.wcx is not the built plugin"
unzip -p "$zip" quillpack.wcx64 | cmp -s - "$wcx64" || fail "quillpack.wcx64 is not the built plugin"
unzip -p "$zip" quillpack.exe | cmp -s - "$exe" || fail "quillpack.exe is not the built tool"
inf=$(unzip -p "$zip" pluginst.inf | tr -d '\r')
[ "$(echo "$inf" | head -1)" = "[plugininstall]" ] || fail "pluginst.inf has no [plugininstall] section"
for line in "type=wcx" "file=quillpack.wcx" "defaultextension=pbo"; do
    echo "$inf" | grep -qx "$line" || fail "pluginst.inf lacks $line"
done
echo "$inf" | grep -q '^description=.\+' || fail "pluginst.inf has no description"
unzip -p "$zip" readme.txt | grep -q "quillpack.exe" || fail "readme.txt does not explain the tool"
unzip -p "$zip" quillpack.wcx | head -c 2 | grep -q MZ || fail "quillpack.wcx is no Windows module"
echo "package_test: all checks passed"
