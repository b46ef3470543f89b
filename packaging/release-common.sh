# Shared by the release scripts (sourced): the version, the time stamp every packed file
# gets, the libraries that stay with the viewer's system, and reproducible archives.

repository=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
version=$(head -n 1 "$repository/VERSION")

# One time for every file of every package: SOURCE_DATE_EPOCH when set, else the last
# commit's time, else the VERSION file's.
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$repository" log -1 --format=%ct 2>/dev/null || stat -c %Y "$repository/VERSION")
fi
export SOURCE_DATE_EPOCH
export TZ=UTC LC_ALL=C

# The libraries a release leaves to the viewer's system, by soname: glibc, the C++ and GCC
# run-time libraries, and the display and sound client libraries SDL talks to (X11, XCB,
# Wayland, DRM/GBM, EGL/GL, PulseAudio, PipeWire, ALSA, JACK), which must be the viewer's own.
is_system_library() {
  case "$1" in
    linux-vdso.so.* | ld-linux-*.so.* | libc.so.* | libm.so.* | libpthread.so.* | libdl.so.* | \
    librt.so.* | libresolv.so.* | libutil.so.* | libanl.so.* | libstdc++.so.* | libgcc_s.so.*) return 0 ;;
    libX*.so.* | libxcb*.so.* | libwayland-*.so.* | libxkbcommon*.so.* | libdecor-*.so.* | \
    libdrm.so.* | libgbm.so.* | libEGL.so.* | libGL*.so.* | libOpenGL.so.* | \
    libpulse*.so.* | libpipewire-*.so.* | libasound.so.* | libjack.so.*) return 0 ;;
  esac
  return 1
}

# The sonames an ELF file asks for, one a line.
needed_libraries() {
  readelf -d "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'
}

# The libraries ELF program $1 needs, one a line: "bundle SONAME PATH" or "system SONAME".
# The needs are followed from the program: a system library ends its branch (what it needs
# is the system's business); any other library is listed with the file ldd resolves it to
# for this program, and its own needs are followed. "missing SONAME" when ldd finds none.
library_tree() {
  local program=$1 soname path
  local -A found seen
  while read -r soname path; do found[$soname]=$path; done < <(ldd "$program" | awk '$2 == "=>" && $3 ~ /^\// {print $1, $3}')
  local queue=($(needed_libraries "$program"))
  while [ ${#queue[@]} -gt 0 ]; do
    soname=${queue[0]}
    queue=("${queue[@]:1}")
    [ -z "${seen[$soname]:-}" ] || continue
    seen[$soname]=1
    if is_system_library "$soname"; then
      echo "system $soname"
    elif [ -n "${found[$soname]:-}" ]; then
      echo "bundle $soname ${found[$soname]}"
      queue+=($(needed_libraries "${found[$soname]}"))
    else
      echo "missing $soname"
    fi
  done
}

# Every file and folder under $1 gets the common time and plain permissions: folders and
# programs 755, everything else 644.
normalise_tree() {
  find "$1" -type d -exec chmod 755 {} +
  find "$1" -type f -exec chmod 644 {} +
  local program
  for program in "${@:2}"; do chmod 755 "$program"; done
  find "$1" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
}

# tar.gz of folder $2 inside $1, written to $3: sorted names, owner root, the common
# time, no time stamp in the gzip header.
pack_tar_gz() {
  tar -C "$1" --sort=name --owner=0 --group=0 --numeric-owner --format=gnu \
    --mtime="@$SOURCE_DATE_EPOCH" -cf - "$2" | gzip -9n > "$3"
}

# The stripped program and its debug symbols from build folder $1, written to $2 and
# $3 (the program names the debug file by its base name, where gdb looks for it).
strip_program() {
  local built=$1/zelto2k
  [ -x "$built" ] || { echo "no program at $built: build it first" >&2; return 1; }
  objcopy --only-keep-debug "$built" "$3"
  chmod 644 "$3"
  objcopy --strip-all --remove-section=.comment --add-gnu-debuglink="$3" "$built" "$2"
}
