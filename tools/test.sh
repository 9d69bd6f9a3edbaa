#!/usr/bin/env bash
# Sets up the machine, builds the native (sanitized) and the Windows test
# trees, and runs both test suites: the Windows one under Wine in one
# private prefix with one wineserver and a private X display, made once for
# the whole phase and stopped again at the end. At the end: each phase's
# time, the count of test cases of each suite, and the ten slowest tests.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
bash tools/setup.sh

jobs=${VY_JOBS:-$(nproc)}
start=$(date +%s)

# The time of each phase, listed at the end.
times=()
phase_start=$start
phase() {
  local now
  now=$(date +%s)
  [ -n "${phase_name:-}" ] && times+=("$phase_name $((now - phase_start)) s")
  phase_name=$1
  phase_start=$now
  [ "$1" = end ] || echo "== $1"
}

# Every build from scratch, as on a clean machine: no compiler cache, even
# where a developer's tree was configured with one.
unset CMAKE_C_COMPILER_LAUNCHER CMAKE_CXX_COMPILER_LAUNCHER
nocache=(-DCMAKE_C_COMPILER_LAUNCHER= -DCMAKE_CXX_COMPILER_LAUNCHER=)

phase "configure without tests, as tools/build.sh does"
cmake -S . -B build/config-check -DVY_TESTS=OFF -DCMAKE_BUILD_TYPE=Release "${nocache[@]}" >/dev/null

phase "native build (ASan, UBSan)"
# Line tables only: the sanitizers' reports still name file and line, and
# the sanitized objects compile and link faster than with full debug data.
cmake -S . -B build/test-native -DVY_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug "${nocache[@]}" \
      -DCMAKE_C_FLAGS_DEBUG=-g1 -DCMAKE_CXX_FLAGS_DEBUG=-g1 >/dev/null
cmake --build build/test-native -j "$jobs"

phase "Windows build (mingw-w64 x86_64)"
# The tree of the Windows tests, beside tools/build.sh's build/windows:
# optimised lightly (-Og), which compiles in about half the time of the
# release build and runs the tests as fast under Wine.
cmake -S . -B build/test-windows -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS_RELEASE="-Og -DNDEBUG" -DCMAKE_CXX_FLAGS_RELEASE="-Og -DNDEBUG" \
      "${nocache[@]}" >/dev/null
cmake --build build/test-windows -j "$jobs"

phase "native tests"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
native_rc=0
ctest --test-dir build/test-native -j "$jobs" --output-on-failure --timeout 300 \
      --output-junit "$top/build/test-native/junit.xml" || native_rc=$?

phase "Windows tests (Wine)"
run_dir=$(mktemp -d /tmp/vyr-wine.XXXXXX)
export WINEPREFIX="$run_dir/prefix" WINEDEBUG=-all
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
xvfb_pid=
cleanup() {
  "$wineserver" -k >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$run_dir"
}
trap cleanup EXIT

# Xvfb picks a free display itself and tells us its number.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$run_dir/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$run_dir/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$run_dir/display")"

# The one prefix of the phase: made once, with windows that no window
# manager manages (Xvfb has none, and Wine would wait two seconds for one
# each time a window is hidden); its wineserver stays up between programs.
"$wine" wineboot -i >"$run_dir/boot.log" 2>&1 || true
"$wineserver" -p >/dev/null 2>&1 || true
"$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >>"$run_dir/boot.log" 2>&1 || true
windows_rc=0
ctest --test-dir build/test-windows -j "$jobs" --output-on-failure --timeout 300 \
      --output-junit "$top/build/test-windows/junit.xml" || windows_rc=$?
phase "end"
printf '   %s\n' "${times[@]}"

# What each suite ran: its CTest entries, and the gtest cases of them all
# (passed, skipped or failed, from gtest's summary lines).
counts() {
  local entries cases
  entries=$(grep -c '<testcase ' "$1/junit.xml" 2>/dev/null || true)
  cases=$(grep -hoE '\[  (PASSED|SKIPPED|FAILED) +\] [0-9]+ test' "$1/Testing/Temporary/LastTest.log" 2>/dev/null |
          awk '{n += $4} END {print n + 0}')
  echo "${entries:-0} entries, $cases gtest cases"
}
echo "== native: $(counts build/test-native); Windows: $(counts build/test-windows)"

# The ten slowest tests of both suites, from CTest's JUnit files.
echo "== the ten slowest tests"
for tree in test-native test-windows; do
  sed -n 's/.*<testcase name="\([^"]*\)".* time="\([0-9.]*\)".*/\2 \1/p' "build/$tree/junit.xml" 2>/dev/null |
    sed "s/\$/ (${tree#test-})/"
done | sort -rn | head -10 | awk '{printf "   %7.1f s  %s %s\n", $1, $2, $3}'

echo "== done in $(( $(date +%s) - start )) s: native $( [ $native_rc -eq 0 ] && echo passed || echo FAILED ), Windows $( [ $windows_rc -eq 0 ] && echo passed || echo FAILED )"
[ $native_rc -eq 0 ] && [ $windows_rc -eq 0 ]
