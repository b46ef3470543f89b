#!/usr/bin/env bash
# make web-dist: zelto2k-web-VERSION.zip, the built site for any static host, in one folder
# zelto2k-web-VERSION/. Every address in the page is relative, so the folder plays from
# any place of any web space, and it needs no special headers (the demo runs no threads).
# Usage: make-web-dist.sh <site folder> <output folder>
set -euo pipefail
source "$(dirname "$0")/release-common.sh"
site=$(realpath "$1")
output=$(mkdir -p "$2" && realpath "$2")
[ -f "$site/index.html" ] && [ -f "$site/zelto2k.wasm" ] && [ -f "$site/data/files.txt" ] ||
  { echo "make-web-dist: $site is not a built site (make web-site)" >&2; exit 1; }
name=zelto2k-web-$version
stage=$output/stage-web
rm -rf "$stage"
mkdir -p "$stage"
cp -r "$site" "$stage/$name"
cp "$repository/packaging/copyright" "$stage/$name/COPYRIGHT.txt"
mkdir -p "$stage/$name/licenses"
cp "$repository/node_modules/chiptune3/LICENSE" "$stage/$name/licenses/chiptune3.LICENSE"
normalise_tree "$stage/$name"
bundle=$output/$name.zip
rm -f "$bundle"
(cd "$stage" && find "$name" | sort | zip -q -X -9 -@ "$bundle")
rm -rf "$stage"
echo "$bundle ($(stat -c %s "$bundle") bytes)"
