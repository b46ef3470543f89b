#!/usr/bin/env bash
# Runs the image, engine3d and whole-demo benchmarks of a build (a Release build measures
# what players get: cmake -B build-release -DCMAKE_BUILD_TYPE=Release) and prints the
# speed table of bench/image/ratios.py.
# Usage: ratios.sh [BUILD] [--browser [WEB_BUILD [NATIVE_BUILD]]]
# --browser then plays the whole demo in headless Chromium at full speed and at 4x CPU
# throttling (tests/web/run.sh --speed) and prints each scene's table: frame rate and the
# frames' work (mean, 95 %, 99 %, worst). It needs the page built (make web-site: WEB_BUILD,
# default build-web) and the native build that made its data and scene table (NATIVE_BUILD,
# default build). A scene that misses its goals is marked with * and the script then ends
# with status 1, after every table.
set -euo pipefail
here=$(dirname "$0")
build=build
if [ $# -gt 0 ] && [ "$1" != --browser ]; then build=$1; shift; fi
browser=false
if [ $# -gt 0 ] && [ "$1" = --browser ]; then
  browser=true
  web=${2:-build-web}
  native=${3:-build}
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
repeat=(--benchmark_repetitions=5 --benchmark_report_aggregates_only=true --benchmark_out_format=json)
"$build/bench/image/image_bench" "${repeat[@]}" --benchmark_out="$out/image.json" >/dev/null
"$build/bench/engine3d/engine3d_bench" "${repeat[@]}" --benchmark_filter='TextureTriangle|SdlRenderGeometry' \
  --benchmark_out="$out/engine3d.json" >/dev/null
"$build/bench/scenes/demo_frames_bench" --benchmark_out_format=json --benchmark_out="$out/demo.json" >/dev/null
python3 "$here/image/ratios.py" "$out/image.json" "$out/engine3d.json" "$out/demo.json"

$browser || exit 0
for needed in "$web/site/zelto2k.wasm" "$native/tests/web/scene_table.mjs" "$native/data"; do
  [ -e "$needed" ] || { echo "ratios.sh --browser: $needed is missing (make web-test builds both)" >&2; exit 2; }
done
status=0
for throttle in 1 4; do
  echo
  bash "$here/../tests/web/run.sh" "$native" "$web" --speed --throttle=$throttle | grep -E '^(Each scene|\|)' || status=1
done
exit $status
