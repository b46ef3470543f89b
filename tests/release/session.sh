# What the release tests share (sourced): a work folder removed at exit, failures counted
# by fail, and a private X session (Xvfb with openbox) with the demo's window and keys.
# Everything started here is stopped at exit.

x_session_pids=()
work=$(mktemp -d)
trap 'stop_x_session; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Starts Xvfb on a display number it picks itself, then openbox; exports DISPLAY.
start_x_session() {
  local work=$1 number
  rm -f "$work/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3> "$work/display" >/dev/null 2>&1 &
  x_session_pids+=($!)
  for _ in $(seq 100); do
    number=$(head -n 1 "$work/display" 2>/dev/null || true)
    [ -n "$number" ] && break
    sleep 0.1
  done
  [ -n "$number" ] || { echo "Xvfb did not start" >&2; return 1; }
  export DISPLAY=":$number"
  unset WAYLAND_DISPLAY
  # openbox runs its start-up command once it manages the screen: a window mapped before
  # could wait forever for its MapNotify.
  openbox --sm-disable --startup "touch $work/openbox-ready" >/dev/null 2>&1 &
  x_session_pids+=($!)
  for _ in $(seq 200); do [ -e "$work/openbox-ready" ] && return 0; sleep 0.1; done
  echo "openbox did not start" >&2
  return 1
}

stop_x_session() {
  local pid
  for pid in "${x_session_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${x_session_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  x_session_pids=()
}

# The id of the window titled $1, waiting up to 30 s for it.
wait_for_window() {
  local id
  for _ in $(seq 300); do
    id=$(wmctrl -l 2>/dev/null | awk -v title="$1" '{id = $1; $1 = $2 = $3 = ""; if (substr($0, 4) == title) print id}' | head -n 1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

# Gives window $1 the focus and presses key $2 there.
press_key() {
  timeout 5 xdotool windowactivate --sync "$1" >/dev/null 2>&1 || true
  timeout 5 xdotool key "$2"
}

# Waits up to $2 seconds for file $1 to reach $3 bytes.
wait_for_size() {
  for _ in $(seq $(($2 * 10))); do
    [ "$(stat -c %s "$1" 2>/dev/null || echo 0)" = "$3" ] && return 0
    sleep 0.1
  done
  return 1
}

# Runs a command in the background from folder $2 with its output in $1/output.txt; its
# exit status lands in $1/status. The remaining arguments are the command.
start_program() {
  local work=$1 folder=$2
  shift 2
  rm -f "$work/status" "$work/pid"
  (
    cd "$folder" || exit
    "$@" > "$work/output.txt" 2>&1 &
    echo $! > "$work/pid"
    wait $!
    echo $? > "$work/status"
  ) &
  for _ in $(seq 50); do [ -s "$work/pid" ] && break; sleep 0.1; done
  x_session_pids=("$(cat "$work/pid")" "${x_session_pids[@]}")
}

# The exit status of the program started in $1, waiting up to $2 seconds; 124 when it is
# still running.
program_status() {
  for _ in $(seq $(($2 * 10))); do
    [ -s "$1/status" ] && { cat "$1/status"; return 0; }
    sleep 0.1
  done
  echo 124
}
