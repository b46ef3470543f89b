#!/usr/bin/env bash
# The same frames from every compiler: the whole suite built and run with clang too (and the
# documentation's pictures drawn by it, byte for byte the committed ones), then
# every frame of the whole demo at 10 fps hashed by a gcc build (RelWithDebInfo, -O2), a gcc
# Release build (-O3, every target built, every library's links checked) and the clang
# build, and compared. Run from .ci/run after `make test`.
set -euo pipefail
cd "$(dirname "$0")/.."
make test BUILD=build-clang CMAKE_FLAGS="-DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang"
make docs-check BUILD=build-clang
make configure BUILD=build-release CMAKE_FLAGS="-DCMAKE_BUILD_TYPE=Release -DZELTO_STRICT_LINKS=ON"
cmake --build build-release -j "$(nproc)"
for build in build build-release build-clang; do
  cmake --build "$build" -j "$(nproc)" --target zelto2k_frames
  (cd "$build" && tests/web/zelto2k_frames 10 > frame_hashes_10fps.txt)
done
frames=$(wc -l < build/frame_hashes_10fps.txt)
status=0
for other in build-release build-clang; do
  differing=$(diff build/frame_hashes_10fps.txt "$other/frame_hashes_10fps.txt" | grep -c '^>' || true)
  echo "whole demo at 10 fps, gcc -O2 against $other: $frames frames compared, $differing differ"
  if [ "$frames" -lt 1000 ] || [ "$differing" -ne 0 ]; then status=1; fi
done
exit $status
