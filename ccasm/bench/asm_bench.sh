#!/usr/bin/env bash
# Assembler benchmark: generates one program of N lines (200000 unless given)
# in both dialects, assembles it with ccasm and with the GNU assembler
# m68hc11-as, and prints both times and their ratio.
#
#   bash ccasm/bench/asm_bench.sh [path/to/ccasm] [lines]
#
# The default ccasm is the release build of tools/build.sh (build/native).
# With ASM_BENCH_DIR set, the generated sources and objects stay there.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
ccasm=${1:-$top/build/native/bin/ccasm}
lines=${2:-200000}
[ -x "$ccasm" ] || { echo "no ccasm at $ccasm: run bash tools/build.sh" >&2; exit 1; }
command -v m68hc11-as >/dev/null || { echo "m68hc11-as is not installed" >&2; exit 1; }

if [ -n "${ASM_BENCH_DIR:-}" ]; then   # keep the generated files there
    work=$ASM_BENCH_DIR
    mkdir -p "$work"
else
    work=$(mktemp -d /tmp/asm_bench.XXXXXX)
    trap 'rm -rf "$work"' EXIT
fi

# One block of 20 lines per label: loads and stores in every addressing mode,
# arithmetic, a short loop branch, a call, a far conditional branch that has
# to be lengthened, and data. `dialect` 1 writes ccasm, 2 the GNU syntax.
generate() {
    awk -v lines="$lines" -v dialect="$1" 'BEGIN {
        dir = dialect == 1 ? "" : "*"
        byte = dialect == 1 ? "dc.b" : ".byte"
        word = dialect == 1 ? "dc.w" : ".word"
        blocks = int(lines / 20)
        for (b = 0; b < blocks; b++) {
            far = (b + 40 < blocks) ? b + 40 : b
            printf "L%d:\tldaa\t#%d\n", b, b % 200
            printf "\tldab\t%s%d\n", dir, b % 256
            printf "\tldx\t#L%d\n", b
            printf "\tstaa\t%d,x\n", b % 256
            printf "\tldy\t#%d\n", 1000 + b % 5000
            printf "\tstab\t%d,y\n", (b * 7) % 256
            printf "\tstd\t%d\n", 4096 + b % 8192
            printf "\taddd\t%s%d\n", dir, (b * 3) % 256
            printf "\tanda\t#%d\n", b % 128
            printf "\tbset\t%s%d%s#%d\n", dir, b % 256, dialect == 1 ? "," : " ", b % 255
            printf "\tcpx\t#%d\n", b % 30000
            printf "\tbne\tL%d\n", b
            printf "\tinx\n"
            printf "\tdey\n"
            printf "\tjsr\t%d\n", 8192 + b % 4096
            printf "\tbeq\tL%d\n", far
            printf "\tpshx\n"
            printf "\tpulx\n"
            printf "\t%s\t%d,%d,%d\n", byte, b % 256, (b + 1) % 256, (b + 2) % 256
            printf "\t%s\tL%d\n", word, b
        }
    }'
}

generate 1 >"$work/prog.s"
generate 2 >"$work/gprog.s"
echo "program: $(wc -l <"$work/prog.s") lines"

now() { date +%s.%N; }
t0=$(now)
"$ccasm" -o "$work/prog.o" "$work/prog.s"
t1=$(now)
m68hc11-as -o "$work/gprog.o" "$work/gprog.s"
t2=$(now)

awk -v a="$t0" -v b="$t1" -v c="$t2" 'BEGIN {
    ours = b - a; gnu = c - b
    printf "ccasm:      %.3f s\nm68hc11-as: %.3f s\nratio ccasm / m68hc11-as: %.2f\n", ours, gnu, ours / gnu
}'
