#!/usr/bin/env bash
# The test driver end to end: load an S-record file, run to an address,
# show registers, memory and disassembly; a damaged file gives status 1.
# With the assembler: an absolute program with its symbols, lines and
# variables; a mistyped start symbol and a damaged object are refused.
set -euo pipefail
sim=$1
asm=${2:-}
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
[ "$first" = 'vyrsim: bad command: bad\x1B[2J\x0Dcmd' ] || { echo "unexpected error: $first"; exit 1; }
if [ -z "$asm" ]; then echo "vyrsim: 4 passed, 0 failed"; exit 0; fi

printf '\torg\t$C000\nentry:\tldaa\t#1\n\tjsr\tsub\n\tbra\tentry\nsub:\trts\ntab:\tdc.b\t1,2\n\tswitch\t.data\n\torg\t$0040\nvar:\tds.b\t4\n' > t.s
"$asm" -a -xx -pl t.s
out=$("$sim" t.o syms files lines vars dis=0xC000,0xC006 2>&1)
expected='    T: 0xc000 (10)  D: 0x40 (4)
entry point at 0xc000 
0x40    var
0xc000  entry
0xc007  sub
0xc008  tab
t.s  lines 1-9
0xc000  t.s:2  
0xc002  t.s:3  
0xc005  t.s:4  
0xc007  t.s:5  
t.s (file)
  static unsigned long  var  value 0x40 size 4
  static unsigned short  tab  value 0xC008 size 2
  local   entry  value 0xC000 size 0
  local   sub  value 0xC007 size 0
C000  86 01           ldaa  #0x01
C002  BD C0 07        jsr   sub
C005  20 F9           bra   entry'
if [ "$out" != "$expected" ]; then
  echo "unexpected object output:"; echo "$out"; exit 1
fi
status=0
err=$("$sim" -start nosuch t.o regs 2>&1 >/dev/null) || status=$?
[ "$status" -eq 1 ] || { echo "a mistyped start gave status $status"; exit 1; }
[ "$err" = "#error: invalid entry point: nosuch" ] || { echo "unexpected error: $err"; exit 1; }
head -c 40 t.o > cut.o
status=0
err=$("$sim" cut.o regs 2>&1 >/dev/null) || status=$?
[ "$status" -eq 1 ] || { echo "a damaged object gave status $status"; exit 1; }
[ "$err" = "#error: read error object file: short section record 1" ] || { echo "unexpected error: $err"; exit 1; }
echo "vyrsim: 7 passed, 0 failed"
