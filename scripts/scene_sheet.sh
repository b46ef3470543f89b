#!/usr/bin/env bash
# Contact sheet of the whole demo: renders it through the offline backend at 60 frames per
# second (losslessly, to a temporary file), keeps one frame every 3 seconds and tiles them,
# each labelled with its time, into BUILD/preview/scenes.png.
# Usage: scripts/scene_sheet.sh BUILD   (run from the source folder; BUILD holds zelto2k-capture)
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)
work="$build/preview/scene_frames"
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
(cd "$build" && ./zelto2k-capture --out "$work/demo.mkv" --fps 60 --scale 1 >/dev/null)
ffmpeg -loglevel error -i "$work/demo.mkv" -vf "select=not(mod(n\,180))" -vsync vfr "$work/frame_%03d.png"
rm -f "$work/demo.mkv"
labelled=()
index=0
for frame in "$work"/frame_*.png; do
  name=$(printf '%s/%03ds.png' "$work" $((index * 3)))
  mv "$frame" "$name"
  labelled+=("$name")
  index=$((index + 1))
done
montage -background '#202020' -fill '#e0e0e0' -font /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf \
  -pointsize 11 -label '%t' "${labelled[@]}" -tile 6x -geometry '256x128+4+4' "$build/preview/scenes.png"
echo "$build/preview/scenes.png"
