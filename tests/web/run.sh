#!/usr/bin/env bash
# The browser build's tests: its own SIMD kernels against their scalar forms, the local
# server under bad requests, the page in headless Chromium, then the whole demo at
# 10 fps on the offline backend under Node.js, frame by frame against the native build.
# Usage: run.sh <native build folder> <web build folder>
#        [--speed [--throttle=N] [--profile] [--display=webgl|2d]]
# --speed plays the whole demo in Chromium instead and prints each scene's frame rate and
# frame work as a table, and fails if a scene misses its goals: --throttle=N slows the
# page's CPU N times (DevTools' CPU throttling), --profile adds each frame's parts (the
# page's ?profile) and the garbage collector's share, --display= asks the page for a way of
# drawing (its ?display=) instead of the one it picks.
set -uo pipefail
cd "$(dirname "$0")/../.."
native=$(realpath "$1")
web=$(realpath "$2")
export NODE_PATH=/usr/share/nodejs
if [ "${3:-}" = --speed ]; then
  exec node tests/web/browser_test.mjs "$web/site" none "$native/tests/web/scene_table.mjs" "${@:3}"
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ln -s "$native/data" "$work/data"
# emscripten 3.1.6's Node.js output wants no fetch; playwright-core needs it.
emscripten_node="node --no-experimental-fetch"
status=0

# The native grab of the particles scene (frame 20 at 10 fps) that the page's grab must match.
(cd "$work" && "$native/tests/web/zelto2k_frames" 10 20 > native.txt) || status=1
$emscripten_node "$web/node/zelto2k_simd_lanes.js" || status=1
node tests/web/serve_test.mjs || status=1
node tests/web/speed_run_test.mjs || status=1
node tests/web/browser_test.mjs "$web/site" "$work/grab_1.bmp" "$native/tests/web/scene_table.mjs" || status=1

echo "Frames of the whole demo at 10 fps, Node.js build (after the page's warm-up) against native:"
(cd "$work" && $emscripten_node "$OLDPWD/tests/web/run_frames.mjs" "$web/node/zelto2k_frames.js" --warm-up 10 > wasm.txt) || status=1
differing=$(diff "$work/native.txt" "$work/wasm.txt" | grep -c '^<')
echo "  $(wc -l < "$work/native.txt") native frames, $(wc -l < "$work/wasm.txt") Node.js frames, $differing differ"
if [ "$differing" -ne 0 ]; then
  diff "$work/native.txt" "$work/wasm.txt" | head -20
  status=1
fi
exit $status
