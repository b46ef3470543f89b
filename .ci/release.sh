#!/usr/bin/env bash
# CI: the three releases made from the checkout and met as a viewer meets them. The
# tarball (made twice, the second time with the program relinked and data/ generated
# again: the same bytes) unpacked and played from / under Xvfb; the Debian package
# installed, played as a fresh user, checked by lintian, removed and purged; the web
# bundle served under a sub-path and played in headless Chromium. Run from .ci/run after
# the browser build's tests (it reuses their site).
set -euo pipefail
cd "$(dirname "$0")/.."
version=$(head -n 1 VERSION)
dist=build/dist
tarball=$dist/zelto2k-$version-linux-x86_64.tar.gz

make dist
first=$(sha256sum < "$tarball")
rm -rf "$dist" build-package/zelto2k build-package/data
make dist
second=$(sha256sum < "$tarball")
if [ "$first" != "$second" ]; then
  echo "FAIL: two make dist runs differ"
  exit 1
fi
echo "two make dist runs give the same tarball"
bash tests/release/tarball_test.sh "$tarball"

make deb
bash tests/release/deb_test.sh "$dist/zelto2k_${version}_amd64.deb"

make web-dist
NODE_PATH=/usr/share/nodejs node tests/release/web_bundle_test.mjs "$dist/zelto2k-web-$version.zip"
ls -l "$dist"
