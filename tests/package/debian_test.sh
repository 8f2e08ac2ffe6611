#!/usr/bin/env bash
# The Debian package and the tool-only build on a fresh Debian 12 that debootstrap makes in a
# folder of the build (as root: sudo otherwise), one step a test:
#   debian_test.sh root ROOTS            ROOTS/fresh: a copy of ROOTS/base, made once
#   debian_test.sh package ROOTS DEB README
#       apt installs the package and what it depends on; its tool, manual page, completion and
#       plugin (where the README says) work; apt removes it again, leaving nothing
#   debian_test.sh tool ROOTS SOURCE     with nothing but g++, cmake and libssl-dev, the
#                                        README's three commands build and install the tool
set -u
step=$1 roots=$2
base=$roots/base fresh=$roots/fresh
fail() { echo "FAIL: $*"; exit 1; }
as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
# A command inside the fresh system, with its own /proc that goes away with it, and none of the
# caller's environment (a compiler launcher set there is not installed here).
in_root() {
    as_root unshare --mount --pid --fork --mount-proc="$fresh/proc" chroot "$fresh" \
        env -i HOME=/root DEBIAN_FRONTEND=noninteractive PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin "$@"
}
# The installed tool builds a folder into an archive, which it then finds whole.
tool_works() {
    in_root sh -c 'mkdir -p /tmp/mod && echo "hint 1;" >/tmp/mod/init.sqf && quillpack build /tmp/mod &&
        quillpack verify /tmp/mod.pbo && quillpack list /tmp/mod.pbo' >"$roots/out.txt" 2>&1 &&
        grep -q init.sqf "$roots/out.txt" || fail "the installed quillpack: $(cat "$roots/out.txt")"
}
apt_in_root() {
    in_root apt-get "$@" -y -qq >"$roots/apt.log" 2>&1 || fail "apt-get $*: $(tail -5 "$roots/apt.log")"
}
# What apt fetched stays in the base for the next run; the base stays a fresh system all the same.
keep_downloads() {
    as_root cp -n "$fresh"/var/cache/apt/archives/*.deb "$base/var/cache/apt/archives/" 2>/dev/null
}

case $step in
root)
    mkdir -p "$roots"
    if [ ! -x "$base/usr/bin/apt-get" ]; then
        as_root rm -rf "$base.part"
        as_root debootstrap --variant=minbase bookworm "$base.part" http://deb.debian.org/debian \
            >"$roots/debootstrap.log" 2>&1 || fail "debootstrap: $(tail -3 "$roots/debootstrap.log")"
        as_root mv "$base.part" "$base"
    fi
    as_root rm -rf "$fresh"
    as_root cp -a "$base" "$fresh" || fail "cannot copy $base"
    apt_in_root update
    echo "debian_test root: a fresh Debian 12 in $fresh"
    ;;
package)
    deb=$3 readme=$4
    name=$(basename "$deb")
    version=${name#quillpack_}
    version=${version%%_*}
    in_root dpkg -s libssl3 >/dev/null 2>&1 && fail "libssl3 is there before the package brings it"
    as_root cp "$deb" "$fresh/tmp/$name"
    apt_in_root install "/tmp/$name"
    in_root dpkg -s libssl3 >/dev/null 2>&1 || fail "the package did not bring in libssl3"
    [ "$(in_root quillpack --version)" = "quillpack $version" ] ||
        fail "quillpack --version: $(in_root quillpack --version 2>&1)"
    tool_works
    plugins=$(grep -o '/usr/[a-z/]*/quillpack\.wcx' "$readme" | grep -v ^/usr/local/ | sort -u)
    [ -n "$plugins" ] || fail "the README names no place of the plugin"
    for plugin in $plugins; do
        [ -f "$fresh$plugin" ] || fail "no plugin at $plugin, where the README says"
    done
    apt_in_root install man-db
    [ "$(in_root man -w quillpack)" = /usr/share/man/man1/quillpack.1.gz ] || fail "man -w quillpack"
    # Every command of the usage has its section in the manual page, and every option it shows
    # is completed.
    in_root bash -c '. /usr/share/bash-completion/completions/quillpack
        for command in $(quillpack --help | sed -n "s/^\(usage:\)\? *quillpack \([a-z]\+\) .*/\2/p" | sort -u); do
            man quillpack 2>/dev/null | grep -q "^   $command " || echo "no manual section for $command"
            COMP_WORDS=(quillpack $command -); COMP_CWORD=2; _quillpack
            for option in $(quillpack $command --help | sed "/^$/q" | grep -oE -- "-[-a-zA-Z0-9]+" | sort -u); do
                [[ " ${COMPREPLY[*]} " == *" $option "* ]] || echo "$command $option is not completed"
            done
        done' >"$roots/out.txt" 2>&1
    [ ! -s "$roots/out.txt" ] || fail "$(cat "$roots/out.txt")"
    apt_in_root purge quillpack
    for path in /usr/bin/quillpack /usr/lib/quillpack /usr/share/man/man1/quillpack.1.gz \
                /usr/share/doc/quillpack; do
        [ ! -e "$fresh$path" ] || fail "$path is left after the package was removed"
    done
    keep_downloads
    echo "debian_test package: all checks passed"
    ;;
tool)
    source=$3
    apt_in_root install g++ cmake libssl-dev
    as_root mkdir -p "$fresh/src/quillpack"
    tar -C "$source" -c --exclude=./build --exclude=./.git . | as_root tar -x -C "$fresh/src/quillpack"
    in_root sh -c 'cd /src/quillpack && cmake --preset tool &&
        cmake --build --preset tool --parallel "$(nproc)" && cmake --install build/tool' \
        >"$roots/build.log" 2>&1 || fail "the build: $(tail -20 "$roots/build.log")"
    for path in bin/quillpack lib/quillpack/quillpack.wcx share/man/man1/quillpack.1 \
                share/bash-completion/completions/quillpack; do
        [ -e "$fresh/usr/local/$path" ] || fail "cmake --install put no /usr/local/$path"
    done
    tool_works
    keep_downloads
    as_root rm -rf "$fresh"
    echo "debian_test tool: all checks passed"
    ;;
*) fail "usage: debian_test.sh root|package|tool ROOTS ..." ;;
esac
