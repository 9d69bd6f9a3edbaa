#!/usr/bin/env bash
# The toolchain's main job on the bundled example: a C program through the
# whole chain (cc11: ccparse, ccgen, ccopt, ccasm, then lomar with the
# start-up code and the runtime library) into the simulator (vyrsim), run
# from reset to __halt; then the text the program wrote into its buffer
# `output`, what main returned, and the cycles the run took.
#
#   bash examples/run_example.sh [--bin DIR] [--check] [--skip-missing] [PROGRAM.c]
#   bash examples/run_example.sh --host [--check] [PROGRAM.c]
#
# PROGRAM.c defaults to examples/primes.c; any program with a `char
# output[]` and an `unsigned int output_length` will do (an assembly
# source too, with public _output and _output_length). Without --bin the
# native programs of build/native/bin are used, built first when they are
# missing. --check compares the text and main's result with PROGRAM.expected
# (status 1 when they differ). --skip-missing ends with status 77 when the
# chain cannot compile C yet (no ccgen, no runtime library, or a ccparse
# that compiles no function definition). --host runs
# the program on the host instead (gcc, with host_main.c), which shows that
# PROGRAM.expected is what C computes.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
bin=
check=0
host=0
skip_missing=0
program=$here/primes.c
while [ $# -gt 0 ]; do
    case $1 in
        --bin) bin=$2; shift ;;
        --check) check=1 ;;
        --host) host=1 ;;
        --skip-missing) skip_missing=1 ;;
        -h|--help) sed -n '2,/^set -uo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
        -*) echo "run_example: unknown option $1" >&2; exit 2 ;;
        *) program=$1 ;;
    esac
    shift
done
[ -f "$program" ] || { echo "run_example: no file $program" >&2; exit 2; }
program=$(cd "$(dirname "$program")" && pwd)/$(basename "$program")
file=$(basename "$program")
name=${file%.*}

# compare_expected FILE: the text in FILE against PROGRAM.expected.
compare_expected() {
    local expected=${program%.*}.expected
    if diff -u "$expected" "$1" >"$1.diff"; then
        echo "== the same as $(basename "$expected")"
    else
        echo "== differs from $(basename "$expected"):"
        cat "$1.diff"
        return 1
    fi
}

work=$(mktemp -d "${TMPDIR:-/tmp}/vy_example.XXXXXX")
trap 'rm -rf "$work"' EXIT

if [ $host -eq 1 ]; then
    echo "== ${CC_HOST:-gcc}: $file on the host"
    "${CC_HOST:-gcc}" -std=c89 -Wall -Dmain=example_main -c -o "$work/example.o" "$program" || exit 1
    "${CC_HOST:-gcc}" -std=c89 -Wall -o "$work/example" "$here/host_main.c" "$work/example.o" || exit 1
    "$work/example" >"$work/result.txt" || exit 1
    cat "$work/result.txt"
    [ $check -eq 0 ] || compare_expected "$work/result.txt" || exit 1
    exit 0
fi

tools=(cc11 ccparse ccgen ccopt ccasm lomar vyrsim)
if [ -z "$bin" ]; then
    bin=$top/build/native/bin
    missing=0
    for t in "${tools[@]}"; do [ -x "$bin/$t" ] || missing=1; done
    if [ $missing -eq 1 ]; then
        echo "== building the programs (build/native)"
        bash "$top/tools/setup.sh" || exit 1
        log=$(mktemp)
        if ! { cmake -S "$top" -B "$top/build/native" -DCMAKE_BUILD_TYPE=Release -DVY_TESTS=OFF &&
               cmake --build "$top/build/native" -j "${VY_JOBS:-$(nproc)}" --target "${tools[@]}" rt11; } >"$log" 2>&1; then
            cat "$log"
            rm -f "$log"
            exit 1
        fi
        rm -f "$log"
    fi
fi
bin=$(cd "$bin" && pwd)
why=
[ "${file##*.}" != c ] || [ -x "$bin/ccgen" ] || why="no code generator (ccgen) in $bin yet"
[ -n "$why" ] || [ "${file##*.}" != c ] || [ -f "$bin/rt11.lib" ] || why="no runtime library (rt11.lib) in $bin yet"
if [ -z "$why" ] && [ "${file##*.}" = c ]; then  # the front end compiles functions
    probe=$(mktemp -d)
    printf 'int f(void)\n{\n    return 0;\n}\n' >"$probe/f.c"
    "$bin/ccparse" -o "$probe/f.ir" "$probe/f.c" >/dev/null 2>&1 ||
        why="no front end (ccparse) that compiles function definitions in $bin yet"
    rm -rf "$probe"
fi
if [ -n "$why" ]; then
    echo "run_example: $why: the chain cannot compile C"
    [ $skip_missing -eq 1 ] && exit 77
    exit 1
fi

cp "$program" "$work/"
cd "$work"

echo "== cc11 -link -o $name.h11 $file"
"$bin/cc11" -link -o "$name.h11" "$file" || exit 1

symbol() { awk -v name="$1" '$2 == name { print $1; exit }' syms.txt; }
"$bin/vyrsim" "$name.h11" syms >syms.txt 2>/dev/null || { echo "vyrsim cannot load $name.h11"; exit 1; }
halt=$(symbol __halt)
output=$(symbol _output)
length=$(symbol _output_length)
if [ -z "$halt" ] || [ -z "$output" ] || [ -z "$length" ]; then
    echo "run_example: $name has no __halt, output or output_length"
    exit 1
fi
echo "== vyrsim $name.h11: from reset to __halt"
"$bin/vyrsim" -start reset "$name.h11" "until=$halt" regs "mem=$length,2" "mem=$output,4096" >run.txt 2>/dev/null
awk -v halt="$(printf '%04x' $((halt)))" '
    /pc:/ {
        for (i = 1; i <= NF; i++) { split($i, kv, ":"); reg[kv[1]] = tolower(kv[2]) }
        regs = 1; next
    }
    regs && /^[0-9A-F][0-9A-F][0-9A-F][0-9A-F]  / { for (i = 2; i <= NF; i++) bytes[nb++] = $i }
    function value(h,   v, k) {
        v = 0
        for (k = 1; k <= length(h); k++) v = v * 16 + index("0123456789abcdef", substr(tolower(h), k, 1)) - 1
        return v
    }
    END {
        if (!regs || reg["pc"] != halt) { print "run_example: the program did not reach __halt" > "/dev/stderr"; exit 1 }
        n = value(bytes[0] bytes[1])
        for (k = 0; k < n && 2 + k < nb; k++) printf "%c", value(bytes[2 + k])
        d = value(reg["a"] reg["b"])
        if (d >= 32768) d -= 65536
        printf "main returned %d\n", d
        printf "cycles: %s\n", reg["cycles"]
    }' run.txt >result.txt || exit 1
grep -v '^cycles: ' result.txt
cycles=$(sed -n 's/^cycles: //p' result.txt)
echo "== $cycles cycles: $(awk -v c="$cycles" 'BEGIN { printf "%.2f ms", c / 2000 }') of a 68HC11 with a 2 MHz E clock"

if [ $check -eq 1 ]; then
    grep -v '^cycles: ' result.txt >checked.txt
    compare_expected checked.txt || exit 1
fi
exit 0
