#!/usr/bin/env bash
# The test tool veskcore on the delivered data and on small files:
#   veskcore_test.sh BINDIR DATADIR
set -u
bin=$1
data=$2
core=$bin/veskcore
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0

# check NAME EXPECTED-STATUS EXPECTED-OUTPUT COMMAND...
check() {
  local name=$1 status=$2 expected=$3
  shift 3
  local out rc
  out=$("$@" 2>&1)
  rc=$?
  if [ "$rc" != "$status" ] || [ "$out" != "$expected" ]; then
    echo "FAILED: $name (status $rc, expected $status)"
    diff <(printf '%s\n' "$expected") <(printf '%s\n' "$out")
    failures=$((failures + 1))
  fi
}

# The delivered data load without a message.
out=$("$core" defs "$bin/DEFS11.OPT")
[ $? = 0 ] && ! grep -q '^Error' <<<"$out" || { echo "FAILED: delivered DEFS11.OPT: $out"; failures=$((failures + 1)); }
grep -qxF "Insert: \"$(sed -n 's/^Dir=//p' "$bin/DEFS11.OPT")\\rt11.lib\"\\r" <<<"$out" ||
  { echo "FAILED: the default library line: $out"; failures=$((failures + 1)); }
out=$("$core" opt "$bin")
[ $? = 0 ] && ! grep -q '^Error' <<<"$out" || { echo "FAILED: delivered option files: $out"; failures=$((failures + 1)); }

# Chain order, page letters, marking.
printf 'cc11 -x\r\ng,-o1,Optimise,1\r\ng,-o2,More,2\r\nG,-v,Verbose,0\r\n' >COMP11.OPT
check "chain order and marking" 0 "header: cc11 -x
  g,-v,Verbose,0
  g,-o2,More,2
* g,-o1,Optimise,1
command: cc11 -x -o1" "$core" opt COMP11.OPT "-o1  -o1 -x"
printf 'cc11 -x\n' >COMP11.OPT
check "a header only" 0 "header: cc11 -x
command: cc11 -x" "$core" opt COMP11.OPT
printf 'cc11\ng,-o1,Optimise,1\n\ng,-o2,More,2\n' >COMP11.OPT
check "an empty line" 3 "Error: INCORRECT OPTIONS:  IN FILE: COMP11.OPT" "$core" opt COMP11.OPT

# The start-up load: each file missing in turn ends it with its message.
mkdir startup
check "no ASM11.OPT" 1 "Error: Missing Asm Options File" "$core" opt startup
printf 'ccasm\n' >startup/ASM11.OPT
check "no COMP11.OPT" 1 "Error: Missing Compiler Options File" "$core" opt startup
printf 'cc11\n' >startup/COMP11.OPT
check "no 6811LKF.LKF" 1 "Error: Missing Linker Config File" "$core" opt startup
printf '+seg .text\n' >startup/6811LKF.LKF
check "no TESK.OPT" 1 "Error: Missing Tesk Options File" "$core" opt startup

# Tool definitions without [Norvik].
printf '[Compiler]\nCmd=c\n[Assembler]\nCmd=a\n[Tesk]\nCmd=t\n[Dremo]\nCmd=d\n[Pirn]\nCmd=p\n' >DEFS11.OPT
check "no [Norvik]" 1 "Error:  Missing NORVIK Definition " "$core" defs DEFS11.OPT

# A project file printed, saved again, and the saved file printed.
cp "$data/demo.prj" demo.prj
check "project records" 0 "$(cat "$data/demo.txt")" "$core" prj demo.prj out.prj
check "saved records" 0 "$(cat "$data/demo.txt")" "$core" prj out.prj
cmp -s demo.prj out.prj || { echo "FAILED: the saved file differs"; failures=$((failures + 1)); }

# A project planned, scanned and its diagnostics read.
mkdir proj
cd proj || exit 1
printf '#include "a.h"\nint main(void)\n{\n\treturn A;\n}\n' >main.c
printf '#include "b.h"\n' >a.h
printf '#define A 1\n' >b.h
printf '[Project]\nIncPath=inc;\nExecName=prog.h11\n[Compiler]\nCmd=cc11 -x\n[Linker]\nInCmd=prog.lkf\n[Builder.Pirn]\nExec=YES\n[PROJ_DEFINES]\nNumber=1\n1=DEBUG\n[Files]\n1=main.c\n' >p.prj
check "build plan" 0 "BUILD: Assemble not Defined Skip ?? 
box: BUILDPROGRESS \"Build Project\"
total: 3
compile [Compiling main.c]
  cc11 -x -i\"inc\" -dDEBUG \"main.c\"
link [   Linking ... ]
  lomar -o \"prog.h11\" \"prog.lkf\"
tool [Hex Conversion] remove PIRN.TMP show PIRN.TMP
  pirn -o PIRN.TMP \"prog.h11\"" "$core" cmdline build p.prj
check "dependencies" 0 "main.c
  \"a.h\"
    \"b.h\"
--- .dep

main.c
		a.h
			b.h" "$core" deps p.prj
check "out of date" 0 "main.c: exists 1, out of date 1, object (none)
  header a.h
  header b.h" "$core" ood p.prj
printf 'noise\n#error ccparse main.c:4(1+1) undefined A\n#error X(y) main.c:0 whole\n#error no colon\n' >VESK.ERR
check "error lines" 0 "program ccparse file main.c line 4 column 1 length 1 selects line 4 columns 8-9
program X(y) file main.c line 0 selects line 1 columns 0-14
(no file)" "$core" errparse VESK.ERR
cd ..

check "usage" 2 "usage: veskcore opt FILE [TEXT] | opt DIR | defs FILE | prj FILE [OUT]
       veskcore cmdline build|make|link|compile PRJ [FILE] | ood PRJ | deps PRJ | errparse FILE" "$core"

[ $failures = 0 ] && echo "veskcore: all cases passed"
exit $((failures > 0))
