#!/usr/bin/env bash
# Runs the image, engine3d and whole-demo benchmarks of a build (a Release build measures
# what players get: cmake -B build-release -DCMAKE_BUILD_TYPE=Release) and prints the
# speed table of bench/image/ratios.py.
set -euo pipefail
build=${1:-build}
here=$(dirname "$0")
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
repeat=(--benchmark_repetitions=5 --benchmark_report_aggregates_only=true --benchmark_out_format=json)
"$build/bench/image/image_bench" "${repeat[@]}" --benchmark_out="$out/image.json" >/dev/null
"$build/bench/engine3d/engine3d_bench" "${repeat[@]}" --benchmark_filter='TextureTriangle|SdlRenderGeometry' \
  --benchmark_out="$out/engine3d.json" >/dev/null
"$build/bench/scenes/demo_frames_bench" --benchmark_out_format=json --benchmark_out="$out/demo.json" >/dev/null
python3 "$here/image/ratios.py" "$out/image.json" "$out/engine3d.json" "$out/demo.json"
