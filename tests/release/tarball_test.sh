#!/usr/bin/env bash
# The tarball as a viewer meets it: unpacked into a fresh folder, every library the program
# needs beyond the system resolves inside it; started through its launcher from / under
# Xvfb with openbox, Return writes grab_1.bmp in the release folder and Escape ends it with 0.
# Usage: tarball_test.sh <tarball>
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../packaging/release-common.sh"
source "$here/session.sh"
tarball=$(realpath "$1")

tar -xzf "$tarball" -C "$work" || { echo "FAIL: cannot unpack $tarball"; exit 1; }
release=$work/zelto2k-$version
[ -x "$release/zelto2k" ] && [ -x "$release/zelto2k.x86_64" ] || fail "no launcher or program in $(basename "$tarball")"

readelf -d "$release/zelto2k.x86_64" | grep -q 'RUNPATH.*\[\$ORIGIN/lib\]' || fail "the program's RUNPATH is not \$ORIGIN/lib"
bundled=0
while read -r kind soname path; do
  case "$kind" in
    missing) fail "$soname is not found" ;;
    bundle)
      bundled=$((bundled + 1))
      [[ "$path" == "$release"/lib/* ]] || fail "$soname resolves to $path, outside the release" ;;
  esac
done < <(library_tree "$release/zelto2k.x86_64")
[ "$bundled" -ge 3 ] && [ "$bundled" -eq "$(ls "$release/lib" | wc -l)" ] ||
  fail "$bundled libraries resolve in lib/, which holds $(ls "$release/lib" | wc -l)"

start_x_session "$work" || exit 1
start_program "$work" / "$release/zelto2k"
window=$(wait_for_window Zelto2k) || { cat "$work/output.txt"; fail "no window"; exit 1; }
sleep 1.5  # past the first scene's loading
press_key "$window" Return
wait_for_size "$release/grab_1.bmp" 5 393274 || fail "Return wrote no 393274-byte grab_1.bmp in the release folder"
[ -e /grab_1.bmp ] && fail "a grab landed in /"
press_key "$window" Escape
status=$(program_status "$work" 10)
[ "$status" = 0 ] || { cat "$work/output.txt"; fail "Escape ended it with $status, not 0"; }

[ "$failures" -eq 0 ] && echo "tarball: $bundled bundled libraries resolve in lib/, grab and Escape work from /"
exit $((failures > 0))
