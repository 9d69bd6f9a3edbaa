#!/usr/bin/env bash
# Checks the optimiser over a folder of assembly files (the code generator's
# output): each file goes through ccopt, and through ccopt with every rule
# switched off (the same text with the pseudo-branches written out); both
# must assemble with ccasm without diagnostics, and the optimised code must
# not be larger. Prints the code bytes of both per file and in total.
#
#   bash ccopt/tests/optcheck.sh DIR [bindir]
#
# bindir holds ccopt and ccasm (default: build/native/bin). The folder may
# hold "macro.h11"; without one the script supplies pshd, puld and sex.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
dir=${1:?usage: optcheck.sh DIR [bindir]}
bin=$(cd "${2:-$top/build/native/bin}" && pwd)
off=A0A1A2A3A4A5B0B1B2B3B4C0C1C2C3C4C5C6D0E0F0I0I1I2L0L1L2L3L4L5L6L7M0M1M2N0O0P0S0S1S2S3S4S5T0T1T2X0
work=$(mktemp -d /tmp/optcheck.XXXXXX)
trap 'rm -rf "$work"' EXIT
if [ -f "$dir/macro.h11" ]; then cp "$dir/macro.h11" "$work/"; else
  printf 'pshd:\tmacro\n\tpshb\n\tpsha\n\tendm\npuld:\tmacro\n\tpula\n\tpulb\n\tendm\n' > "$work/macro.h11"
  printf 'sex:\tmacro\n\tldaa\t#0\n\torab\t#0\n\tbpl\t*+4\n\tldaa\t#255\n\tendm\n' >> "$work/macro.h11"
fi
# The code bytes of an object: the sizes of its sections other than .debug.
codesize() { "$bin/objdump11" "$1" | awk '/^section/ && $3 != ".debug" { for (i = 1; i < NF; i++) if ($i == "size") s += $(i + 1) } END { print s + 0 }'; }
status=0 files=0 total_before=0 total_after=0
printf '%-40s %8s %8s\n' file before after
for f in "$dir"/*.s; do
  [ -e "$f" ] || continue
  name=$(basename "$f" .s)
  files=$((files + 1))
  if ! "$bin/ccopt" -d$off -o "$work/$name.before.s" "$f" || ! "$bin/ccopt" -o "$work/$name.after.s" "$f"; then
    echo "$name: ccopt failed"; status=1; continue
  fi
  for v in before after; do
    (cd "$work" && "$bin/ccasm" "$name.$v.s" > "$name.$v.err" 2>&1) || true
    if [ -s "$work/$name.$v.err" ] || [ ! -f "$work/$name.$v.o" ]; then
      echo "$name ($v): ccasm reports:"; cat "$work/$name.$v.err"; status=1
    fi
  done
  [ -f "$work/$name.before.o" ] && [ -f "$work/$name.after.o" ] || continue
  b=$(codesize "$work/$name.before.o") a=$(codesize "$work/$name.after.o")
  total_before=$((total_before + b)) total_after=$((total_after + a))
  printf '%-40s %8d %8d\n' "$name" "$b" "$a"
  [ "$a" -le "$b" ] || { echo "$name: the optimised code is larger"; status=1; }
done
printf '%-40s %8d %8d\n' "total ($files files)" "$total_before" "$total_after"
exit $status
