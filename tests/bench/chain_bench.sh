#!/usr/bin/env bash
# Benchmark of the whole chain (not a test), two figures measured in one run:
#  1. compile speed: a generated C file of 5,000 lines (gen_c.sh) through
#     ccparse, ccgen, ccopt and ccasm, each pass timed alone and the whole
#     cc11 command, against the host's gcc -O0 -c on the same file; the
#     ratio chain / gcc should stay below 1;
#  2. simulator speed: simload.c compiled by cc11 and linked, run from
#     reset to __halt by vyrprogbench: simulated instructions per second.
# Each time is the best of RUNS runs.
#
#   bash tests/bench/chain_bench.sh [--bin DIR] [--lines N] [--runs RUNS]
#
# The default DIR is the release build of tools/build.sh (build/native/bin).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
bin=$top/build/native/bin
lines=5000
runs=3
while [ $# -gt 0 ]; do
    case $1 in
        --bin) bin=$2; shift ;;
        --lines) lines=$2; shift ;;
        --runs) runs=$2; shift ;;
        *) echo "usage: chain_bench.sh [--bin DIR] [--lines N] [--runs RUNS]" >&2; exit 2 ;;
    esac
    shift
done
for p in cc11 ccparse ccasm; do
    [ -x "$bin/$p" ] || { echo "no $p in $bin: run bash tools/build.sh, or give --bin" >&2; exit 1; }
done
bin=$(cd "$bin" && pwd)
work=$(mktemp -d /tmp/chain_bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"

bash "$here/gen_c.sh" "$lines" gen.c
count=$(wc -l < gen.c)

# best_time COMMAND...: the best wall time of RUNS runs, in seconds; empty
# when the command fails (its messages go to fail.log).
best_time() {
    local best= start end t
    for _ in $(seq "$runs"); do
        start=$(date +%s.%N)
        "$@" >/dev/null 2>fail.log || { echo ""; return 0; }
        end=$(date +%s.%N)
        t=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.4f", e - s }')
        if [ -z "$best" ] || awk -v t="$t" -v b="$best" 'BEGIN { exit !(t < b) }'; then best=$t; fi
    done
    echo "$best"
}

row() {  # row NAME SECONDS
    if [ -z "$2" ]; then
        printf '%-22s %10s\n' "$1" "failed"
    else
        awk -v n="$1" -v t="$2" -v l="$count" 'BEGIN {
            if (t <= 0) t = 1e-6
            printf "%-22s %10.3f %14.0f\n", n, t, l / t }'
    fi
}

echo "compile speed: $count lines of C (gen_c.sh $lines), best of $runs runs"
printf '%-22s %10s %14s\n' step seconds lines/second
t_parse=$(best_time "$bin/ccparse" -o gen.ir gen.c)
row ccparse "$t_parse"
[ -n "$t_parse" ] || sed 's/^/    /' fail.log | head -5
if [ -x "$bin/ccgen" ] && [ -n "$t_parse" ]; then
    t_gen=$(best_time "$bin/ccgen" -o gen.gs gen.ir)
    row ccgen "$t_gen"
    t_opt=
    if [ -n "$t_gen" ] && [ -x "$bin/ccopt" ]; then
        t_opt=$(best_time "$bin/ccopt" -o gen.os gen.gs)
        row ccopt "$t_opt"
    fi
    asm_in=gen.gs
    [ -n "$t_opt" ] && asm_in=gen.os
    if [ -n "$t_gen" ]; then
        row "ccasm ($asm_in)" "$(best_time "$bin/ccasm" -i"$bin" -o gen.o "$asm_in")"
    fi
elif [ -z "$t_parse" ]; then
    echo "the later passes are not measured: ccparse cannot read the file yet"
else
    echo "no ccgen in $bin: the chain stops at ccparse"
fi
t_chain=$(best_time "$bin/cc11" -o chain.o gen.c)
row "cc11 (whole chain)" "$t_chain"
t_gcc=$(best_time gcc -O0 -c -o gcc.o gen.c)
row "gcc -O0 -c" "$t_gcc"
if [ -n "$t_chain" ] && [ -n "$t_gcc" ]; then
    awk -v c="$t_chain" -v g="$t_gcc" 'BEGIN { if (g <= 0) g = 1e-6; printf "chain / gcc -O0: %.2f (goal: below 1)\n", c / g }'
else
    echo "chain / gcc -O0: not measured (the chain cannot compile the file yet)"
fi

echo
echo "simulator speed on a compiled C program (simload.c)"
if [ ! -x "$bin/vyrprogbench" ]; then
    echo "no vyrprogbench in $bin"
elif cp "$here/simload.c" . && "$bin/cc11" -link -o simload.h11 simload.c >cc.log 2>&1; then
    "$bin/vyrprogbench" simload.h11 2>/dev/null | grep 'runs of' || echo "vyrprogbench failed"
else
    echo "not measured: cc11 cannot compile simload.c yet:"
    sed 's/^/    /' cc.log | head -5
fi
