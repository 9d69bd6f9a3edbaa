#!/usr/bin/env bash
# Runs a Windows program under Wine for CTest. tools/test.sh sets up the
# private WINEPREFIX, the wineserver and the X display.
# The program's output goes through files: Wine's helper processes can keep
# an inherited pipe open long after the program ends.
: "${WINEPREFIX:?run the Windows tests through tools/test.sh}"
export WINEDEBUG=-all
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
tmp=$(mktemp -d)
# Now and then, on a busy machine, Wine fails to start a program at all: a
# failure without a byte of output. The program never ran; start it again.
for try in 1 2 3; do
    "$wine" "$@" >"$tmp/out" 2>"$tmp/err"
    rc=$?
    [ $rc -ne 0 ] && [ ! -s "$tmp/out" ] && [ ! -s "$tmp/err" ] || break
    echo "wine-run: $1 ended with $rc and no output (try $try)" >>"$tmp/notes"
done
[ $rc -ne 0 ] && [ -s "$tmp/notes" ] && cat "$tmp/notes" >&2
cat "$tmp/out"
cat "$tmp/err" >&2
rm -rf "$tmp"
exit $rc
