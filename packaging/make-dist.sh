#!/usr/bin/env bash
# make dist: the portable Linux tarball, zelto2k-VERSION-linux-x86_64.tar.gz, and the
# program's debug symbols beside it. Usage: make-dist.sh <Release build folder> <output folder>
#
# The tarball holds one folder, zelto2k-VERSION/: the launcher, the program (RUNPATH
# $ORIGIN/lib), lib/ with every library it needs beyond the viewer's system (found by
# following each library's needs from the program, resolved with ldd), data/, README.txt,
# COPYRIGHT.txt and licenses/. Two runs on the same build give the same bytes.
set -euo pipefail
source "$(dirname "$0")/release-common.sh"
build=$(realpath "$1")
output=$(mkdir -p "$2" && realpath "$2")
name=zelto2k-$version
stage=$output/stage-dist
release=$stage/$name
rm -rf "$stage"
mkdir -p "$release/lib" "$release/licenses/common"

strip_program "$build" "$release/zelto2k.x86_64" "$output/$name-linux-x86_64.debug"
patchelf --set-rpath '$ORIGIN/lib' "$release/zelto2k.x86_64"

# Each library of the tree not left to the system goes to lib/, with RUNPATH $ORIGIN so
# that its own needs are found beside it.
declare -A found
bundled=()
system=()
while read -r kind soname path; do
  case "$kind" in
    system) system+=("$soname") ;;
    missing) echo "make-dist: $soname is not found on this machine" >&2; exit 1 ;;
    bundle)
      found[$soname]=$path
      bundled+=("$soname")
      cp -L "$path" "$release/lib/$soname"
      patchelf --set-rpath '$ORIGIN' "$release/lib/$soname"
      ;;
  esac
done < <(library_tree "$build/zelto2k")

# Each bundled library's notice as Debian ships it, with the licence texts it refers to;
# and the release's own notice must name every one of them.
for soname in "${bundled[@]}"; do
  real=$(readlink -f "${found[$soname]}")
  package=$(dpkg -S "$real" 2>/dev/null || dpkg -S "/usr$real" 2>/dev/null || dpkg -S "${real#/usr}" 2>/dev/null) ||
    { echo "make-dist: no Debian package owns $real" >&2; exit 1; }
  package=${package%%:*}
  cp "/usr/share/doc/$package/copyright" "$release/licenses/$package.copyright"
  for text in $(grep -o '/usr/share/common-licenses/[A-Za-z0-9.+-]*[A-Za-z0-9+-]' "/usr/share/doc/$package/copyright" | sort -u); do
    cp "$text" "$release/licenses/common/"
  done
  grep -q "lib/$soname\b" "$repository/packaging/copyright" ||
    { echo "make-dist: packaging/copyright does not name lib/$soname" >&2; exit 1; }
done

cp -r "$build/data" "$release/data"
cp "$repository/packaging/launcher.sh" "$release/zelto2k"
cp "$repository/packaging/copyright" "$release/COPYRIGHT.txt"

# What the text says the program needs: the glibc it was built against, and the newest
# libstdc++ interface that the program and lib/ use, with the GCC that brought it.
glibc=$(ldd --version | sed -n '1s/.* \([0-9][0-9.]*\)$/\1/p')
glibcxx=$(objdump -T "$build/zelto2k" "$release"/lib/* | grep -o 'GLIBCXX_3\.4\.[0-9]*' | sort -V -u | tail -n 1)
case "$glibcxx" in
  GLIBCXX_3.4.26) libstdcxx="$glibcxx (GCC 9 or later)" ;;
  GLIBCXX_3.4.28) libstdcxx="$glibcxx (GCC 10 or later)" ;;
  GLIBCXX_3.4.29) libstdcxx="$glibcxx (GCC 11 or later)" ;;
  GLIBCXX_3.4.30) libstdcxx="$glibcxx (GCC 12 or later)" ;;
  GLIBCXX_3.4.31) libstdcxx="$glibcxx (GCC 13 or later)" ;;
  *) libstdcxx="$glibcxx" ;;
esac
# Lines over 88 columns are broken at spaces, each piece indented like the line's start.
wrap_lines() {
  awk '{
    match($0, /^ */); indent = substr($0, 1, RLENGTH); line = $0
    while (length(line) > 88) {
      cut = 88; while (cut > RLENGTH && substr(line, cut, 1) != " ") --cut
      if (cut <= RLENGTH) break
      print substr(line, 1, cut - 1); line = indent substr(line, cut + 1)
    }
    print line
  }'
}
sorted() { printf '%s\n' "$@" | sort | paste -sd' ' | sed 's/ /, /g'; }
sed -e "s/@VERSION@/$version/g" -e "s/@GLIBC@/$glibc/g" -e "s/@LIBSTDCXX@/$libstdcxx/g" \
    -e "s/@SYSTEM_LIBRARIES@/$(sorted $(printf '%s\n' "${system[@]}" | grep -v -E '^(libc|libm|libpthread|libdl|librt|libstdc\+\+|libgcc_s)\.so'))/" \
    -e "s/@BUNDLED_LIBRARIES@/$(sorted "${bundled[@]}")/" \
    "$repository/packaging/README.txt.in" | wrap_lines > "$release/README.txt"

normalise_tree "$release" "$release/zelto2k" "$release/zelto2k.x86_64"
tarball=$output/$name-linux-x86_64.tar.gz
pack_tar_gz "$stage" "$name" "$tarball"
rm -rf "$stage"
echo "$tarball ($(stat -c %s "$tarball") bytes; debug symbols: $(stat -c %s "$output/$name-linux-x86_64.debug") bytes)"
echo "bundled in lib/: ${bundled[*]}"
