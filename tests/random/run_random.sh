#!/usr/bin/env bash
# Random programs from csmith, compiled by the chain and run in the
# simulator: every build of a program must compile without a diagnostic,
# end at __halt within a step bound, and leave the same checksum of the
# program's globals (csmith.h here maps csmith's types to a 16-bit-int C89
# target and keeps the checksum in vy_checksum).
#
#   bash tests/random/run_random.sh [options] [SEED...]
#
# The seeds: those given, else VY_RANDOM_COUNT seeds from VY_RANDOM_FIRST
# (default 1) when that variable is set (offline runs of thousands), else
# the list seeds.txt here (CI). A program that is not valid C89 even
# without pointers (below), or that csmith fails to make, is counted as
# skipped, not run.
# Options:
#   --bin DIR          where cc11, vyrsim and the passes are
#                      (default build/native/bin, else build/test-native/bin)
#   --exe SUFFIX       suffix of those programs (.exe for the Windows build)
#   --wrapper CMD      runs each of those programs through CMD
#   --variants LIST    builds, a comma list of opt, noopt, opt-debug
#                      (default all three)
#   --steps N          step bound of each run (default 20000000)
#   --sdcc             also build each program with SDCC for the HC08 and
#                      run it in ucsim: a second opinion whose differences
#                      are listed (SDCC has faults of its own), not failures;
#                      the programs then pass no structure to or from a
#                      function and have no comma operator (SDCC's limits)
#   -j, --jobs N       programs run side by side (default 2)
#   --work DIR         keep the work files in DIR (default: a temporary
#                      folder, removed at the end)
# Status: 0 when every program passed, 1 when one failed, 77 when csmith is
# missing.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)

bin=
exe=
wrapper=()
variants="opt,noopt,opt-debug"
steps=20000000
sdcc=0
jobs=2
work=
seeds=()

while [ $# -gt 0 ]; do
    case $1 in
        --bin) bin=$2; shift ;;
        --exe) exe=$2; shift ;;
        --wrapper) wrapper=("$2"); shift ;;
        --variants) variants=$2; shift ;;
        --steps) steps=$2; shift ;;
        --sdcc) sdcc=1 ;;
        -j|--jobs) jobs=$2; shift ;;
        --work) work=$2; shift ;;
        -h|--help) sed -n '2,/^set -uo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
        -*) echo "run_random: unknown option $1" >&2; exit 2 ;;
        *) seeds+=("$1") ;;
    esac
    shift
done

if ! command -v csmith >/dev/null; then
    echo "run_random: skipped: no csmith (tools/setup.sh installs it)"
    exit 77
