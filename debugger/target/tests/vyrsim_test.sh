#!/usr/bin/env bash
# The test driver end to end: load an S-record file, run to an address,
# show registers, memory and disassembly; a damaged file gives status 1.
# With the assembler: an absolute program with its symbols, lines and
# variables; a mistyped start symbol and a damaged object are refused; a
# program with frames built as the compiler builds them and its debug tree
# steps by source line into, over and out of a call, with its call stack and
# variables.
set -euo pipefail
sim=$1
asm=${2:-}
programs=$(cd "$(dirname "$0")/programs" && pwd)
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
if [ -z "$asm" ]; then echo "vyrsim: 2 passed, 0 failed"; exit 0; fi

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
cp "$programs/twice.s" twice.s
"$asm" -a twice.s
out=$("$sim" twice.o line=2 stack locals out mem=0x100,2 stack 2>&1)
expected='    T: 0x8000 (54)  D: 0x0 (0)
entry point at 0x8000 

t.c:11 main
t.c:5 twice
twice(n = 21) t.c:5
main() t.c:11
  argument int  n = 21
  auto int  r = 0
t.c:12 main
0100  00 2A
main() t.c:12'
if [ "$out" != "$expected" ]; then
  echo "unexpected stepping output:"; echo "$out"; exit 1
fi
out=$("$sim" twice.o over=3 2>&1 | tail -3)
expected='t.c:11 main
t.c:12 main
t.c:13 main'
[ "$out" = "$expected" ] || { echo "unexpected step-over output:"; echo "$out"; exit 1; }
echo "vyrsim: 7 passed, 0 failed"
