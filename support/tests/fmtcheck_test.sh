#!/usr/bin/env bash
# Runs the fmtcheck driver on a few formats and checks what it prints.
set -u
fmtcheck=$1
failures=0

check() {  # expected, then the fmtcheck arguments
  local expected=$1
  shift
  local got
  got=$("$fmtcheck" "$@")
  if [ "$got" != "$expected" ]; then
    echo "fmtcheck $*: got '$got', expected '$expected'"
    failures=$((failures + 1))
  fi
}

check '0000fffe' '%+0nhl' i:8 i:0xfffe
check 'fffe' '%+0nhl' i:2 i:0xfffe
check '-1.50|1.234e+03' '%.2f|%.3d' d:-1.5 d:1234.5
check 'abc   |' '%- 6.3p|' s:abcdef
check 'ab' '%b' s:abc i:2
check '-5 fffffffb' '%l %hl' i:-5 i:-5
check '10 16' '%l %l' i:010 i:0x10
check '-inf nan' '%f %d' d:-inf d:nan

# Bad arguments are refused with status 2.
for bad in 'q:1' 'i:12z' 'd:' 'i'; do
  if "$fmtcheck" '%l' "$bad" >/dev/null 2>&1; then
    echo "fmtcheck accepted '$bad'"
    failures=$((failures + 1))
  fi
done

[ $failures -eq 0 ] && echo "fmtcheck: all cases passed"
exit $failures
