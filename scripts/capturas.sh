#!/usr/bin/env bash
# Makes the README's screenshots again, from the program as it is now, under a virtual display.
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")/.."
BUILD="${RUTINERO_BUILD:-build}"
faltan=()
for p in cmake g++ make qt6-base-dev libqscintilla2-qt6-dev qt6-translations-l10n xvfb xauth; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || faltan+=("$p")
done
if [ ${#faltan[@]} -gt 0 ]; then
  if [ "$(id -u)" -eq 0 ]; then sudo_cmd=(); else sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${faltan[@]}"
fi
[ -f "$BUILD/CMakeCache.txt" ] || cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$BUILD" -j2 --target rutinero_capturas
# RUTINERO_REVISION=<carpeta> also pictures the editor over several languages and a dark theme there.
xvfb-run -a -s "-screen 0 1280x900x24" "$BUILD/tools/capturas/rutinero_capturas" \
  resources/inicio/Categorias docs/capturas ${RUTINERO_REVISION:+"$RUTINERO_REVISION"}
