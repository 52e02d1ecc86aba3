#!/usr/bin/env bash
# Copies the starter library into <folder>/Categorias, only when that folder does not exist yet:
# a library the user already has is never touched.
set -euo pipefail
origen="$(dirname "$(readlink -f "$0")")/../resources/inicio/Categorias"
destino="$1/Categorias"
if [ -e "$destino" ]; then
  exit 0
fi
mkdir -p "$1"
cp -r "$origen" "$destino"
echo "Biblioteca de inicio instalada en $destino"
