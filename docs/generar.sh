#!/usr/bin/env bash
# Makes the README's pictures with the project's own programs: a screenshot of
# the window showing an example view (docs/ventana.png) and the gallery of the
# example views (docs/galeria/*.png). Run it after changing an example view or
# the look of the window, and commit the pictures.
#
# usage: docs/generar.sh   (installs and builds what is missing; needs no display)
set -euo pipefail
cd "$(dirname "$0")/.."
raiz=$PWD

if [ -z "${BRENQUIL_EN_XVFB:-}" ]; then
  scripts/install-deps.sh
  [ -f build/native/build.ninja ] || cmake --preset native >/dev/null
  cmake --build --preset native --target brenquil_render
  [ -f build/windows/build.ninja ] || cmake --preset windows >/dev/null
  cmake --build --preset windows --target brenquil sonda
fi

# The gallery: each example as brenquil-render draws it (the file's own
# limit), 240 pixels wide with 2 x 2 samples per pixel.
mkdir -p docs/galeria
for vista in examples/*.str; do
  build/native/tools/brenquil-render "$vista" --size 240x240 --supersample 2 \
    -o "docs/galeria/$(basename "$vista" .str).png"
done

# The window: on a virtual display of its own, in a Wine prefix of its own.
if [ -z "${DISPLAY:-}" ] || [ -z "${BRENQUIL_EN_XVFB:-}" ]; then
  BRENQUIL_EN_XVFB=1 exec scripts/con-xvfb "$0"
fi
export BRENQUIL_WINEPREFIX=$raiz/build/docs-wineprefix
sonda() { scripts/wine-run build/windows/tests/sonda.exe "$@"; }
scripts/wine-run build/windows/shell/brenquil.exe &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT
sonda esperar-imagen 62 >/dev/null
# The seahorse valley of the examples in its colouring, typed into
# "Parametros de Enfoque" (the window adds its step of 32 to the limit as it
# starts), drawn with F12.
IFS= read -r -n 135 registro < examples/valle-caballitos.str
sonda comando "$(echo "${registro:9:3}" | tr -d ' ')"
limite=$(echo "${registro:0:6}" | tr -d ' ')
x=$(echo "${registro:15:40}" | tr -d ' ')
y=$(echo "${registro:55:40}" | tr -d ' ')
lado=$(echo "${registro:95:40}" | tr -d ' ')
sonda poner-vista "$limite" "$x" "$y" "$lado"
ventana=$(xdotool search --onlyvisible --name '^Brenquil$' | head -1)
until xdotool windowfocus --sync "$ventana" 2>/dev/null; do sleep 0.1; done
xdotool key F12
sonda esperar-fin
# Without a window manager Wine draws no caption: the window's X area is its
# menu bar and client area.
import -window "$ventana" docs/ventana.png
xdotool key alt+F4
wait "$pid" || true
trap - EXIT
(source scripts/wine-env.sh "$BRENQUIL_WINEPREFIX" && timeout 20 wineserver -w) || true
echo "docs/ventana.png docs/galeria/*.png"
