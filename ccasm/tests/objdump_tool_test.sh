#!/usr/bin/env bash
# The programs end to end: ccasm assembles the fixture, objdump11 prints the
# object, and the text is the expected one.
set -euo pipefail
bin=$1 fixtures=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$fixtures/program.s" "$work/"
cd "$work"
"$bin/ccasm" program.s
"$bin/objdump11" program.o >program.dump
diff -u "$fixtures/program.dump.expected" program.dump
