#!/usr/bin/env bash
# The rest of the test command: the whole suite again under AddressSanitizer and
# UndefinedBehaviorSanitizer, then a short run of every fuzzer over its seed corpus.
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")/.."
segundos="${RUTINERO_FUZZ_SEGUNDOS:-20}"

if [ ! -f build-asan/CMakeCache.txt ]; then
  cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DRUTINERO_SANITIZE=ON
fi
cmake --build build-asan -j2
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j2

scripts/fuzz.sh "$segundos"
