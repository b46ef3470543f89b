#!/usr/bin/env bash
# The whole demo through the flash analyser, rendered only: with the flash limiter no second
# of it may go over the limit anywhere in the picture; without it the figures are printed
# (they go in the README), whatever they are, but the scenes whose flashing is not the
# demo's own inversions must stay within the limit as specified too.
# Usage: whole_demo_test.sh CAPTURE_PROGRAM BUILD_FOLDER (the folder that holds data/)
set -euo pipefail
capture=$1
cd "$2"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$capture" --reduce-flashing --flash-report "$out/reduced.txt" >/dev/null
"$capture" --flash-report "$out/default.txt" >/dev/null
echo "== as specified =="
sed -n '/^scene /,$p' "$out/default.txt"
echo "== with --reduce-flashing =="
sed -n '/^scene /,$p' "$out/reduced.txt"
[ -s "$out/default.png" ] && [ -s "$out/reduced.png" ]
grep -q '^FAIL: \|^PASS: ' "$out/default.txt"
grep -q '^PASS: 0 of [0-9]* seconds over the limit' "$out/reduced.txt"

within_limit() {  # REPORT SCENE: the scene's row says 0 seconds over the limit
  awk -v scene="$2" '$1 == scene && NF == 5 { found = 1; if ($3 != 0) { print scene ": " $3 " seconds over the limit"; bad = 1 } }
                     END { exit !(found && !bad) }' "$1"
}
within_limit "$out/default.txt" particles
within_limit "$out/default.txt" object
within_limit "$out/default.txt" ball
within_limit "$out/default.txt" rotozoom
