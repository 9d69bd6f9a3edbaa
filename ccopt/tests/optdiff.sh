#!/usr/bin/env bash
# The optimiser's differential check and its figures. Each program is built
# without the optimiser (ccgen -no), through ccopt with every rule off, with
# every rule on, and with one family of rules on or off; each build runs in
# the simulator (vyrsim) to __halt. Every build through ccopt must compute
# what the build without it computes, and the full optimisation must never
# take more code bytes or cycles than the build without it. The table gives
# the code bytes (.text of the program's object) and the cycles of the
# whole run per program, and the totals saved per family of rules.
#
#   bash ccopt/tests/optdiff.sh [options] [PROGRAM...]
#
# Programs (PROGRAM: a name such as int_arith or ops_int_bin):
#   the C corpus     tests/corpus/*.c and irq/*.c (the results that the
#                    harness reports; "//! irq" lines as run_corpus.sh reads
#                    them), compared with the host compiler's results too
#   the generator's  the operator corpus of ccgen's tests, written by
#   corpus           ccgen_tests (VY_CORPUS_DUMP) from the build folder;
#                    the array `out` is compared with the host program's
# A program whose build without the optimiser already differs from the
# host is listed as "no baseline" (a fault before the optimiser) and left
# out of the check and the totals.
# Options:
#   --bin DIR        cc11, ccgen, ccopt, ccasm, lomar, vyrsim, objdump11
#                    and rt11.lib (default build/native/bin, else
#                    build/test-native/bin); ccgen_tests is taken from
#                    there or from build/test-native/bin
#   --c-only         only the C corpus;  --gen-only  only the generator's
#   --each-rule      also one build per rule with that rule off (slow)
#   -j, --jobs N     programs side by side (default 3)
#   --work DIR       keep the work files in DIR
# Status: 0 when every check passed, 1 when one failed.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
corpus=$top/tests/corpus

bin= jobs=3 work= sets="c gen" each_rule=0 programs=()
while [ $# -gt 0 ]; do
    case $1 in
        --bin) bin=$2; shift ;;
        --c-only) sets=c ;;
        --gen-only) sets=gen ;;
        --each-rule) each_rule=1 ;;
        -j|--jobs) jobs=$2; shift ;;
        --work) work=$2; shift ;;
        -h|--help) sed -n '2,/^set -uo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
        -*) echo "optdiff: unknown option $1" >&2; exit 2 ;;
        *) programs+=("$1") ;;
    esac
    shift
done
if [ -z "$bin" ]; then
    for b in "$top/build/native/bin" "$top/build/test-native/bin"; do
        [ -x "$b/cc11" ] && { bin=$b; break; }
    done
fi
[ -n "$bin" ] && [ -d "$bin" ] || { echo "optdiff: no build: give --bin" >&2; exit 2; }
bin=$(cd "$bin" && pwd)
for p in cc11 ccgen ccopt ccasm vyrsim objdump11 rt11.lib; do
    [ -e "$bin/$p" ] || { echo "optdiff: $bin/$p is missing" >&2; exit 2; }
done
if [ -z "$work" ]; then
    work=$(mktemp -d "${TMPDIR:-/tmp}/optdiff.XXXXXX")
    trap 'rm -rf "$work"' EXIT
else
    mkdir -p "$work"
    work=$(cd "$work" && pwd)
fi

# The rule families: label and branch rules, load, store and stack rules,
# arithmetic, logic, compare and bit rules.
branch="B4 M1 M2 F0 B1 B2 C6 C3"
load="L0 L1 L2 L3 L4 L5 L6 L7 S2 S4 S5 C0 T1 X0 P0 I0 I1 D0"
arith="A0 A1 A2 A3 A4 A5 B0 B3 C1 C2 C4 C5 E0 O0 N0 M0 S0 S1 S3 T0 T2 I2"
all_rules="$branch $load $arith"
# The -d text that switches off every rule except those given.
except() { local keep=" $* " r out=; for r in $all_rules; do [[ $keep == *" $r "* ]] || out+=$r; done; echo "$out"; }
join() { local r out=; for r in "$@"; do out+=$r; done; echo "$out"; }

