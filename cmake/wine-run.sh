#!/usr/bin/env bash
# Runs a Windows program under Wine for CTest. tools/test.sh sets up the
# private WINEPREFIX, the wineserver and the X display.
# The program's output goes through files: Wine's helper processes can keep
# an inherited pipe open long after the program ends.
: "${WINEPREFIX:?run the Windows tests through tools/test.sh}"
export WINEDEBUG=-all
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
tmp=$(mktemp -d)
"$wine" "$@" >"$tmp/out" 2>"$tmp/err"
rc=$?
cat "$tmp/out"
cat "$tmp/err" >&2
rm -rf "$tmp"
exit $rc
