#!/usr/bin/env bash
# Builds Tintext and runs every test through CTest.
# Compiler warnings are errors here, as in CI.
#   scripts/test.sh             the ordinary build, in build/
#   scripts/test.sh --sanitize  with AddressSanitizer and UndefinedBehaviorSanitizer, in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
if [ "${1:-}" = "--sanitize" ]; then
  scripts/build.sh build-asan -DTINTEXT_WERROR=ON -DTINTEXT_SANITIZE=ON -DTINTEXT_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  ctest --test-dir build-asan --output-on-failure -j "$(nproc)"
else
  scripts/build.sh build -DTINTEXT_WERROR=ON
  ctest --test-dir build --output-on-failure -j "$(nproc)"
fi
