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

server=
stopserver() {
  if [ -n "$server" ]; then
    kill "$server" 2>/dev/null
    wait "$server" 2>/dev/null
    server=
  fi
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
  "$wineserver" -f -p &
  server=$!
  trap stopserver EXIT
  timeout -k 10 180 "$wine" wineboot -i >"$dir.log" 2>&1
  rc=$?
  # Windows not managed by a window manager: Xvfb has none, and Wine would
  # wait two seconds for one each time a window is hidden.
  [ $rc -eq 0 ] && timeout -k 10 60 "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
    >>"$dir.log" 2>&1
  # Let the server write the registry before it is stopped.
  sleep 1
  stopserver
  [ $rc -eq 0 ] && [ -f "$dir/system.reg" ] || { echo "wineboot failed ($rc)"; cat "$dir.log"; exit 1; }
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
