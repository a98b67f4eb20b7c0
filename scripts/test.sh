#!/usr/bin/env bash
# The test command: installs what is missing, builds, starts the local
# Firebird server and runs the whole suite.
#   scripts/test.sh             the normal build in build/
#   scripts/test.sh --sanitize  AddressSanitizer + UndefinedBehaviorSanitizer in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."

build=build
options=()
if [ "${1:-}" = "--sanitize" ]; then
  build=build-asan
  options=(-DDWINDLE_SANITIZE=ON -DDWINDLE_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug)
fi

bash scripts/install-deps.sh
bash scripts/firebird-start.sh
cmake -S . -B "$build" -G Ninja "${options[@]}"
cmake --build "$build" -j2
ctest --test-dir "$build" --output-on-failure -j2 --timeout 600
