#!/usr/bin/env bash
# Runs each libFuzzer target for a bounded time (seconds, default 60) over the seeds in fuzz/corpus.
# New inputs go to fuzz/corpus-trabajo (not kept); a crash leaves its input in build-fuzz/ and fails.
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")/.."
segundos="${1:-60}"
# Configured every time: a target added since the last run is then known to the build.
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DRUTINERO_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j2 --target fuzz_categoria fuzz_ini fuzz_idavuelta fuzz_fragmentos fuzz_gramatica fuzz_lsp fuzz_presencia
for objetivo in categoria ini idavuelta fragmentos gramatica lsp presencia; do
  mkdir -p "fuzz/corpus-trabajo/$objetivo"
  echo "== fuzz_$objetivo ($segundos s)"
  (cd build-fuzz && ./fuzz/fuzz_$objetivo -max_total_time="$segundos" -max_len=65536 -timeout=10 \
     -print_final_stats=0 "../fuzz/corpus-trabajo/$objetivo" "../fuzz/corpus/$objetivo" 2>&1 | tail -n 3)
done
