#!/usr/bin/env bash
# Sets up the machine and builds every program: natively (build/native) and
# for Windows (build/windows); then takes the bundled example from C source
# through the whole chain into the simulator and shows what it computed.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
bash tools/setup.sh
jobs=${VY_JOBS:-$(nproc)}
cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Release -DVY_TESTS=OFF >/dev/null
cmake --build build/native -j "$jobs"
cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" \
      -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/windows -j "$jobs"
echo "built: build/native/bin and build/windows/bin"
echo
bash "$top/examples/run_example.sh" --bin build/native/bin --check