# Builds: name and the ccopt option ("-no": without the optimiser; "": all rules).
builds=("noopt -no" "off -d$(join $all_rules)" "full")
for f in branch load arith; do
    builds+=("only-$f -d$(except ${!f})" "no-$f -d$(join ${!f})")
done
if [ $each_rule -eq 1 ]; then
    for r in $all_rules; do builds+=("no-$r -d$r"); done
fi

# The programs: "c PATH" and "gen NAME" entries.
list=()
want() { [ ${#programs[@]} -eq 0 ] && return 0; local p; for p in "${programs[@]}"; do [ "$p" = "$1" ] && return 0; done; return 1; }
if [[ " $sets " == *" c "* ]]; then
    for f in "$corpus"/*.c "$corpus"/irq/*.c; do
        want "$(basename "${f%.c}")" && list+=("c $f")
    done
fi
if [[ " $sets " == *" gen "* ]]; then
    # The release tree has no tests: the test tree's ccgen_tests writes the corpus.
    gentests=
    for g in "$bin/ccgen_tests" "$top/build/test-native/bin/ccgen_tests"; do
        [ -x "$g" ] && { gentests=$g; break; }
    done
    if [ -n "$gentests" ]; then
        mkdir -p "$work/opdump"
        (cd "$work" && VY_CORPUS_DUMP="$work/opdump" "$gentests" --gtest_filter='OperatorCorpus.*' >opdump.log 2>&1) ||
            { echo "optdiff: ccgen_tests could not write the operator corpus:"; cat "$work/opdump.log"; exit 1; }
        for f in "$work"/opdump/*.ir; do
            want "$(basename "${f%.ir}")" && list+=("gen $f")
        done
    else
        echo "optdiff: no ccgen_tests (build the test tree): the generator's corpus is left out"
    fi
fi
[ ${#list[@]} -gt 0 ] || { echo "optdiff: no program" >&2; exit 2; }

symbol() { awk -v name="$2" '$2 == name { print $1; exit }' "$1"; }
textsize() { "$bin/objdump11" "$1" | awk '/^section/ && $3 == ".text" { for (i = 1; i < NF; i++) if ($i == "size") s += $(i + 1) } END { print s + 0 }'; }
# The bytes of "mem=" dumps, as one hexadecimal string.
dumphex() { awk '/^[0-9A-F][0-9A-F][0-9A-F][0-9A-F]  / { for (i = 2; i <= NF; i++) s = s tolower($i) } END { print s }' "$1"; }

# One build of one program in the current folder: prints "bytes cycles results".
build_c() {  # build_c SRC NAME OPTION COUNT
    local src=$1 name=$2 option=$3 n=$4 cc=()
    case $option in "") ;; -no) cc=(-no) ;; *) cc=("+o$option") ;; esac
    "$bin/cc11" "${cc[@]}" -o "$name.o" "$name.c" >cc.log 2>&1 && "$bin/cc11" -link -o "$name.h11" "$name.o" >>cc.log 2>&1 ||
        { echo "FAILED-BUILD"; return; }
    "$bin/vyrsim" "$name.h11" syms >syms.txt 2>/dev/null
    local halt results count irq commands=() masks m
    halt=$(symbol syms.txt __halt) results=$(symbol syms.txt _vy_results) count=$(symbol syms.txt _vy_count)
    irq=$(symbol syms.txt _vy_irq_point)
    masks=$(sed -n '1s@^//! irq @@p' "$src")
    for m in $masks; do commands+=("until=$irq" "irq=$m" step=1 "until=$irq" step=1); done
    commands+=("until=$halt" regs cycles "mem=$count,2" "mem=$results,$((4 * n))")
    timeout 300 "$bin/vyrsim" -start reset "$name.h11" "${commands[@]}" >run.txt 2>/dev/null
    grep -q "pc:$(printf '%04x' $((halt)))" run.txt || { echo "$(textsize "$name.o") 0 NO-HALT"; return; }
    echo "$(textsize "$name.o") $(awk '/cycles:/ { sub(/.*cycles:/, ""); print; exit }' run.txt) $(dumphex run.txt)"
}

build_gen() {  # build_gen NAME OPTION BYTES
    local name=$1 option=$2 n=$3
    local gen=() opt=()
    [ "$option" = -no ] && gen=(-no)
    "$bin/ccgen" "${gen[@]}" -o t.gs "$name.ir" >cc.log 2>&1 || { echo "FAILED-BUILD"; return; }
    local text=t.gs
    if [ "$option" != -no ]; then
        [ -n "$option" ] && opt=("$option")
        "$bin/ccopt" "${opt[@]}" -o t.os t.gs >>cc.log 2>&1 || { echo "FAILED-BUILD"; return; }
        text=t.os
    fi
    "$bin/ccasm" "-i$bin" -o "$name.o" "$text" >>cc.log 2>&1 && "$bin/cc11" -link -o "$name.h11" "$name.o" >>cc.log 2>&1 ||
        { echo "FAILED-BUILD"; return; }
    "$bin/vyrsim" "$name.h11" syms >syms.txt 2>/dev/null
    local halt out
    halt=$(symbol syms.txt __halt) out=$(symbol syms.txt _out)
    timeout 300 "$bin/vyrsim" -start reset "$name.h11" "until=$halt" regs cycles "mem=$out,$n" >run.txt 2>/dev/null
    grep -q "pc:$(printf '%04x' $((halt)))" run.txt || { echo "$(textsize "$name.o") 0 NO-HALT"; return; }
    echo "$(textsize "$name.o") $(awk '/cycles:/ { sub(/.*cycles:/, ""); print; exit }' run.txt) $(dumphex run.txt)"
}

# One program: the host's results, then each build; writes $dir/rows.txt
# with "BUILD BYTES CYCLES RESULTS" lines and "host RESULTS".
run_program() {
    local kind=$1 src=$2 name dir expected n
    name=$(basename "${src%.*}")
    dir=$work/$kind-$name
    rm -rf "$dir" && mkdir -p "$dir" && cd "$dir" || return
    if [ "$kind" = c ]; then
        cp "$src" "$corpus/harness.h" .
        if ! gcc -std=c99 -DVY_HOST -O1 -ffp-contract=off -o host "$name.c" -lm >host.log 2>&1 || ! ./host >host.out 2>>host.log; then
            echo "host FAILED" >rows.txt; return
        fi
        n=$(sed -n 's/^count //p' host.out)
        [ "$n" -gt 400 ] && n=400
        expected=$(printf '%04x' $((n % 65536)))$(awk '$1 != "count" { printf "%s", tolower($2) }' host.out | cut -c1-$((8 * n)))
    else
        cp "${src%.ir}.ir" "${src%.ir}.c" .
        if ! gcc -std=c99 -O0 -o host "$name.c" >host.log 2>&1 || ! ./host >host.out 2>>host.log; then
            echo "host FAILED" >rows.txt; return
        fi
        expected=$(tr -d '\r\n' <host.out)
        n=$((${#expected} / 2))
    fi
    echo "host $expected" >rows.txt
    local b label option
    for b in "${builds[@]}"; do
        label=${b%% *} option=${b#"$label"}
        option=${option# }
        if [ "$kind" = c ]; then echo "$label $(build_c "$src" "$name" "$option" "$n")" >>rows.txt
        else echo "$label $(build_gen "$name" "$option" "$n")" >>rows.txt; fi
    done
}

running=0
for entry in "${list[@]}"; do
    ( run_program $entry ) &
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then wait -n; running=$((running - 1)); fi
done
wait

# The table, the checks and the totals.
for entry in "${list[@]}"; do
    set -- $entry
    name=$(basename "${2%.*}")
    echo "== $1/$name"
    cat "$work/$1-$name/rows.txt"
done | awk -v families="branch load arith" -v rules="$all_rules" '
    function flush(   b, ok) {
        if (prog == "") return
        if (host == "FAILED") { printf "%-24s host program failed\n", prog; nohost++; return }
        if (res["noopt"] != host) {
            # A fault before the optimiser: the builds through ccopt are
            # still compared with the build without it, for information.
            if (res["noopt"] == "build failed") why = "the build without ccopt fails"
            else {
                agree = 1
                for (b in res) if (res[b] != res["noopt"]) agree = 0
                why = "without ccopt the results differ from the host; the ccopt builds " (agree ? "agree with it" : "DIFFER from it")
            }
            printf "%-24s no baseline: %s\n", prog, why
            pending++
            return
        }
        ok = 1
        for (b in res) {
            if (res[b] != host) { printf "%-24s FAIL: build %s computes other results\n", prog, b; ok = 0; failed++ }
        }
        if (bytes["full"] > bytes["noopt"]) { printf "%-24s FAIL: more code bytes with ccopt\n", prog; ok = 0; failed++ }
        if (cyc["full"] > cyc["noopt"]) { printf "%-24s FAIL: more cycles with ccopt\n", prog; ok = 0; failed++ }
        if (cyc["full"] > cyc["off"]) printf "%-24s note: more cycles than with every rule off\n", prog
        printf "%-24s %7d %7d %7d %11d %11d %11d\n", prog, bytes["noopt"], bytes["off"], bytes["full"], cyc["noopt"], cyc["off"], cyc["full"]
        checked++
        if (!ok) failedp++
        for (b in bytes) { tb[b] += bytes[b]; tc[b] += cyc[b] }
    }
    BEGIN { printf "%-24s %7s %7s %7s %11s %11s %11s\n", "program", "B:noopt", "B:off", "B:full", "C:noopt", "C:off", "C:full" }
    /^== / { flush(); prog = $2; host = ""; delete res; delete bytes; delete cyc; next }
    $1 == "host" { host = $2; next }
    { bytes[$1] = $2; cyc[$1] = $3; res[$1] = ($2 == "FAILED-BUILD") ? "build failed" : $4 }
    END {
        flush()
        printf "%-24s %7d %7d %7d %11d %11d %11d\n", "total", tb["noopt"], tb["off"], tb["full"], tc["noopt"], tc["off"], tc["full"]
        printf "\nsaved over %d programs (bytes, cycles)\n", checked
        printf "%-28s %9d %12d\n", "ccopt against no ccopt", tb["noopt"] - tb["full"], tc["noopt"] - tc["full"]
        printf "%-28s %9d %12d\n", "all rules against none", tb["off"] - tb["full"], tc["off"] - tc["full"]
        n = split(families, f, " ")
        for (i = 1; i <= n; i++) {
            printf "%-28s %9d %12d\n", f[i] " rules alone", tb["off"] - tb["only-" f[i]], tc["off"] - tc["only-" f[i]]
            printf "%-28s %9d %12d\n", f[i] " rules last (marginal)", tb["no-" f[i]] - tb["full"], tc["no-" f[i]] - tc["full"]
        }
        n = split(rules, r, " ")
        for (i = 1; i <= n; i++)
            if (("no-" r[i]) in tb) printf "%-28s %9d %12d\n", "rule " r[i] " (marginal)", tb["no-" r[i]] - tb["full"], tc["no-" r[i]] - tc["full"]
        printf "\noptdiff: %d passed, %d failed (%d without a baseline)\n", checked - failedp, failedp, pending
        exit failedp ? 1 : 0
    }
'
