#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds quillpack and runs its demo or its tests.
#   ./dev.sh demo   installs what is missing, builds only what the demo shows (the tool, both
#                   Windows plugins, the host program, the packages) and tours it on real archives
#   ./dev.sh test   installs what is missing, builds every preset, runs every test (natively,
#                   under the sanitizers, the fuzz targets, under 32-bit and 64-bit Wine, the
#                   Debian package on a fresh Debian 12) and ends with a summary table
# Each step prints one line; what apt and the compilers say goes to build/demo.log or
# build/test.log, whose end is shown when a step fails.
set -euo pipefail
cd "$(dirname "$0")"

packages=(cmake g++ googletest zlib1g-dev libssl-dev g++-mingw-w64-i686 g++-mingw-w64-x86-64
          wine wine64 xvfb xauth zip unzip clang libclang-rt-14-dev python3
          doublecmd-gtk openbox xdotool imagemagick dpkg-dev)
# The Debian package's tests: lintian, and a fresh Debian 12 to install it on.
if [ "${1:-}" = test ]; then packages+=(lintian debootstrap); fi
# Runs the 32-bit builds under Wine; without it the 32-bit plugin is still built, and the
# 64-bit one runs its tests and the demo.
optional_packages=(wine32)

cores=$(nproc)
mode=${1:-}
log=build/$mode.log
# Why wine32 is not there, when it is not: said once, and remembered for the run.
wine32_missing=""

say() { echo "== $*"; }

# Runs a step with its output in the log; on failure shows the log's end and stops.
logged() {
    local what=$1
    shift
    if ! "$@" >>"$log" 2>&1; then
        say "$what FAILED; the end of $log:"
        tail -n 40 "$log" | sed 's/^/   /'
        exit 1
    fi
}

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "ok installed"; }

apt_install() {
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$@"
}

# One line of why apt could not install a package, from what it said in the log.
apt_reason() {
    local said
    said=$(tail -n 30 "$log")
    if grep -q "Mirror sync in progress\|unexpected size\|Hash Sum mismatch" <<<"$said"; then
        echo "not installable from the package mirror right now"
    elif grep -q "Unable to locate package\|has no installation candidate" <<<"$said"; then
        echo "not in the package lists of this machine"
    elif grep -q "generated breaks\|unmet dependencies" <<<"$said"; then
        echo "its dependencies cannot be installed from the package mirror right now"
    else
        echo "apt-get failed (see $log)"
    fi
}

