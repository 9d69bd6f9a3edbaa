#!/usr/bin/env bash
# Runs one test of the Windows debugger in a private Wine prefix of its own.
#
#   wine_prefix.sh template DIR
#       makes the prefix that every test copies (once; kept in the build tree)
#   wine_prefix.sh run TEMPLATE ARTEFACTS PROGRAM FILTER
#       copies the template to a fresh prefix, starts its own wineserver,
#       runs the test program's FILTER there (bounded in time), keeps the
#       settings file, the test's files and its pictures in ARTEFACTS, and
#       stops that wineserver by its process id.
#
# Needs an X display (tools/test.sh starts Xvfb); without one: status 77.
set -u
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
if [ -z "${DISPLAY:-}" ] || [ ! -x "$wine" ]; then
  echo "no X display or no Wine: skipped"
  exit 77
fi
export WINEDEBUG=-all

# The processes of this prefix: its own, found by their environment.
prefixpids() {
  local p
  for p in /proc/[0-9]*; do
    tr '\0' '\n' 2>/dev/null <"$p/environ" | grep -qxF "WINEPREFIX=$WINEPREFIX" && echo "${p#/proc/}"
  done
}

# Stops the prefix's wineserver by its process id: SIGINT makes it end its
# client processes and write the registry. Whatever of the prefix is left
# after ten seconds is killed by id.
server=
stopserver() {
  [ -n "$server" ] || return 0
  kill -INT "$server" 2>/dev/null
  local i left
  for i in $(seq 100); do
    left=$(prefixpids)
    kill -0 "$server" 2>/dev/null || [ -n "$left" ] || break
    sleep 0.1
  done
  left=$(prefixpids)
  [ -n "$left" ] && kill -KILL $left 2>/dev/null
  wait "$server" 2>/dev/null
  server=
}

case ${1:-} in
template)
  dir=$2
  mkdir -p "$(dirname "$dir")"
  exec 9>"$dir.lock"
  flock 9
  [ -f "$dir/.complete" ] && exit 0
  rm -rf "$dir"
  mkdir -p "$dir"
  export WINEPREFIX=$dir
  "$wineserver" -f -p 9>&- &
  server=$!
  trap stopserver EXIT
  timeout -k 10 180 "$wine" wineboot -i >"$dir.log" 2>&1 9>&-
  rc=$?
  # Windows not managed by a window manager: Xvfb has none, and Wine would
  # wait two seconds for one each time a window is hidden.
  [ $rc -eq 0 ] && timeout -k 10 60 "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
    >>"$dir.log" 2>&1 9>&-
  stopserver
  [ $rc -eq 0 ] && grep -q '"Managed"="N"' "$dir/user.reg" || { echo "wineboot failed ($rc)"; cat "$dir.log"; exit 1; }
  touch "$dir/.complete"
  ;;
run)
  template=$2 artefacts=$3 program=$4 filter=$5
  [ -f "$template/.complete" ] || { echo "no prefix template at $template"; exit 1; }
  run=$(mktemp -d /tmp/vyrdbg-gui.XXXXXX)
  prefix=$run/prefix
  mkdir -p "$prefix"
  # The system folder is only read: its files are linked, the rest copied.
  (cd "$template" && tar cf - --exclude=./drive_c/windows/system32 --exclude=./.complete .) | (cd "$prefix" && tar xf -)
  cp -al "$template/drive_c/windows/system32" "$prefix/drive_c/windows/"
  export WINEPREFIX=$prefix
  "$wineserver" -f -p &
  server=$!
  trap 'stopserver; rm -rf "$run"' EXIT
  rm -rf "$artefacts"
  mkdir -p "$artefacts"
  VYR_ARTEFACTS=$artefacts timeout -k 10 240 "$wine" "$program" --gtest_filter="$filter" \
    >"$run/out" 2>"$run/err"
  rc=$?
  cat "$run/out"
  cat "$run/err" >&2
  cp "$prefix/drive_c/windows/VYRS11.INI" "$artefacts/" 2>/dev/null
  cp -r "$prefix/drive_c/vyrtest" "$artefacts/files" 2>/dev/null
  [ $rc -eq 124 ] && echo "the test ran out of time"
  exit $rc
  ;;
*)
  echo "usage: wine_prefix.sh template DIR | run TEMPLATE ARTEFACTS PROGRAM FILTER" >&2
  exit 2
  ;;
esac
