#!/usr/bin/env bash
# Simulator speed beside GDB's 68HC11 simulator (a benchmark, not a test).
#
#   bash debugger/target/bench/simspeed.sh [-r ROUNDS] [-s SCRATCH]
#
# Builds GDB's simulator once into SCRATCH (default ~/.cache/vyr11-simspeed,
# or $VY_SCRATCH) from Debian's gdb source package, builds vyrsim (Release)
# in build/bench, assembles one loop program with m68hc11-as and m68hc11-ld,
# and checks that both simulators run it to the same end: the instruction
# count the loop makes, the same cycle count, the same result byte. Then,
# ROUNDS times (default 7), it runs GDB's simulator and vyrsim on it as
# whole processes, one after the other, in each configuration: the bare
# loop, the loop with 1, 4 and 16 memory events that never match, and with
# a breakpoint at an address never reached (GDB's simulator always runs the
# bare loop). It prints the machine's load, the median times and the median
# of the per-round speed ratios, GDB's time over vyrsim's (on the clock, and
# in processor seconds, which a shared machine disturbs less), last.
set -euo pipefail

rounds=7
scratch=${VY_SCRATCH:-${XDG_CACHE_HOME:-$HOME/.cache}/vyr11-simspeed}
while getopts "r:s:" opt; do
  case $opt in
    r) rounds=$OPTARG ;;
    s) scratch=$OPTARG ;;
    *) echo "usage: simspeed.sh [-r ROUNDS] [-s SCRATCH]" >&2; exit 2 ;;
  esac
done
top=$(cd "$(dirname "$0")/../../.." && pwd)
mkdir -p "$scratch"
scratch=$(cd "$scratch" && pwd)
case "$scratch/" in
  "$top"/*) echo "simspeed: the scratch folder must lie outside the repository" >&2; exit 2 ;;
esac

# GDB's simulator, built once: the source package through a private apt
# list, so that the system's lists stay as they are.
gdbrun=$scratch/gdbsim/build/sim/m68hc11/run
if [ ! -x "$gdbrun" ]; then
  echo "== building GDB's 68HC11 simulator in $scratch/gdbsim (about a minute)"
  (
    set -e
    a=$scratch/gdbsim
    rm -rf "$a/build"
    mkdir -p "$a/apt/lists/partial"
    cd "$a"
    uri=$(sed -n 's/^URIs: //p' /etc/apt/sources.list.d/debian.sources | head -1)
    printf 'deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] %s bookworm main\n' \
      "$uri" > apt/src.list
    o="-o Dir::Etc::SourceList=$a/apt/src.list -o Dir::Etc::SourceParts=/nonexistent -o Dir::State::Lists=$a/apt/lists"
    apt-get $o update >/dev/null
    [ -f gdb_13.1.orig.tar.xz ] || apt-get $o source --download-only gdb=13.1-3 >/dev/null
    [ -d gdb-13.1 ] || tar xJf gdb_13.1.orig.tar.xz
    mkdir build
    cd build
    ../gdb-13.1/configure --target=m68hc11-elf --disable-gdb --disable-gdbserver \
      --disable-binutils --disable-ld --disable-gas --disable-gprof --disable-gold --disable-nls \
      --disable-werror --enable-sim --disable-readline --without-python >/dev/null
    make -j3 MAKEINFO=true all-sim >/dev/null
  ) > "$scratch/gdbsim-build.log" 2>&1 || {
    echo "simspeed: building GDB's simulator failed; see $scratch/gdbsim-build.log" >&2; exit 1; }
fi

echo "== building vyrsim (Release) in build/bench"
launchers=()
if command -v ccache >/dev/null; then
  launchers=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$top" -B "$top/build/bench" -DCMAKE_BUILD_TYPE=Release "${launchers[@]}" >/dev/null
cmake --build "$top/build/bench" --target vyrsim -j3 >/dev/null
vyrsim=$top/build/bench/bin/vyrsim

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# The loop: OUTER times INNER rounds of load, add, store, decrement and
# branch on a byte in the direct page, then the byte into B, which GDB's
# simulator makes its exit status, and its exit call (0xCD 0x03), which is
# no instruction for vyrsim.
outer=401
inner=50000
cat > loop.s <<EOF
	.sect .text
	.globl _start
_start:
	lds	#0x00ff
	ldy	#$outer
outer:
	ldx	#$inner
inner:
	ldaa	*0x10
	adda	#1
	staa	*0x10
	dex
	bne	inner
	dey
	bne	outer
	ldab	*0x10
	.byte	0xcd, 0x03
EOF
m68hc11-as -o loop.o loop.s
m68hc11-ld -Ttext 0x8000 -e _start -o loop.elf loop.o
m68hc11-objcopy -O srec loop.elf loop.s19
instructions=$((2 + outer * (1 + 5 * inner + 2) + 1))
result=$(( (outer * inner) % 256 ))

# vyrsim's configurations: memory events on bytes the loop never touches,
# in the page of the byte it counts in, and a breakpoint in the code's page
# that the loop never reaches.
events() {
  local n=$1 i kinds=(r w rw)
  for ((i = 0; i < n; i++)); do
    printf ' event=%s:0x%04x,0x%04x' "${kinds[i % 3]}" $((0x20 + 8 * i)) $((0x23 + 8 * i))
  done
}
names=("bare loop" "1 memory event" "4 memory events" "16 memory events" "1 breakpoint")
goals=(4 3 3 3 3.5)
configs=("" "$(events 1)" "$(events 4)" "$(events 16)" " break=0x8100")

# Runs a command, keeping its output in $work/out and its exit status in
# $work/status; prints the seconds it took on the clock, and the processor
# seconds (user and system) it used, which a machine shared with other work
# disturbs less.
timed() {
  local status=0 TIMEFORMAT='%R %U %S'
  { time "$@" > "$work/out" 2>&1 || status=$?; } 2> "$work/time"
  echo "$status" > "$work/status"
  awk '{printf "%.3f %.3f", $1, $2 + $3}' "$work/time"
}

# Checks that vyrsim's run (its output in $work/out) ended where GDB's
# simulator ends.
checkvyrsim() {
  local out count cycles b
  out=$(cat "$work/out")
  count=$(sed -n 's/^\([0-9]*\) instructions$/\1/p' <<< "$out")
  cycles=$(sed -n 's/.* cycles:\([0-9]*\)$/\1/p' <<< "$out")
  b=$(sed -n 's/.* b:\([0-9a-f]*\) .*/\1/p' <<< "$out")
  if [ "$count" != "$instructions" ] || [ "$cycles" != "$gdbcycles" ] || [ "$((16#${b:-ff}))" != "$result" ]; then
    echo "simspeed: vyrsim ($1) ended elsewhere:" >&2; echo "$out" >&2; exit 1
  fi
}