install_missing() {
    local missing=() missing_optional=() package
    for package in "${packages[@]}"; do installed "$package" || missing+=("$package"); done
    for package in "${optional_packages[@]}"; do
        installed "$package" || missing_optional+=("$package")
    done
    if [ ${#missing[@]} -eq 0 ] && [ ${#missing_optional[@]} -eq 0 ]; then
        say "set-up: every package is installed"
        return 0
    fi
    local start=$SECONDS wanted=("${missing[@]}" "${missing_optional[@]}")
    say "set-up: installing ${wanted[*]}"
    dpkg --print-foreign-architectures | grep -qx i386 || logged "adding i386" \
        as_root dpkg --add-architecture i386
    # A mirror in the middle of a sync fails the update now and then: try again when a package
    # the build needs is missing (an optional one is not worth the wait), and go on with the
    # indexes there are; the installs below say what they cannot find.
    local attempt tries=1
    [ ${#missing[@]} -eq 0 ] || tries=3
    for attempt in $(seq "$tries"); do
        as_root apt-get update -qq >>"$log" 2>&1 && break
        [ "$attempt" -lt "$tries" ] && sleep 20
    done
    [ ${#missing[@]} -eq 0 ] || logged "installing ${missing[*]}" apt_install "${missing[@]}"
    for package in "${missing_optional[@]}"; do
        if ! apt_install "$package" >>"$log" 2>&1; then
            local reason
            reason=$(apt_reason)
            say "$package: $reason"
            [ "$package" = wine32 ] && wine32_missing=$reason
        fi
    done
    say "set-up done in $((SECONDS - start)) s"
}

# Whether 32-bit Windows programs run here, and if not, one line that says why and what runs
# instead.
runs_32_bit() {
    installed wine32 && build/win32/wine-run --check
}

why_not_32_bit() {
    if ! installed wine32; then
        echo "the 32-bit plugin is built but not run: wine32 is ${wine32_missing:-not installed};" \
             "the 64-bit plugin runs in its stead"
    else
        echo "the 32-bit plugin is built but not run: this machine's kernel does not run" \
             "32-bit programs; the 64-bit plugin runs in its stead"
    fi
}

# build PRESET WHAT [TARGET...]: configures and builds the preset (all of it without targets).
build() {
    local preset=$1 what=$2 start=$SECONDS
    shift 2
    local targets=()
    [ $# -eq 0 ] || targets=(--target "$@")
    logged "configuring $preset" cmake --preset "$preset"
    logged "building $preset" cmake --build --preset "$preset" --parallel "$cores" "${targets[@]}"
    say "built $preset ($what) in $((SECONDS - start)) s"
}

# The tour: what each step shows, then the step's own lines, indented.
step() { echo; echo "$*"; }
show() { "$@" 2>&1 | sed 's/^/    /'; }

demo() {
    local bits=32 plugin=build/win32/quillpack.wcx
    if ! runs_32_bit; then
        say "$(why_not_32_bit)"
        bits=64 plugin=build/win64/quillpack.wcx64
    fi
    local wine=build/win$bits/wine-run host=build/win$bits/wcx_host.exe
    local quillpack=build/native/quillpack
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    cp tests/data/addon.pbo "$work/addon.pbo"
    logged "starting Wine" "$wine" --start

    step "1. The $bits-bit plugin, loaded by a host program under Wine as Total Commander loads" \
         "it, lists addon.pbo (written by another tool: two LZSS-compressed entries, a prefix):"
    show "$wine" "$host" list "$plugin" "$work/addon.pbo"
    step "2. ... extracts it (each entry decoded and written whole), and every file matches the" \
         "SHA-256 another tool recorded for it (tests/data/manifest.tsv):"
    "$wine" "$host" extract "$plugin" "$work/addon.pbo" "$work/plugin-out" >>"$log" 2>&1
    show check_manifest "$work/plugin-out"
    step "3. ... packs samples/demo into a new archive and deletes a folder from it, as F5 and F8 do:"
    show "$wine" "$host" pack "$plugin" "$work/demo.pbo" samples/demo | tail -n 1
    show "$wine" "$host" delete "$plugin" "$work/demo.pbo" 'scripts\*.*' | tail -n 1
    show "$wine" "$host" list "$plugin" "$work/demo.pbo" | tail -n +2
    logged "stopping Wine" "$wine" --stop

    step "4. The quillpack tool builds samples/demo into an addon as a modder does (entries sorted," \
         "times zeroed: the same folder always gives the same bytes), signs it, and checks it as a" \
         "server would:"
    show "$quillpack" build samples/demo "$work/demo.pbo" --prefix 'quillpack\demo'
    show "$quillpack" list "$work/demo.pbo"
    show "$quillpack" keygen demo_author -o "$work"
    show "$quillpack" sign "$work/demo_author.biprivatekey" "$work/demo.pbo"
    show "$quillpack" verify "$work/demo.pbo" --key "$work/demo_author.bikey"
    step "5. ... and extracts it again: the files are those of samples/demo, the prefix beside them:"
    show "$quillpack" extract "$work/demo.pbo" -C "$work/tool-out"
    if diff -r -x '$PBOPREFIX$' samples/demo "$work/tool-out" >>"$log" 2>&1; then
        echo "    the same files; \$PBOPREFIX\$ holds '$(cat "$work/tool-out/\$PBOPREFIX\$")'"
    else
        echo "    the extracted files differ from samples/demo (see $log)"
        exit 1
    fi

    step "6. The installable packages: the zip for Total Commander (Enter on it installs the" \
         "plugin), and the Debian package (apt install ./FILE) of the tool and the Linux plugin:"
    local zip deb
    zip=$(ls build/win64/quillpack-*.zip)
    deb=$(ls build/native/quillpack_*.deb)
    echo "    $zip: $(unzip -Z1 "$zip" | tr '\n' ' ')"
    echo "    $deb: $(dpkg-deb -c "$deb" | grep -o '/usr/[^ ]*[^/]$' | tr '\n' ' ')"
    echo
    say "demo done in $SECONDS s; the whole log is in $log"
}

# Compares the extracted files with the SHA-256 of each entry of addon.pbo in the manifest.
check_manifest() {
    local out=$1 matched=0 total=0 name sum
    while IFS=$'\t' read -r archive name _ _ _ _ sum; do
        [ "$archive" = addon.pbo ] && [ -n "$sum" ] || continue
        total=$((total + 1))
        local file="$out/${name//\\//}"
        [ -f "$file" ] && [ "$(sha256sum <"$file" | cut -d' ' -f1)" = "$sum" ] &&
            matched=$((matched + 1))
    done <tests/data/manifest.tsv
    echo "$matched of $total files match"
    [ "$matched" -eq "$total" ]
}

test_presets=(native native-asan fuzz win32 win64)

run_tests() {
    local status=0 preset
    for preset in "${test_presets[@]}" package; do
        if [ "$preset" = win32 ] && ! runs_32_bit; then
            say "testing win32: skipped, $(why_not_32_bit)"
            echo "win32 - - - - - $(why_not_32_bit)" >>build/summary.txt
            continue
        fi
        say "testing $preset"
        local start=$SECONDS repeat=()
        # Under Wine on a loaded machine a program now and then fails a file call once, or
        # starts and says nothing; a Windows test that fails runs once more (its first failure
        # shows above its second run), and a fault of the code fails both runs.
        [[ $preset == win* ]] && repeat=(--repeat until-pass:2)
        # The junit file keeps each test's output, cut in the middle: skip reasons come first,
        # the fuzz targets' run counts last.
        ctest --preset "$preset" --parallel "$cores" --output-junit "junit-$preset.xml" \
            --test-output-size-passed 20000 --test-output-truncation middle "${repeat[@]}" ||
            status=1
        # The package preset runs in the native build's folder.
        local junit=build/$preset/junit-$preset.xml
        [ "$preset" = package ] && junit=build/native/junit-package.xml
        python3 tests/summary.py add build/summary.txt "$preset" "$junit" $((SECONDS - start))
    done
    python3 tests/summary.py show build/summary.txt
    return $status
}

mkdir -p build
: >"$log"
case "$mode" in
    demo)
        echo "quillpack demo: about 2 minutes on a 2-core machine with the packages installed" \
             "(log: $log)"
        install_missing
        build native "the quillpack tool, the Linux plugin, the Debian package" \
            quillpack quillpack_plugin package_deb
        build win32 "the 32-bit plugin, the host program, quillpack.exe" \
            quillpack_plugin wcx_host quillpack
        build win64 "the 64-bit plugin, the host program, the package" \
            quillpack_plugin wcx_host package_zip
        demo
        ;;
    test)
        install_missing
        for preset in "${test_presets[@]}"; do build "$preset" "everything"; done
        logged "making the packages" cmake --build --preset win64 --target package_zip
        logged "making the packages" cmake --build --preset native --target package_deb
        : >build/summary.txt
        run_tests
        ;;
    *) echo "usage: ./dev.sh demo|test" >&2; exit 2 ;;
esac
