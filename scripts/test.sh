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
  # Leaks inside system libraries are suppressed (tests/lsan.supp); ours are
  # not. The leak checker must not scan the thread-local storage of the
  # loaded client library: that makes it crash rather than report.
  export ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1
  export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0:use_tls=0"
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi

bash scripts/install-deps.sh
bash scripts/firebird-start.sh
cmake -S . -B "$build" -G Ninja "${options[@]}"
cmake --build "$build" -j2
ctest --test-dir "$build" --output-on-failure -j2 --timeout 600