fi
if [ ${#seeds[@]} -eq 0 ]; then
    if [ -n "${VY_RANDOM_COUNT:-}" ]; then
        first=${VY_RANDOM_FIRST:-1}
        for ((s = first; s < first + VY_RANDOM_COUNT; s++)); do seeds+=("$s"); done
    else
        seeds=($(sed 's/#.*//' "$here/seeds.txt"))
    fi
fi

if [ -z "$bin" ]; then
    for b in "$top/build/native/bin" "$top/build/test-native/bin"; do
        [ -x "$b/cc11$exe" ] && { bin=$b; break; }
    done
fi
[ -n "$bin" ] || { echo "run_random: no cc11: build first, or give --bin" >&2; exit 2; }
bin=$(cd "$bin" && pwd)
for p in cc11 ccparse ccgen ccasm lomar vyrsim; do
    [ -f "$bin/$p$exe" ] || { echo "run_random: $bin/$p$exe is missing" >&2; exit 2; }
done

if [ -z "$work" ]; then
    work=$(mktemp -d "${TMPDIR:-/tmp}/vy_random.XXXXXX")
    trap 'rm -rf "$work"' EXIT
else
    mkdir -p "$work"
    work=$(cd "$work" && pwd)
fi

IFS=, read -r -a variant_list <<<"$variants"

# What csmith may use: C89 with 16-bit int and 32-bit long (no long long,
# no 64-bit arithmetic, no packed structures, no bit-fields wider than an
# int, no aggregate initialised from non-constant values).
csmith_options=(--max-funcs 4 --max-block-depth 3 --max-array-dim 2 --no-argc --no-longlong --no-math64 --no-packed-struct --no-bitfields --strict-const-arrays
                --no-hash-value-printf --quiet --concise)
# SDCC returns no structure and takes none as an argument, and drops the
# effects of a comma's left operand: with --sdcc the programs have none.
[ $sdcc -eq 1 ] && csmith_options+=(--no-return-structs --no-arg-structs --no-comma-operators)

# The program of a seed, as p.c in the current folder: csmith's output
# without its // lines, long initialiser lines cut after commas (the front
# end takes logical lines of up to 4096 characters). csmith converts
# between pointers to signed and unsigned types, and to types qualified at
# other levels, without a cast; C does not, and most programs with
# pointers do it somewhere. A program that the host compiler's strict C89
# check refuses is made again from the same seed without pointers; the
# kind goes to kind.txt.
generate() {
    local kind
    for kind in pointers no-pointers; do
        local extra=()
        [ $kind = no-pointers ] && extra=(--no-pointers)
        timeout 120 csmith --seed "$1" "${csmith_options[@]}" "${extra[@]}" -o raw.c >gen.log 2>&1 || return 1
        awk '/^\/\// { next }
             length($0) > 1000 && index($0, "\"") == 0 {
                 out = ""; n = 0
                 for (i = 1; i <= length($0); i++) {
                     c = substr($0, i, 1); out = out c; n++
                     if (c == "," && n > 200) { print out; out = ""; n = 0 }
                 }
                 print out; next
             }
             { print }' raw.c >p.c
        cp "$here/csmith.h" .
        if gcc -std=c89 -pedantic-errors -fsyntax-only p.c >host.log 2>&1; then
            echo $kind >kind.txt
            return 0
        fi
    done
    return 2
}

tool() { local name=$1; shift; "${wrapper[@]}" "$bin/$name$exe" "$@"; }

# The value of a public symbol in vyrsim's symbol list, or nothing.
symbol() { awk -v name="$2" '$2 == name { print $1; exit }' "$1"; }

# One build of p.c in the current folder, run: prints "end CHECKSUM" or
# "long" (no end within the bound) or "big" (more than the target's
# memory holds), or a failure and returns 1.
target_run() {
    local variant=$1 cc_opts=()
    case $variant in noopt*) cc_opts+=(-no) ;; esac
    case $variant in *-debug) cc_opts+=(-x) ;; esac
    local status=0
    tool cc11 "${cc_opts[@]}" -link -o p.h11 p.c >cc.log 2>&1 || status=$?
    sed -i 's/\r$//' cc.log
    # more code or data than the 64 KB of the target hold: no fault
    if grep -q '#error lomar.*\(beyond 64 KB\|more than 65536\)' cc.log; then
        echo "big"; return 0
    fi
    if [ $status -ne 0 ] || grep -q 'PANIC\|#error' cc.log; then
        echo "cc11 ${cc_opts[*]} failed (status $status):"; head -20 cc.log; return 1
    fi
    tool vyrsim p.h11 syms >syms.txt 2>&1
    sed -i 's/\r$//' syms.txt
    local halt checksum done_flag
    halt=$(symbol syms.txt __halt)
    checksum=$(symbol syms.txt _vy_checksum)
    done_flag=$(symbol syms.txt _vy_done)
    if [ -z "$halt" ] || [ -z "$checksum" ] || [ -z "$done_flag" ]; then
        echo "the program lacks __halt, _vy_checksum or _vy_done"; return 1
    fi
    status=0
    tool vyrsim -start reset p.h11 "until=$halt,$steps" regs "mem=$checksum,4" "mem=$done_flag,2" >run.txt 2>run.err ||
        status=$?
    sed -i 's/\r$//' run.txt run.err
    if [ $status -ne 0 ]; then
        echo "vyrsim failed (status $status):"; cat run.err; return 1
    fi
    if grep -q 'not reached' run.txt run.err; then
        echo "long"; return 0
    fi
    awk -v halt="$(printf '%04x' $((halt)))" '
        /pc:/ { for (i = 1; i <= NF; i++) if ($i ~ /^pc:/) pc = tolower(substr($i, 4)); next }
        /^[0-9A-F][0-9A-F][0-9A-F][0-9A-F]  / { line[++n] = tolower($2 $3 $4 $5) }
        END {
            if (pc != halt) { printf "stopped at pc %s, not at __halt (%s)\n", pc, halt; exit 1 }
            if (line[2] != "0001") { print "main ended without the checksum"; exit 1 }
            print "end " line[1]
        }' run.txt
}

