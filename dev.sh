#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds quillpack and runs its demo or its tests.
#   ./dev.sh demo   install what is missing, build native, win32 and win64, show the plugin at work
#   ./dev.sh test   install what is missing, build every preset, run every test (native, under the
#                   sanitizers, the fuzz targets for a minute each, and under Wine)
set -euo pipefail
cd "$(dirname "$0")"

packages=(cmake g++ googletest zlib1g-dev libssl-dev g++-mingw-w64-i686 g++-mingw-w64-x86-64
          wine wine64 xvfb xauth zip unzip clang libclang-rt-14-dev
          doublecmd-gtk openbox xdotool imagemagick python3)
# Runs the 32-bit builds under Wine; without it (or on a kernel that refuses 32-bit programs) the
# 32-bit plugin is still built and its tests run on the 64-bit one.
optional_packages=(wine32)

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "ok installed"; }

install_missing() {
    local missing=() missing_optional=()
    for package in "${packages[@]}"; do installed "$package" || missing+=("$package"); done
    for package in "${optional_packages[@]}"; do
        installed "$package" || missing_optional+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && [ ${#missing_optional[@]} -eq 0 ] && return 0
    echo "== installing: ${missing[*]} ${missing_optional[*]}"
    dpkg --print-foreign-architectures | grep -qx i386 || as_root dpkg --add-architecture i386
    # A mirror in the middle of a sync fails the update now and then: try again, and go on with
    # the indexes there are; the install below says clearly what it cannot find.
    local attempt
    for attempt in 1 2 3; do
        as_root apt-get update -qq && break
        echo "== apt-get update failed (attempt $attempt of 3)"
        [ "$attempt" -lt 3 ] && sleep 20
    done
    if [ ${#missing[@]} -gt 0 ]; then
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
            "${missing[@]}" >/dev/null
    fi
    if [ ${#missing_optional[@]} -gt 0 ] &&
        ! as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
            "${missing_optional[@]}" >/dev/null; then
        echo "== could not install ${missing_optional[*]}: going on without it"
    fi
}

# The demo needs the first three; the tests also run the sanitizer and fuzz builds.
demo_presets=(native win32 win64)
test_presets=(native native-asan fuzz win32 win64)

build() {
    for preset in "$@"; do
        echo "== building $preset"
        cmake --preset "$preset" >/dev/null
        cmake --build --preset "$preset"
    done
    cmake --build --preset win64 --target package_zip
}

# Some machines cannot run 32-bit programs at all (their kernel refuses them); the 32-bit plugin
# is built there all the same, and the 64-bit one stands in for it under Wine.
runs_32_bit() { build/win32/wine-run --check; }

demo() {
    local bits=32 plugin=build/win32/quillpack.wcx
    if ! runs_32_bit; then
        echo "== this machine cannot run 32-bit programs: the 64-bit plugin shows the work"
        bits=64 plugin=build/win64/quillpack.wcx64
    fi
    echo "== the real $bits-bit plugin, loaded by the host program under Wine, lists samples/demo.pbo"
    build/win$bits/wine-run build/win$bits/wcx_host.exe list "$plugin" samples/demo.pbo
    echo "== ... and extracts it"
    local work
    work=$(mktemp -d)
    build/win$bits/wine-run build/win$bits/wcx_host.exe extract "$plugin" \
        samples/demo.pbo "$work/plugin-out"
    build/win$bits/wine-run --stop

    local quillpack=build/native/quillpack
    echo "== the quillpack tool packs samples/demo into a new archive, lists, extracts, deletes"
    (set -x
     "$quillpack" pack "$work/demo.pbo" --prefix 'quillpack\demo' -C samples/demo .
     "$quillpack" list --long "$work/demo.pbo"
     "$quillpack" extract "$work/demo.pbo" -C "$work/out"
     cat "$work/out/\$PBOPREFIX\$"; echo
     diff -r -x '$PBOPREFIX$' samples/demo "$work/out"
     "$quillpack" delete "$work/demo.pbo" 'scripts\*.*'
     "$quillpack" list "$work/demo.pbo")
    rm -rf "$work"
    echo "== the installable package: $(ls build/win64/quillpack-*.zip)"
}

run_tests() {
    local status=0
    for preset in "${test_presets[@]}"; do
        if [ "$preset" = win32 ] && ! runs_32_bit; then
            echo "== testing win32: SKIPPED, this machine cannot run 32-bit programs;" \
                 "the same tests run on the 64-bit plugin"
            continue
        fi
        echo "== testing $preset"
        ctest --preset "$preset" || status=1
    done
    return $status
}

case "${1:-}" in
    demo) install_missing; build "${demo_presets[@]}"; demo ;;
    test) install_missing; build "${test_presets[@]}"; run_tests ;;
    *) echo "usage: ./dev.sh demo|test" >&2; exit 2 ;;
esac
