#!/usr/bin/env bash
# Runs the corpus: each program compiled by the host compiler gives the
# expected results; compiled by the chain (cc11: ccparse, ccgen, ccopt,
# ccasm; linked with the start-up code and the runtime library) and run in
# the simulator (vyrsim) until __halt, it must report the same values.
#
#   bash tests/corpus/run_corpus.sh [options] [PROGRAM...]
#
# Sets of programs (PROGRAM: a name such as int_arith, or a path):
#   (default)    the C corpus: *.c here and irq/*.c, whose first line
#                "//! irq MASK..." lists the interrupts that the simulator
#                raises, one at each arrival at vy_irq_point (";! irq" in
#                an assembly program)
#   --asm        the hand-written assembly programs asm/NAME.s, linked with
#                asm/report.s; the host compiles their twins asm/NAME.c
#   --faults     faults/*.c: programs that divide by zero, overflow, recurse
#                without end or call through a null pointer; the chain and
#                the simulator must end them without crashing
# Options:
#   --host-only        only the host half: every program compiles without a
#                      warning and runs clean under UBSan and ASan
#   --bin DIR          where cc11, vyrsim and the passes are
#                      (default build/native/bin, else build/test-native/bin)
#   --exe SUFFIX       suffix of those programs (.exe for the Windows build)
#   --wrapper CMD      runs each of those programs through CMD
#                      (cmake/wine-run.sh for the Windows build)
#   --variants LIST    builds to run, a comma list of opt-debug, opt-nodebug,
#                      noopt-debug, noopt-nodebug (default all four; for
#                      --asm only the debug choice counts)
#   --skip-missing     end with status 77 (skipped) when the chain cannot
#                      compile C yet: no ccgen, no runtime library rt11.lib,
#                      or a ccparse that compiles no function definition
#   --timeout SECONDS  bound of each simulator run (default 120)
#   -j, --jobs N       programs run side by side (default 2)
#   --work DIR         keep the work files in DIR (default: a temporary
#                      folder, removed at the end)
#   -v                 show the commands
# Status: 0 when every program passed, 1 when one failed, 77 when skipped.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)

set_kind=c
host_only=0
bin=
exe=
wrapper=()
variants="opt-debug,opt-nodebug,noopt-debug,noopt-nodebug"
skip_missing=0
timeout_s=120
jobs=2
work=
verbose=0
programs=()

while [ $# -gt 0 ]; do
    case $1 in
        --asm) set_kind=asm ;;
        --faults) set_kind=faults ;;
        --host-only) host_only=1 ;;
        --bin) bin=$2; shift ;;
        --exe) exe=$2; shift ;;
        --wrapper) wrapper=("$2"); shift ;;
        --variants) variants=$2; shift ;;
        --skip-missing) skip_missing=1 ;;
        --timeout) timeout_s=$2; shift ;;
        -j|--jobs) jobs=$2; shift ;;
        --work) work=$2; shift ;;
        -v) verbose=1 ;;
        -h|--help) sed -n '2,/^set -uo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
        -*) echo "run_corpus: unknown option $1" >&2; exit 2 ;;
        *) programs+=("$1") ;;
    esac
    shift
done

max_results=$(sed -n 's/^#define VY_MAX_RESULTS \([0-9]*\).*/\1/p' "$here/harness.h")