# The SDCC build for the HC08, run in ucsim until main has stored the
# checksum: prints "end CHECKSUM", "long" (no end within the time bound) or
# "none" (SDCC cannot build it).
sdcc_run() {
    mkdir -p sdcc && cp p.c csmith.h sdcc/ && cd sdcc || return 1
    if ! timeout 300 sdcc -mhc08 --std-c89 --out-fmt-ihx p.c >sdcc.log 2>&1 || [ ! -f p.ihx ]; then
        echo "none"; return 0
    fi
    local checksum done_flag
    checksum=$(awk '$2 == "_vy_checksum" { print $1; exit }' p.map)
    done_flag=$(awk '$2 == "_vy_done" { print $1; exit }' p.map)
    [ -n "$checksum" ] && [ -n "$done_flag" ] || { echo "none"; return 0; }
    printf 'file "p.ihx"\nreset\nbreak rom w 0x%x\nrun\nstep 20\ndump rom 0x%x 0x%x 4\ndump rom 0x%x 0x%x 2\nkill\n' \
        $((0x$done_flag + 1)) $((0x$checksum)) $((0x$checksum + 3)) $((0x$done_flag)) $((0x$done_flag + 1)) >cmd.txt
    timeout "${sdcc_seconds:-60}" shc08 -t HC08 -C cmd.txt </dev/null >sim.txt 2>&1
    awk '/^dump rom/ { want = 1; next }
         want && /^0x/ { n++; v[n] = $2 $3 $4 $5; want = 0 }
         END {
             if (n < 2 || v[2] !~ /^0001/) { print "long"; exit }
             print "end " tolower(v[1])
         }' sim.txt
}

# One seed: its program, its builds; the outcome goes to summary.txt, one
# line: "ok", "skip" (not C89), "big" (larger than the target's memory),
# "long" (no end within the bound in every build) or "FAIL" with its
# reason below it.
run_seed() {
    local seed=$1 dir=$work/$1 variant results=() outcome
    rm -rf "$dir"
    mkdir -p "$dir"
    cd "$dir" || return
    exec >summary.txt 2>&1
    generate "$seed"
    case $? in
        0) ;;
        2) echo "skip $seed (not C89: $(grep -m1 -o 'error: .*' host.log))"; return ;;
        *) echo "skip $seed (csmith failed: $(tail -1 gen.log))"; return ;;
    esac
    for variant in "${variant_list[@]}"; do
        mkdir -p "$variant"
        cp p.c csmith.h "$variant/"
        outcome=$(cd "$variant" && target_run "$variant" 2>&1)
        if [ $? -ne 0 ]; then
            echo "FAIL $seed $variant:"; printf '%s\n' "$outcome" | sed 's/^/    /'; return
        fi
        results+=("$variant $outcome")
    done
    # The builds that ended must agree; one too big for the target's
    # memory or one that needs more steps than the bound (code without the
    # optimiser takes more) does not count against the others.
    local first= r ended=() big=0
    for r in "${results[@]}"; do
        case ${r#* } in
            big) big=$((big + 1)) ;;
            long) ;;
            *) ended+=("$r"); [ -n "$first" ] || first=${r#* } ;;
        esac
    done
    for r in "${ended[@]}"; do
        if [ "${r#* }" != "$first" ]; then
            echo "FAIL $seed: the builds disagree:"; printf '    %s\n' "${results[@]}"; return
        fi
    done
    if [ ${#ended[@]} -eq 0 ] && [ $big -eq ${#results[@]} ]; then
        echo "big  $seed (more than 64 KB of code and data)"
    elif [ ${#ended[@]} -eq 0 ]; then
        echo "long $seed (no end within $steps steps)"
    else
        echo "ok   $seed ${first#end } ($(cat kind.txt), $(wc -l <p.c) lines; ${#ended[@]} of ${#results[@]} builds ended)"
    fi
    if [ $sdcc -eq 1 ] && [ -n "$first" ]; then
        local second
        second=$(sdcc_run 2>&1 | tail -1)
        case $second in
            none) echo "sdcc $seed: cannot build" ;;
            long) echo "sdcc $seed: no end in time" ;;
            "$first") echo "sdcc $seed: agrees" ;;
            *) echo "sdcc $seed: DIFFERS: ${second#end } (ours ${first#end })" ;;
        esac
    fi
}

started=$(date +%s)
running=0
for seed in "${seeds[@]}"; do
    run_seed "$seed" &
    running=$((running + 1))
    if [ $running -ge "$jobs" ]; then
        wait -n
        running=$((running - 1))
    fi
done
wait

passed=0 failed=0 skipped=0 long=0 big=0
failures=()
for seed in "${seeds[@]}"; do
    summary=$work/$seed/summary.txt
    cat "$summary"
    case $(head -c 4 "$summary") in
        'ok  ') passed=$((passed + 1)) ;;
        skip) skipped=$((skipped + 1)) ;;
        long) long=$((long + 1)) ;;
        'big ') big=$((big + 1)) ;;
        *) failed=$((failed + 1)); failures+=("$seed") ;;
    esac
done

echo "random programs: $passed passed, $failed failed, $skipped skipped, $big too big, $long without an end in $steps steps ($(($(date +%s) - started)) s)"
if [ $failed -gt 0 ]; then
    echo "  failed seeds: ${failures[*]}"
    exit 1
fi
exit 0