checkgdb() {
  if [ "$(cat "$work/status")" != "$result" ]; then
    echo "simspeed: GDB's simulator ended with status $(cat "$work/status"), not $result" >&2; exit 1
  fi
}

echo "== the same end"
timed "$gdbrun" -v loop.elf >/dev/null
checkgdb
gdbcycles=$(sed -n 's/^ *Absolute cycle: *\([0-9]*\) cycles.*/\1/p' "$work/out")
# shellcheck disable=SC2086
timed "$vyrsim" loop.s19 pc=0x8000 run regs >/dev/null
checkvyrsim "bare loop"
echo "instructions: $instructions (the loop's count, and vyrsim's)"
echo "cycles:       $gdbcycles (GDB's simulator's, and vyrsim's)"
echo "result byte:  $result (GDB's simulator's exit status, and vyrsim's B)"

echo "== $rounds rounds, each simulator by turns as a whole process"
echo "load before: $(uptime)"
declare -A gdbt vyrt ratio cpuratio
for ((r = 0; r < rounds; r++)); do
  for c in "${!configs[@]}"; do
    read -r g gcpu <<< "$(timed "$gdbrun" loop.elf)"
    checkgdb
    # shellcheck disable=SC2086
    read -r v vcpu <<< "$(timed "$vyrsim" loop.s19 pc=0x8000 ${configs[c]} run regs)"
    checkvyrsim "${names[c]}"
    gdbt[$c]+="$g "
    vyrt[$c]+="$v "
    ratio[$c]+="$(awk -v g="$g" -v v="$v" 'BEGIN {printf "%.3f", g / v}') "
    cpuratio[$c]+="$(awk -v g="$gcpu" -v v="$vcpu" 'BEGIN {printf "%.3f", g / v}') "
  done
done
echo "load after:  $(uptime)"

median() { tr ' ' '\n' <<< "$1" | grep . | sort -g | awk '{a[NR] = $1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }
printf '%-18s %10s %10s %8s %10s %6s\n' "configuration" "GDB s" "vyrsim s" "ratio" "cpu ratio" "goal"
for c in "${!configs[@]}"; do
  m=$(median "${ratio[$c]}")
  ok=$(awk -v m="$m" -v g="${goals[c]}" 'BEGIN {print (m >= g) ? "met" : "NOT MET"}')
  printf '%-18s %10s %10s %8s %10s %6s %s\n' "${names[c]}" "$(median "${gdbt[$c]}")" \
    "$(median "${vyrt[$c]}")" "$m" "$(median "${cpuratio[$c]}")" "${goals[c]}" "$ok"
done
echo "(ratio: of the clock times; cpu ratio: of the processor seconds, user and system)"
echo "median speed ratio (GDB's time / vyrsim's time), bare loop: $(median "${ratio[0]}")"
