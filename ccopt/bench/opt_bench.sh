#!/usr/bin/env bash
# Optimiser benchmark (not a test): generates assembly files of 5000, 10000
# and 20000 lines in the code generator's dialect (functions of about 40
# lines: loads, stores, arithmetic, compares, branches, calls and hints),
# runs ccopt on each and prints lines per second of processor time. The
# rate should not fall as the files grow.
#
#   bash ccopt/bench/opt_bench.sh [path/to/ccopt] [sizes...]
#
# The default ccopt is the release build of tools/build.sh (build/native).
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
ccopt=${1:-$top/build/native/bin/ccopt}
shift || true
sizes=${*:-5000 10000 20000}
[ -x "$ccopt" ] || { echo "no ccopt at $ccopt: run bash tools/build.sh" >&2; exit 1; }
work=$(mktemp -d /tmp/opt_bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

generate() {
    awk -v lines="$1" 'BEGIN {
        srand(11)
        print "\tinclude\t\"macro.h11\""
        print "\tswitch\t.text"
        n = 2; f = 0; lab = 0
        split("_a _b _c _x _y _z", bytes, " ")
        split("_u _v _w OFST-2,x 2,x", words, " ")
        split("jbeq jbne jbge jblt jbhi jbls jbcs jbcc", br, " ")
        while (n < lines) {
            printf "_f%d:\nFL:\n", f; n += 2
            if (f % 3 == 0) { print "\tpshx\n\ttsx"; n += 2 }
            body = 30 + int(rand() * 20)
            for (i = 0; i < body; i++) {
                r = int(rand() * 14); m = bytes[1 + int(rand() * 6)]; w = words[1 + int(rand() * 5)]
                if (r == 0) printf "\tldaa\t%s\n\tstaa\t%s\n", m, bytes[1 + int(rand() * 6)]
                else if (r == 1) printf "\tldd\t%s\n\taddd\t#%d\n\tstd\t%s\n", w, int(rand() * 300), w
                else if (r == 2) printf "\tldab\t%s\n\tcmpb\t#0\n\t%s\tL%d\n\tclrb\nL%d:\n", m, br[1 + int(rand() * 8)], lab, lab++
                else if (r == 3) printf "\tldab\t%s\n\tandb\t#%d\n\tjbne\tL%d\n\tinc\t%s\nL%d:\n", m, 1 + int(rand() * 128), lab, m, lab++
                else if (r == 4) printf "\tldd\t#0\n\tstd\t%s\n\tldab\t%s\n\tnoa\n\tjsr\t_f%d\n", w, m, int(rand() * (f + 1))
                else if (r == 5) printf "\tldaa\t%s\n\ttsta\n\tjbeq\tL%d\n\tldaa\t#1\n\tjbr\tL%d\nL%d:\n\tclra\nL%d:\n\tstaa\t%s\n", m, lab, lab + 1, lab, lab + 1, m, lab += 2
                else if (r == 6) printf "\tclr\t%s\n\tclr\t%s+1\n", "_w", "_w"
                else if (r == 7) printf "\tldd\t%s\n\tjsr\tc_lmul\n\tstd\t%s\n", w, w
                else if (r == 8) printf "\tldaa\t%s\n\tlsra\n\tanda\t#7\n\tstaa\t%s\n", m, m
                else if (r == 9) printf "\tinc\t_w+1\n\tjbne\tL%d\n\tinc\t_w\nL%d:\n", lab, lab++
                else if (r == 10) printf "\tldx\t%s\n\tldaa\t0,x\n\tadda\t#1\n\tstaa\t0,x\n", "_u"
                else if (r == 11) printf "\tpshx\n\tldaa\t%s\n\tstaa\t%s\n\tpulx\n", m, m
                else if (r == 12) printf "\tldab\t%s\n\tclra\n\tlsld\n\tstd\t%s\n", m, w
                else printf "\tldaa\t#%d\n\tstaa\t%s\n\tldaa\t#%d\n\tstaa\t%s\n", 4, m, 5, bytes[1 + int(rand() * 6)]
            }
            if (f % 3 == 0) print "\tnod\n\tpulx\n\trts\nFL:"; else print "\tnod\n\trts\nFL:"
            f++
            # count what was printed: close enough per body, exact at the end
            n += body * 4 + 3
        }
        print "\tend"
    }' > "$2"
}

# The best of three runs; the processor time (user and system) beside the
# wall time, since a shared machine stretches the wall time.
printf '%8s %10s %10s %10s %14s\n' lines bytes wall cpu lines/second
TIMEFORMAT='%R %U %S'
for size in $sizes; do
    file=$work/gen$size.s
    generate "$size" "$file"
    count=$(wc -l < "$file")
    best=
    for run in 1 2 3; do
        t=$( { time "$ccopt" -o "$work/out.s" "$file" 2>/dev/null; } 2>&1 )
        best=$(awk -v t="$t" -v best="$best" 'BEGIN { split(t, f, " "); c = f[2] + f[3]
            if (best == "") { print f[1], c; exit } split(best, b, " ")
            print (f[1] < b[1] ? f[1] : b[1]), (c < b[2] ? c : b[2]) }')
    done
    awk -v n="$count" -v b="$(wc -c < "$file")" -v best="$best" \
        'BEGIN { split(best, t, " "); c = t[2]; if (c <= 0) c = 1e-3
                 printf "%8d %10d %10.3f %10.3f %14.0f\n", n, b, t[1], t[2], n / c }'
done
