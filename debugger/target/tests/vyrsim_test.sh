#!/usr/bin/env bash
# The test driver end to end: load an S-record file, run to an address,
# show registers, memory and disassembly; a damaged file gives status 1.
set -euo pipefail
sim=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
printf 'S10A800086054A26FD9720C6\r\nS90380007C\r\n' > prog.s19
out=$("$sim" prog.s19 reset pc=0x8000 until=0x8007 regs mem=0x20,1 dis=0x8000,0x8007 2>&1)
expected='T: 0x8000
cc:.X.I.Z.. a:00 b:00 x:0000 y:0000 s:0000 pc:8007 cycles:30
0020  00
8000  86 05           ldaa  #0x05
8002  4A              deca  
8003  26 FD           bne   0x8002
8005  97 20           staa  <0x20'
if [ "$out" != "$expected" ]; then
  echo "unexpected output:"; echo "$out"; exit 1
fi
printf 'S10A800086054A26FD97ZZC6\n' > bad.s19
status=0
err=$("$sim" bad.s19 regs 2>&1) || status=$?
[ "$status" -eq 1 ] || { echo "damaged file gave status $status"; exit 1; }
[ "$err" = "#error: read error S-record/Hex, line 1" ] || { echo "unexpected error: $err"; exit 1; }
# An endless raw image is refused at once instead of wrapping for ever.
if [ -r /dev/zero ]; then
  status=0
  err=$(timeout 60 "$sim" -raw 0 /dev/zero regs 2>&1) || status=$?
  [ "$status" -eq 1 ] || { echo "/dev/zero gave status $status"; exit 1; }
  [ "$err" = "#error: ***** absolute *****
#error: read error absolu: file too large" ] || { echo "unexpected error: $err"; exit 1; }
fi
# Control bytes of a command stay inside its one error line.
status=0
err=$("$sim" - "$(printf 'bad\033[2J\rcmd')" 2>&1 >/dev/null) || status=$?
[ "$status" -eq 2 ] || { echo "bad command gave status $status"; exit 1; }
first=$(printf '%s\n' "$err" | head -1)
[ "$first" = 'vyrsim: bad command: bad\x1b[2J\x0dcmd' ] || { echo "unexpected error: $first"; exit 1; }
echo "vyrsim: 4 passed, 0 failed"
