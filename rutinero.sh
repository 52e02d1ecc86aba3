#!/usr/bin/env bash
# Sets everything up on Debian 12 and then runs the program (default) or the test suite.
#   ./rutinero.sh            install what is missing, build, start the program
#   ./rutinero.sh pruebas    install what is missing, build, run every test
#   ./rutinero.sh bench      install what is missing, build, run the benchmark
#   ./rutinero.sh fuzz [s]   install what is missing, run each fuzzer for s seconds (default 60)
#   ./rutinero.sh paquete    install what is missing, build the Debian package rutinero_<version>_<arch>.deb
# A second run rebuilds only what changed.
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")"
modo="${1:-ejecutar}"
BUILD="${RUTINERO_BUILD:-build}"

paquetes=(cmake g++ make pkg-config qt6-base-dev qt6-translations-l10n libqscintilla2-qt6-dev libqscintilla2-qt6-l10n
          libsqlite3-dev libgit2-dev libssh2-1-dev zlib1g-dev nlohmann-json3-dev qtkeychain-qt6-dev libsecret-1-0
          xdg-utils dpkg-dev file)
case "$modo" in
  pruebas|fuzz) paquetes+=(clang libclang-rt-14-dev git) ;;
esac
# A real editor for the language server's test; for the sync's, a real SSH server and agent, a real
# smart-HTTP server (lighttpd, git's http-backend, openssl for its certificates) and a real keyring
# (a session bus, gnome-keyring, secret-tool); ripgrep, the yardstick of the benchmark.
case "$modo" in
  pruebas) paquetes+=(neovim openssh-server openssh-client lighttpd lighttpd-mod-openssl openssl dbus gnome-keyring
                   libsecret-tools) ;;
  bench) paquetes+=(ripgrep) ;;
esac
case "$modo" in
  pruebas|paquete) paquetes+=(lintian appstream) ;;
esac

faltan=()
for p in "${paquetes[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || faltan+=("$p")
done
if [ ${#faltan[@]} -gt 0 ]; then
  echo "Instalando paquetes que faltan: ${faltan[*]}"
  if [ "$(id -u)" -eq 0 ]; then sudo_cmd=(); else sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${faltan[@]}"
fi

compilar() { # carpeta, opciones de cmake...
  local carpeta="$1"; shift
  if [ ! -f "$carpeta/CMakeCache.txt" ]; then
    cmake -S . -B "$carpeta" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
  fi
  cmake --build "$carpeta" -j2
}

case "$modo" in
  ejecutar)
    compilar "$BUILD"
    # The starter library goes beside the program only the first time.
    scripts/instalar-inicio.sh "$BUILD"
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
      echo "No hay una pantalla gráfica disponible (DISPLAY y WAYLAND_DISPLAY están vacías)." >&2
      echo "El programa está compilado en $BUILD/rutinero. Inícielo desde un escritorio, o sin pantalla con:" >&2
      if [ "$(id -u)" -eq 0 ]; then pre=""; else pre="sudo "; fi
      echo "  ${pre}apt-get install xvfb && xvfb-run -a ./rutinero.sh" >&2
      exit 1
    fi
    exec "$BUILD/rutinero"
    ;;
  pruebas)
    compilar "$BUILD"
    ctest --test-dir "$BUILD" --output-on-failure -j2
    if [ -x scripts/pruebas-extra.sh ]; then scripts/pruebas-extra.sh; fi
    ;;
  fuzz)
    scripts/fuzz.sh "${2:-60}"
    ;;
  paquete)
    compilar "$BUILD"
    cmake --build "$BUILD" --target paquete
    deb="$(ls -t "$BUILD"/rutinero_*.deb | head -n 1)"
    echo "Paquete: $deb"
    lintian "$deb" || true
    appstreamcli validate --no-net resources/paquete/*.metainfo.xml || true
    echo "Para instalarlo: sudo apt install ./$deb"
    ;;
  bench)
    compilar "$BUILD"
    "$BUILD/bench/rutinero_bench"
    ;;
  *)
    echo "Uso: $0 [ejecutar|pruebas|bench|fuzz|paquete]" >&2
    exit 2
    ;;
esac
