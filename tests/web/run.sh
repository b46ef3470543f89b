#!/usr/bin/env bash
# The browser build's tests: the local server under bad requests, the page in headless
# Chromium, then the whole demo at 10 fps on the offline backend under Node.js, frame by
# frame against the native build.
# Usage: run.sh <native build folder> <web build folder> [--speed]
# --speed plays the whole demo in Chromium instead and prints each scene's timing.
set -uo pipefail
cd "$(dirname "$0")/../.."
native=$(realpath "$1")
web=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ln -s "$native/data" "$work/data"
export NODE_PATH=/usr/share/nodejs
# emscripten 3.1.6's Node.js output wants no fetch; playwright-core needs it.
emscripten_node="node --no-experimental-fetch"
status=0

# The native grab of the particles scene (frame 20 at 10 fps) that the page's grab must match.
(cd "$work" && "$native/tests/web/zelto2k_frames" 10 20 > native.txt) || status=1

if [ "${3:-}" = --speed ]; then
  node tests/web/browser_test.mjs "$web/site" "$work/grab_1.bmp" "$native/tests/web/scene_table.mjs" --speed
  exit $?
fi
node tests/web/serve_test.mjs || status=1
node tests/web/browser_test.mjs "$web/site" "$work/grab_1.bmp" "$native/tests/web/scene_table.mjs" || status=1

echo "Frames of the whole demo at 10 fps, Node.js build against native:"
(cd "$work" && $emscripten_node "$OLDPWD/tests/web/run_frames.mjs" "$web/node/zelto2k_frames.js" 10 > wasm.txt) || status=1
differing=$(diff "$work/native.txt" "$work/wasm.txt" | grep -c '^<')
echo "  $(wc -l < "$work/native.txt") native frames, $(wc -l < "$work/wasm.txt") Node.js frames, $differing differ"
if [ "$differing" -ne 0 ]; then
  diff "$work/native.txt" "$work/wasm.txt" | head -20
  status=1
fi
exit $status
