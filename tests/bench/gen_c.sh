#!/usr/bin/env bash
# Writes a C file of about LINES lines (default 5000) to OUT (default
# standard output) for the chain benchmark: global data, then functions of
# 30 to 50 lines with int, long and char arithmetic, arrays, structures,
# pointers, loops, if chains, switches and calls, in the C that the
# compiler accepts (and gcc too). The same LINES always give the same file.
#
#   bash tests/bench/gen_c.sh [LINES] [OUT]
set -euo pipefail
lines=${1:-5000}
out=${2:-/dev/stdout}
awk -v lines="$lines" 'BEGIN {
    srand(19)
    print "/* Generated for the chain benchmark. */"
    print "struct rec { int key; long total; unsigned char tag[4]; struct rec *next; };"
    print "int gi[64];"
    print "long gl[32];"
    print "unsigned char gb[128];"
    print "struct rec recs[16];"
    print "unsigned int seed = 1;"
    print "static int helper(int a, int b) { return a > b ? a - b : b - a; }"
    print "static long lhelper(long a, int n) { return (a << 2) + n; }"
    n = 9; f = 0
    split("+ - * & | ^", ops, " ")
    while (n < lines - 3) {
        body = 30 + int(rand() * 21)
        printf "int f%d(int a, int b, long c)\n{\n", f
        printf "    int i, j = %d, k = a;\n", int(rand() * 100)
        printf "    long acc = c;\n"
        printf "    unsigned char *p = gb + (a & 63);\n"
        printf "    struct rec *r = &recs[b & 15];\n"
        m = 7
        while (m < body) {
            s = int(rand() * 12)
            v = int(rand() * 1000)
            o = ops[1 + int(rand() * 6)]
            if (s == 0) { printf "    k = k %s %d;\n    gi[(k + %d) & 63] += k;\n", o, v, f % 64; m += 2 }
            else if (s == 1) { printf "    for (i = 0; i < %d; i++) {\n        j += gi[i & 63] %s i;\n        if (j > %d)\n            j -= %d;\n    }\n", 4 + v % 20, o, v, v / 2 + 1; m += 5 }
            else if (s == 2) { printf "    acc += (long)k * %d + gl[j & 31];\n    gl[(a + %d) & 31] = acc >> %d;\n", v, v % 32, 1 + v % 15; m += 2 }
            else if (s == 3) { printf "    if (a < b)\n        k = helper(k, %d);\n    else if (a == %d)\n        k += b;\n    else\n        k -= %d;\n", v, v, v % 17; m += 6 }
            else if (s == 4) { printf "    switch (k & 7) {\n    case 0: j++; break;\n    case 1: j += %d; break;\n    case 3: j -= a; break;\n    case 5: j ^= b; break;\n    default: j = j * 3 + 1; break;\n    }\n", v; m += 7 }
            else if (s == 5) { printf "    while (*p && p < gb + 127)\n        p++;\n    *p = (unsigned char)(k + %d);\n", v; m += 3 }
            else if (s == 6) { printf "    r->key = k %s j;\n    r->total += r->key;\n    r->tag[%d] = (unsigned char)a;\n", o, v % 4; m += 3 }
            else if (s == 7) { printf "    acc = lhelper(acc, j) %s %dL;\n", o, v * 1000 + 7; m += 1 }
            else if (s == 8 && f > 0) { printf "    k += f%d(j, k, acc) & 255;\n", int(rand() * f); m += 1 }
            else if (s == 9) { printf "    do {\n        j = j / 2 + %d;\n    } while (j > %d);\n", v % 9 + 1, v % 50 + 20; m += 3 }
            else if (s == 10) { printf "    for (r = recs; r < recs + 16; r++)\n        if (r->key > %d)\n            r->next = r;\n    r = recs;\n", v; m += 4 }
            else { printf "    gi[%d] = (k << %d) | (j >> %d);\n", v % 64, v % 8, v % 5; m += 1 }
        }
        printf "    return k + j + (int)(acc & 0x7FFF);\n}\n\n"
        n += m + 2
        f++
    }
    printf "int main(void)\n{\n    return f%d(1, 2, 3L);\n}\n", f - 1
}' > "$out"
