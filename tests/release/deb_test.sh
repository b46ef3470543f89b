#!/usr/bin/env bash
# The Debian package as a viewer meets it: installed with dpkg (run as root; it replaces an
# installed zelto2k), then played as a session with a fresh HOME from another folder under
# Xvfb with openbox: Return writes ~/Pictures/Zelto2k/grab_1.bmp (or into the pictures
# folder the user-dirs file names), Escape ends it with 0. The desktop entry validates,
# lintian has no errors, and dpkg -r then -P leave nothing of the package on disk.
# Usage: deb_test.sh <package.deb>
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/session.sh"
package=$(realpath "$1")

dpkg -i "$package" > "$work/dpkg.txt" 2>&1 || { cat "$work/dpkg.txt"; echo "FAIL: dpkg -i"; exit 1; }
desktop-file-validate /usr/share/applications/zelto2k.desktop || fail "desktop-file-validate"

start_x_session "$work" || exit 1
# One session as a new user has it (no user-dirs file), one whose pictures folder is renamed.
for case in plain user-dirs; do
  home=$work/home-$case
  elsewhere=$work/elsewhere-$case
  mkdir -p "$home" "$elsewhere"
  grabs=$home/Pictures/Zelto2k
  if [ "$case" = user-dirs ]; then
    mkdir -p "$home/.config"
    echo 'XDG_PICTURES_DIR="$HOME/Bilder"' > "$home/.config/user-dirs.dirs"
    grabs=$home/Bilder/Zelto2k
  fi
  start_program "$work" "$elsewhere" env -i HOME="$home" PATH=/usr/games:/usr/bin:/bin DISPLAY="$DISPLAY" zelto2k
  window=$(wait_for_window Zelto2k) || { cat "$work/output.txt"; fail "$case: no window"; break; }
  sleep 1.5  # past the first scene's loading
  press_key "$window" Return
  wait_for_size "$grabs/grab_1.bmp" 5 393274 || fail "$case: Return wrote no 393274-byte grab in $grabs"
  [ -z "$(ls -A "$elsewhere")" ] || fail "$case: the demo wrote into its working directory: $(ls "$elsewhere")"
  press_key "$window" Escape
  status=$(program_status "$work" 10)
  [ "$status" = 0 ] || { cat "$work/output.txt"; fail "$case: Escape ended it with $status, not 0"; }
done
stop_x_session

lintian --tag-display-limit 0 "$package" > "$work/lintian.txt" 2>&1
sed 's/^/lintian: /' "$work/lintian.txt" | grep -v 'root privileges'
grep -q '^E: ' "$work/lintian.txt" && fail "lintian reports errors"

dpkg-deb -c "$package" | awk '{print substr($6, 2)}' | sed 's| ->.*||' > "$work/contents.txt"
dpkg -r zelto2k > /dev/null 2>&1 || fail "dpkg -r"
dpkg -P zelto2k > /dev/null 2>&1 || fail "dpkg -P"
dpkg-query -W zelto2k > /dev/null 2>&1 && dpkg-query -W -f='${db:Status-Status}' zelto2k | grep -qv not-installed &&
  fail "dpkg still knows zelto2k"
while read -r path; do
  # Shared folders (/usr/share/icons/..., /usr/games) stay; the package's own files and
  # every folder of its own must go.
  if [ -L "$path" ] || [ -f "$path" ] || { [ -d "$path" ] && [[ "$path" == *zelto2k* ]]; }; then
    fail "$path is left after dpkg -P"
  fi
done < "$work/contents.txt"

[ "$failures" -eq 0 ] && echo "deb: installed, played with grabs in the pictures folder, removed and purged without a trace"
exit $((failures > 0))
