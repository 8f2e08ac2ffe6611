#!/usr/bin/env bash
# Makes the installable zip: make_package.sh WCX32 WCX64 EXE OUTPUT.zip
set -euo pipefail
wcx32=$(realpath "$1")
wcx64=$(realpath "$2")
exe=$(realpath "$3")
output=$(realpath -m "$4")
here=$(cd "$(dirname "$0")" && pwd)
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$wcx32" "$stage/quillpack.wcx"
cp "$wcx64" "$stage/quillpack.wcx64"
cp "$exe" "$stage/quillpack.exe"
cp "$here/pluginst.inf" "$here/readme.txt" "$stage/"
rm -f "$output"
(cd "$stage" && zip -q -X "$output" pluginst.inf quillpack.wcx quillpack.wcx64 quillpack.exe readme.txt)
echo "made $output"