# The programs of the chosen set, as paths of their sources.
sources=()
if [ ${#programs[@]} -eq 0 ]; then
    case $set_kind in
        c) for f in "$here"/*.c "$here"/irq/*.c; do sources+=("$f"); done ;;
        asm) for f in "$here"/asm/*.s; do [ "$(basename "$f")" = report.s ] || sources+=("$f"); done ;;
        faults) for f in "$here"/faults/*.c; do sources+=("$f"); done ;;
    esac
else
    for p in "${programs[@]}"; do
        if [ -f "$p" ]; then sources+=("$(cd "$(dirname "$p")" && pwd)/$(basename "$p")"); continue; fi
        found=
        for f in "$here/$p.c" "$here/irq/$p.c" "$here/asm/$p.s" "$here/faults/$p.c"; do
            [ -f "$f" ] && { found=$f; break; }
        done
        [ -n "$found" ] || { echo "run_corpus: no program $p" >&2; exit 2; }
        sources+=("$found")
    done
fi

host_cc=${CC_HOST:-gcc}
host_flags=(-std=c99 -DVY_HOST -Wall -Wextra -Wno-missing-field-initializers -Werror -O1
            -ffp-contract=off -fsanitize=undefined,address -fno-sanitize-recover=all)

if [ -z "$work" ]; then
    work=$(mktemp -d "${TMPDIR:-/tmp}/vy_corpus.XXXXXX")
    trap 'rm -rf "$work"' EXIT
else
    mkdir -p "$work"
    work=$(cd "$work" && pwd)
fi

say() { [ $verbose -eq 1 ] && echo "  $*"; return 0; }

# The host half: compile and run; the expected "LINE VALUE" lines and the
# count go to $1.expected. Returns nonzero with a message on failure.
host_run() {
    local src=$1 out=$2 twin=$1
    [ "${src##*.}" = s ] && twin=${src%.s}.c
    say "$host_cc ${host_flags[*]} -I$here $twin"
    if ! "$host_cc" "${host_flags[@]}" -I"$here" -o "$out.host" "$twin" -lm >"$out.host.log" 2>&1; then
        echo "host compile failed:"; cat "$out.host.log"; return 1
    fi
    if ! ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 "$out.host" >"$out.expected" 2>"$out.host.err"; then
        echo "host run failed (or reported more than $max_results values):"; cat "$out.host.err"; return 1
    fi
    if [ -s "$out.host.err" ]; then
        echo "host run wrote to standard error:"; cat "$out.host.err"; return 1
    fi
    local count
    count=$(sed -n 's/^count //p' "$out.expected")
    if [ -z "$count" ] || [ "$count" -lt 1 ]; then
        echo "host run reported nothing"; return 1
    fi
    return 0
}

tool() {  # tool NAME ARGS...: runs a program of the chain
    local name=$1; shift
    say "$name $*"
    "${wrapper[@]}" "$bin/$name$exe" "$@"
}

# Windows programs end their lines with CR LF.
unix_lines() { sed -i 's/\r$//' "$@"; }

# The value of a public symbol in the program's symbol list, or nothing.
symbol() { awk -v name="$2" '$2 == name { print $1; exit }' "$1"; }

# The target half of one program in one variant, in the current folder.
target_run() {
    local src=$1 name=$2 variant=$3 expected=$4
    local cc_opts=() sources=("$(basename "$src")")
    case $variant in opt-*) ;; noopt-*) cc_opts+=(-no) ;; esac
    case $variant in *-nodebug) ;; *-debug) cc_opts+=(-x) ;; esac
    [ "${src##*.}" = s ] && sources+=(report.s)

    local status=0
    tool cc11 "${cc_opts[@]}" -link -o "$name.h11" "${sources[@]}" >cc.log 2>&1 || status=$?
    unix_lines cc.log
    if [ $status -ne 0 ]; then
        echo "cc11 ${cc_opts[*]} failed (status $status):"; cat cc.log; return 1
    fi
    if grep -q 'PANIC\|#error' cc.log; then
        echo "cc11 ${cc_opts[*]} reported:"; cat cc.log; return 1
    fi
    status=0
    tool vyrsim "$name.h11" syms >syms.txt 2>syms.err || status=$?
    unix_lines syms.txt syms.err
    if [ $status -ne 0 ]; then
        echo "vyrsim cannot load $name.h11:"; cat syms.err; return 1
    fi
    local halt results count irq_point
    halt=$(symbol syms.txt __halt)
    results=$(symbol syms.txt _vy_results)
    count=$(symbol syms.txt _vy_count)
    irq_point=$(symbol syms.txt _vy_irq_point)
    if [ -z "$halt" ] || [ -z "$results" ] || [ -z "$count" ]; then
        echo "the program lacks __halt, _vy_results or _vy_count:"; cat syms.txt; return 1
    fi

    # Interrupts to raise: one mask at each arrival at vy_irq_point. After
    # the mask is set, one step takes the interrupt; the handler returns to
    # vy_irq_point, and one more step leaves it for the next arrival.
    local commands=() masks
    masks=$(sed -n '1s@^\(//\|;\)! irq @@p' "$src")
    if [ -n "$masks" ]; then
        [ -n "$irq_point" ] || { echo "no vy_irq_point for the interrupts"; return 1; }
        for m in $masks; do
            commands+=("until=$irq_point" "irq=$m" step=1 "until=$irq_point" step=1)
        done
    fi
    local want
    want=$(sed -n 's/^count //p' "$expected")
    local n=$want
    [ "$n" -gt "$max_results" ] && n=$max_results
    commands+=("until=$halt" regs "mem=$count,2" "mem=$results,$((4 * n))")
    status=0
    timeout "$timeout_s" "${wrapper[@]}" "$bin/vyrsim$exe" -start reset "$name.h11" "${commands[@]}" >run.txt 2>run.err || status=$?
    unix_lines run.txt run.err
    if [ $status -ne 0 ]; then
        echo "vyrsim failed (status $status$([ $status -eq 124 ] && echo ": more than $timeout_s s")):"; cat run.err; return 1
    fi
    say "vyrsim -start reset $name.h11 ${commands[*]}"
    # Without debug information the loader says so; with it, it says nothing.
    if grep -v '^#error: no debug symbol table' run.err | grep -q . || { [ "${variant#*-}" = debug ] && [ -s run.err ]; }; then
        echo "vyrsim reported:"; cat run.err; return 1
    fi

    # The register line and the two dumps: the count, then the values.
    local halt_hex want_hex
    halt_hex=$(printf '%04x' $((halt)))
    want_hex=$(printf '%04x' $((want % 65536)))
    awk -v halt="$halt_hex" -v want="$want" -v want_hex="$want_hex" -v expected="$expected" '
        BEGIN {
            while ((getline line < expected) > 0) {
                split(line, f, " ")
                if (f[1] == "count") continue
                n++; where[n] = f[1]; value[n] = tolower(f[2])
            }
        }
        /pc:/ {
            for (i = 1; i <= NF; i++) {
                split($i, kv, ":")
                reg[kv[1]] = tolower(kv[2])
            }
            regs = 1; next
        }
        regs && /^[0-9A-F][0-9A-F][0-9A-F][0-9A-F]  / {
            for (i = 2; i <= NF; i++) bytes[nb++] = tolower($i)
        }
        END {
            if (!regs) { print "no register line: the run did not end"; exit 1 }
            if (reg["pc"] != halt) { printf "stopped at pc %s, not at __halt (%s)\n", reg["pc"], halt; exit 1 }
            got = bytes[0] bytes[1]
            reported = 0
            for (i = 1; i <= 4; i++) reported = reported * 16 + index("0123456789abcdef", substr(got, i, 1)) - 1
            bad = 0
            if (got != want_hex) { printf "reported %d values, the host %d\n", reported, want; bad = 1 }
            if (reg["a"] reg["b"] != got) { printf "main returned 0x%s%s, not the count %d\n", reg["a"], reg["b"], reported; bad = 1 }
            for (k = 1; k <= n && bad < 10; k++) {
                if (k > reported || 4 * k + 1 >= nb) {
                    printf "result %d (line %s): expected 0x%s, not reported\n", k, where[k], value[k]; bad++
                    continue
                }
                v = bytes[4 * k - 2] bytes[4 * k - 1] bytes[4 * k] bytes[4 * k + 1]
                if (v != value[k]) {
                    printf "result %d (line %s): expected 0x%s, got 0x%s\n", k, where[k], value[k], v; bad++
                }
            }
            exit bad ? 1 : 0
        }' run.txt || return 1

    if [ "${variant#*-}" = debug ] && [ "${src##*.}" = c ]; then
        tool vyrsim "$name.h11" funcs >funcs.txt 2>funcs.err
        unix_lines funcs.txt funcs.err
        if ! grep -q ' main(' funcs.txt; then
            echo "the debug information does not list main:"; cat funcs.txt funcs.err; return 1
        fi
    fi
    return 0
}

# A fault program: the chain compiles it, and the simulator runs it for a
# bounded number of steps and ends normally, wherever the program went.
fault_run() {
    local src=$1 name=$2 variant=$3
    local cc_opts=()
    case $variant in noopt-*) cc_opts+=(-no) ;; esac
    case $variant in *-debug) cc_opts+=(-x) ;; esac
    local status=0
    tool cc11 "${cc_opts[@]}" -link -o "$name.h11" "$(basename "$src")" >cc.log 2>&1 || status=$?
    unix_lines cc.log
    if [ $status -ne 0 ]; then
        echo "cc11 ${cc_opts[*]} failed (status $status):"; cat cc.log; return 1
    fi
    timeout "$timeout_s" "${wrapper[@]}" "$bin/vyrsim$exe" -start reset "$name.h11" step=3000000 regs >run.txt 2>run.err || status=$?
    unix_lines run.txt run.err
    if [ $status -ne 0 ]; then
        echo "vyrsim failed (status $status$([ $status -eq 124 ] && echo ": more than $timeout_s s")):"; cat run.txt run.err; return 1
    fi
    grep -q 'pc:' run.txt || { echo "vyrsim printed no registers:"; cat run.txt run.err; return 1; }
    say "stopped: $(grep 'pc:' run.txt)"
    return 0
}

if [ $host_only -eq 0 ]; then
    if [ -z "$bin" ]; then
        for b in "$top/build/native/bin" "$top/build/test-native/bin"; do
            [ -x "$b/cc11$exe" ] && { bin=$b; break; }
        done
    fi
    [ -n "$bin" ] || { echo "run_corpus: no cc11 in build/native/bin or build/test-native/bin: build first, or give --bin" >&2; exit 2; }
    bin=$(cd "$bin" && pwd)
    for p in cc11 ccparse ccasm lomar vyrsim; do
        [ -f "$bin/$p$exe" ] || { echo "run_corpus: $bin/$p$exe is missing" >&2; exit 2; }
    done
    if [ "$set_kind" != asm ]; then
        missing=
        [ -f "$bin/ccgen$exe" ] || missing="code generator (ccgen$exe)"
        [ -n "$missing" ] || [ -f "$bin/rt11.lib" ] || [ -d "$bin/rt11" ] || missing="runtime library (rt11.lib)"
        if [ -z "$missing" ]; then  # the front end compiles functions
            probe=$(mktemp -d)
            printf 'int f(void)\n{\n    return 0;\n}\n' >"$probe/f.c"
            # Tried again after a failure: under Wine on a loaded machine a
            # start now and then fails with a message of Wine's own.
            for try in 1 2 3; do
                "${wrapper[@]}" "$bin/ccparse$exe" -o "$probe/f.ir" "$probe/f.c" >/dev/null 2>"$probe/err" && break
                [ $try -eq 3 ] && { missing="front end (ccparse$exe) that compiles function definitions"; cat "$probe/err"; }
                sleep 1
            done
            rm -rf "$probe"
        fi
        if [ -n "$missing" ]; then
            echo "run_corpus: skipped: no $missing in $bin yet, so the chain cannot compile C"
            [ $skip_missing -eq 1 ] && exit 77
            exit 1
        fi
    fi
fi

IFS=, read -r -a variant_list <<<"$variants"
[ "$set_kind" = asm ] && variant_list=($(printf '%s\n' "${variant_list[@]}" | sed 's/^noopt-/opt-/' | sort -u))

# One program: its host half, then each variant; what happened goes to
# $dir/summary.txt, one "ok" or "FAIL" line per build with its log.
run_program() {
    local src=$1 name dir log variant vdir status
    name=$(basename "${src%.*}")
    dir=$work/$name
    rm -rf "$dir"
    mkdir -p "$dir"
    log=$dir/log.txt
    exec >"$dir/summary.txt" 2>&1
    if [ "$set_kind" = faults ]; then
        if ! "$host_cc" -std=c99 -DVY_HOST -I"$here" -fsyntax-only "$src" >"$log" 2>&1; then
            echo "FAIL $name (host): not plain C:"; sed 's/^/    /' "$log"; return
        fi
    elif ! host_run "$src" "$dir/$name" >"$log" 2>&1; then
        echo "FAIL $name (host):"; sed 's/^/    /' "$log"; return
    fi
    if [ $host_only -eq 1 ]; then
        echo "ok   $name (host: $(sed -n 's/^count //p' "$dir/$name.expected" 2>/dev/null || echo 0) values)"
        return
    fi
    for variant in "${variant_list[@]}"; do
        vdir=$dir/$variant
        mkdir -p "$vdir"
        cp "$src" "$here/harness.h" "$vdir/"
        [ "$set_kind" = asm ] && cp "$here/asm/report.s" "$vdir/"
        if [ "$set_kind" = faults ]; then
            ( cd "$vdir" && fault_run "$src" "$name" "$variant" ) >"$vdir/log.txt" 2>&1
        else
            ( cd "$vdir" && target_run "$src" "$name" "$variant" "$dir/$name.expected" ) >"$vdir/log.txt" 2>&1
        fi
        status=$?
        if [ $status -eq 0 ]; then
            echo "ok   $name $variant"
            [ $verbose -eq 1 ] && sed 's/^/    /' "$vdir/log.txt"
        else
            echo "FAIL $name $variant:"
            sed 's/^/    /' "$vdir/log.txt"
        fi
    done
}

# The programs run side by side, their summaries are printed in order.
running=0
for src in "${sources[@]}"; do
    run_program "$src" &
    running=$((running + 1))
    if [ $running -ge "$jobs" ]; then
        wait -n
        running=$((running - 1))
    fi
done
wait

passed=0
failed=0
failures=()
for src in "${sources[@]}"; do
    summary=$work/$(basename "${src%.*}")/summary.txt
    cat "$summary"
    passed=$((passed + $(grep -c '^ok ' "$summary")))
    failed=$((failed + $(grep -c '^FAIL ' "$summary")))
    while IFS= read -r line; do
        line=${line#FAIL }
        failures+=("${line%:}")
    done < <(grep '^FAIL ' "$summary")
done

echo "corpus ($set_kind$([ $host_only -eq 1 ] && echo ', host only')): $passed passed, $failed failed"
if [ $failed -gt 0 ]; then
    printf '  failed: %s\n' "${failures[@]}"
    exit 1
fi
exit 0
