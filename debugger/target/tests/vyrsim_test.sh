#!/usr/bin/env bash
# The test driver end to end: load an S-record file, run to an address,
# show registers, memory and disassembly; a damaged file gives status 1.
# Runs with memory events and breakpoints, and the limits of a run.
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
passed=0
failed=0
check() {   # name, expected output, command...
  local name=$1 expected=$2 out
  shift 2
  out=$("$@" 2>&1) || true
  if [ "$out" = "$expected" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED $name: unexpected output:"; echo "$out"
  fi
}

refused() {   # name, status, error, command...
  local name=$1 want=$2 error=$3 status=0 err
  shift 3
  err=$("$@" 2>&1 >/dev/null) || status=$?
  if [ "$status" -eq "$want" ] && [ "$err" = "$error" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1)); echo "FAILED $name: status $status, $err"
  fi
}

printf 'S10A800086054A26FD9720C6\r\nS90380007C\r\n' > prog.s19
check "until, regs, mem and dis" 'T: 0x8000
cc:.X.I.Z.. a:00 b:00 x:0000 y:0000 s:0000 pc:8007 cycles:30
0020  00
8000  86 05           ldaa  #0x05
8002  4A              deca  
8003  26 FD           bne   0x8002
8005  97 20           staa  <0x20' \
  "$sim" prog.s19 reset pc=0x8000 until=0x8007 regs mem=0x20,1 dis=0x8000,0x8007

printf 'S10A800086054A26FD97ZZC6\n' > bad.s19
status=0
err=$("$sim" bad.s19 regs 2>&1) || status=$?
if [ "$status" -eq 1 ] && [ "$err" = "#error: read error S-record/Hex, line 1" ]; then
  passed=$((passed + 1))
else
  failed=$((failed + 1)); echo "FAILED damaged file: status $status, $err"
fi
# An endless raw image is refused at once instead of wrapping for ever.
if [ -r /dev/zero ]; then
  refused "endless raw image" 1 '#error: ***** absolute *****
#error: read error absolu: file too large' timeout 60 "$sim" -raw 0 /dev/zero regs
fi
# Control bytes of a command stay inside its one error line.
status=0
err=$("$sim" - "$(printf 'bad\033[2J\rcmd')" 2>&1 >/dev/null) || status=$?
first=$(printf '%s\n' "$err" | head -1)
if [ "$status" -eq 2 ] && [ "$first" = 'vyrsim: bad command: bad\x1B[2J\x0Dcmd' ]; then
  passed=$((passed + 1))
else
  failed=$((failed + 1)); echo "FAILED control bytes in a command: status $status, $first"
fi

# 8000 ldaa #5; 8002 deca; 8003 bne 8002; 8005 staa <0x20; 8007 std <0x22;
# 8009 no instruction. The byte store of staa is a recorded access, which
# memory events do not see; the word store of std goes through them.
printf 'S10E800086054A26FD9720DD22CD03F3\nS90380007C\n' > run.s19
check "run to no instruction" 'T: 0x8000
no instruction at 0x8009
13 instructions
cc:.....Z.. a:00 b:00 x:0000 y:0000 s:0000 pc:8009 cycles:34' \
  "$sim" run.s19 pc=0x8000 run regs
check "write event on the second byte of a word" 'T: 0x8000
event 1 at 0x0023 (write)
13 instructions' \
  "$sim" run.s19 pc=0x8000 event=w:0x23 run
check "write event that a recorded byte store does not meet" 'T: 0x8000
event 1 at 0x0022 (write)
13 instructions' \
  "$sim" run.s19 pc=0x8000 event=w:0x20,0x22 run
check "breakpoint" 'T: 0x8000
event 2 at 0x8005 (execution)
11 instructions
cc:.....Z.. a:00 b:00 x:0000 y:0000 s:0000 pc:8005 cycles:27' \
  "$sim" run.s19 pc=0x8000 event=r:0x9000,0x90ff break=0x8005 run regs
check "run from a breakpoint goes on" 'T: 0x8000
event 1 at 0x8005 (execution)
11 instructions
no instruction at 0x8009
2 instructions' \
  "$sim" run.s19 pc=0x8000 break=0x8005 run run
check "deleted breakpoint and a run with a count" 'T: 0x8000
stopped after 5 steps
5 instructions' \
  "$sim" run.s19 pc=0x8000 break=0x8005 delete=1 run=5
check "any-address read event" 'T: 0x8000
event 1 at 0x8001 (read)
1 instruction' \
  "$sim" run.s19 pc=0x8000 event=r:* run
check "until says when it stops short" 'T: 0x8000
until: 0x9000 not reached after 4 steps' \
  "$sim" run.s19 pc=0x8000 until=0x9000,4
for bad in event=x:1 event=r:0x30,0x20 event=r event=rw:0x10000 break=0x10000; do
  status=0
  "$sim" run.s19 "$bad" >/dev/null 2>&1 || status=$?
  if [ "$status" -eq 2 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED $bad: status $status"; fi
done

if [ -n "$asm" ]; then
  printf '\torg\t$C000\nentry:\tldaa\t#1\n\tjsr\tsub\n\tbra\tentry\nsub:\trts\ntab:\tdc.b\t1,2\n\tswitch\t.data\n\torg\t$0040\nvar:\tds.b\t4\n' > t.s
  "$asm" -a -xx -pl t.s
  check "object with symbols, lines and variables" '    T: 0xc000 (10)  D: 0x40 (4)
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
C005  20 F9           bra   entry' \
    "$sim" t.o syms files lines vars dis=0xC000,0xC006
  refused "mistyped start" 1 "#error: invalid entry point: nosuch" "$sim" -start nosuch t.o regs
  head -c 40 t.o > cut.o
  refused "damaged object" 1 "#error: read error object file: short section record 1" "$sim" cut.o regs
  cp "$programs/twice.s" twice.s
  "$asm" -a twice.s
  check "line steps, the call stack and variables" '    T: 0x8000 (54)  D: 0x0 (0)
entry point at 0x8000 

t.c:11 main
t.c:5 twice
twice(n = 21) t.c:5
main() t.c:11
  argument int  n = 21
  auto int  r = 0
t.c:12 main
0100  00 2A
main() t.c:12' \
    "$sim" twice.o line=2 stack locals out mem=0x100,2 stack
  check "steps over a call" '    T: 0x8000 (54)  D: 0x0 (0)
entry point at 0x8000 

t.c:11 main
t.c:12 main
t.c:13 main' \
    "$sim" twice.o over=3
fi
echo "vyrsim: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
