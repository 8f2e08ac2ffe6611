#!/usr/bin/env bash
# Makes the Debian package from what the install rules put in place, into BUILD_DIR:
#   make_deb.sh BUILD_DIR VERSION   ->   BUILD_DIR/quillpack_VERSION_ARCH.deb
# It depends on what the tool and the plugin link, as dpkg-shlibdeps finds it.
set -euo pipefail
build=$(realpath "$1")
version=$2
here=$(cd "$(dirname "$0")" && pwd)
arch=$(dpkg --print-architecture)
output=$build/quillpack_${version}_$arch.deb
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stage=$work/root
docs=$stage/usr/share/doc/quillpack

DESTDIR=$stage cmake --install "$build" --prefix /usr --strip >/dev/null
# Manual pages and changelogs are compressed in a package; -n keeps the bytes the same each time.
gzip -9n "$stage/usr/share/man/man1/quillpack.1"
mkdir -p "$docs" "$stage/DEBIAN"
cp "$here/copyright" "$docs/copyright"
sed "s/@VERSION@/$version/" "$here/changelog.in" | gzip -9n >"$docs/changelog.gz"
# Debian wants a shared object without the executable bit; the plugin is loaded, never run.
chmod 0644 "$stage/usr/lib/quillpack/quillpack.wcx"

# dpkg-shlibdeps reads the package's name from a debian/control of the source.
mkdir -p "$work/source/debian"
printf 'Source: quillpack\n\nPackage: quillpack\nArchitecture: any\n' >"$work/source/debian/control"
depends=$(cd "$work/source" && dpkg-shlibdeps -O "$stage/usr/bin/quillpack" \
    "$stage/usr/lib/quillpack/quillpack.wcx" | sed -n 's/^shlibs:Depends=//p')
size=$(du -sk --exclude=DEBIAN "$stage" | cut -f1)
sed -e "s/@VERSION@/$version/" -e "s/@ARCH@/$arch/" -e "s/@DEPENDS@/$depends/" \
    -e "s/@SIZE@/$size/" "$here/control.in" >"$stage/DEBIAN/control"
(cd "$stage" && find usr -type f -print0 | sort -z | xargs -0 md5sum) >"$stage/DEBIAN/md5sums"

rm -f "$output"
dpkg-deb --root-owner-group -Zxz --build "$stage" "$output" >/dev/null
echo "made $output"
