#!/usr/bin/env bash
# make deb: zelto2k_VERSION_amd64.deb, laid out as Debian lays out games.
# Usage: make-deb.sh <Release build folder> <output folder>
#
# /usr/games/zelto2k (a link to the program), the program in /usr/lib/games/zelto2k/, its
# data in /usr/share/games/zelto2k/data/ (the program finds it from its own location), the
# desktop entry and icons, the man page, the notice and changelog. The dependencies are
# worked out from the program by dpkg-shlibdeps, on Debian's own libraries.
set -euo pipefail
source "$(dirname "$0")/release-common.sh"
build=$(realpath "$1")
output=$(mkdir -p "$2" && realpath "$2")
stage=$output/stage-deb
root=$stage/root
rm -rf "$stage"
mkdir -p "$root/DEBIAN" "$root/usr/games" "$root/usr/lib/games/zelto2k" "$root/usr/share/games/zelto2k" \
  "$root/usr/share/applications" "$root/usr/share/man/man6" "$root/usr/share/doc/zelto2k"

strip_program "$build" "$root/usr/lib/games/zelto2k/zelto2k" "$stage/zelto2k.debug"
ln -s ../lib/games/zelto2k/zelto2k "$root/usr/games/zelto2k"
cp -r "$build/data" "$root/usr/share/games/zelto2k/data"
cp "$repository/packaging/zelto2k.desktop" "$root/usr/share/applications/"
for size in 48 128 256; do
  mkdir -p "$root/usr/share/icons/hicolor/${size}x$size/apps"
  cp "$build/icons/zelto2k_$size.png" "$root/usr/share/icons/hicolor/${size}x$size/apps/zelto2k.png"
done
date=$(date -u -d "@$SOURCE_DATE_EPOCH" +%Y-%m-%d)
sed -e "s/@VERSION@/$version/g" -e "s/@DATE@/$date/g" "$repository/packaging/zelto2k.6.in" |
  gzip -9n > "$root/usr/share/man/man6/zelto2k.6.gz"
cp "$repository/packaging/copyright" "$root/usr/share/doc/zelto2k/copyright"
cat <<CHANGES | gzip -9n > "$root/usr/share/doc/zelto2k/changelog.gz"
zelto2k ($version) unstable; urgency=medium

  * Release $version.

 -- Zelto2k developers <zelto2k@example.org>  $(date -u -R -d "@$SOURCE_DATE_EPOCH")
CHANGES

# dpkg-shlibdeps reads the package's name from a debian/control of its own.
mkdir -p "$stage/debian"
printf 'Source: zelto2k\n\nPackage: zelto2k\nArchitecture: amd64\n' > "$stage/debian/control"
depends=$(cd "$stage" && dpkg-shlibdeps -O -e"root/usr/lib/games/zelto2k/zelto2k" 2>/dev/null | sed -n 's/^shlibs:Depends=//p')
[ -n "$depends" ] || { echo "make-deb: dpkg-shlibdeps found no dependencies" >&2; exit 1; }

normalise_tree "$root" "$root/usr/lib/games/zelto2k/zelto2k"
size=$(du -k -s --apparent-size --exclude=DEBIAN "$root" | cut -f1)
sed -e "s/@VERSION@/$version/g" -e "s/@SIZE@/$size/" -e "s/@DEPENDS@/$depends/" \
  "$repository/packaging/control.in" > "$root/DEBIAN/control"
(cd "$root" && find usr -type f | sort | xargs md5sum > DEBIAN/md5sums)
normalise_tree "$root/DEBIAN"
package=$output/zelto2k_${version}_amd64.deb
dpkg-deb --root-owner-group -Zxz --build "$root" "$package" >/dev/null
rm -rf "$stage"
echo "$package ($(stat -c %s "$package") bytes; Depends: $depends)"
