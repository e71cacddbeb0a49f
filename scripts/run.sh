#!/usr/bin/env bash
# Runs the explorer: installs what is missing, builds brenquil.exe (the
# `windows` preset, build/windows) when it is not up to date, and runs it
# under Wine on $DISPLAY, in a Wine prefix of the user's own:
# $BRENQUIL_WINEPREFIX, by default ${XDG_DATA_HOME:-~/.local/share}/brenquil/wineprefix.
# It is not the tests' prefix (build/windows/wineprefix): a session's file
# dialogs remember only the user's folders, and no test sees the user's state.
#
# With no $DISPLAY it runs on a virtual display instead. There, or on $DISPLAY
# with --captura, it waits until the first picture is complete, saves a
# screenshot of the window as build/brenquil-captura.png, prints that path and
# ends the program.
set -euo pipefail
cd "$(dirname "$0")/.."
raiz=$PWD

captura=0
case "${1:-}" in
  "") ;;
  --captura) captura=1 ;;
  *) echo "usage: scripts/run.sh [--captura]" >&2; exit 2 ;;
esac

export BRENQUIL_WINEPREFIX=${BRENQUIL_WINEPREFIX:-${XDG_DATA_HOME:-$HOME/.local/share}/brenquil/wineprefix}
if [ -z "${BRENQUIL_EN_XVFB:-}" ]; then
  echo "run.sh: Wine prefix $BRENQUIL_WINEPREFIX" >&2
  scripts/install-deps.sh
  [ -f build/windows/build.ninja ] || cmake --preset windows >/dev/null
  # sonda.exe is the test helper that tells when the first picture is complete.
  cmake --build --preset windows --target brenquil sonda
fi
exe=$raiz/build/windows/shell/brenquil.exe

if [ -z "${DISPLAY:-}" ]; then
  BRENQUIL_EN_XVFB=1 exec scripts/con-xvfb "$0" --captura
fi

if [ "$captura" -eq 0 ]; then
  exec scripts/wine-run "$exe"
fi

# Screenshot mode: this script started the program and ends it.
archivo=$raiz/build/brenquil-captura.png
scripts/wine-run "$exe" &
pid=$!
terminar() { kill "$pid" 2>/dev/null || true; }
trap terminar EXIT
if ! scripts/wine-run "$raiz/build/windows/tests/sonda.exe" esperar-imagen 62; then
  echo "run.sh: the first picture did not complete" >&2
  exit 1
fi
# The window's own X window, by its caption. Without a window manager Wine
# draws no caption: its X area is the menu bar and the client area.
ventana=
for _ in $(seq 100); do
  ventana=$(xdotool search --onlyvisible --name '^Brenquil$' 2>/dev/null | head -1) || true
  [ -n "$ventana" ] && break
  sleep 0.1
done
if [ -z "$ventana" ]; then
  echo "run.sh: no window named Brenquil on the display" >&2
  exit 1
fi
import -window "$ventana" "$archivo"
# A polite close first (Alt+F4 over the window), then the signal if need be.
xdotool mousemove --window "$ventana" 200 200 key alt+F4 2>/dev/null || true
for _ in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
  echo "run.sh: the program did not close by Alt+F4; ending it" >&2
  terminar
fi
wait "$pid" 2>/dev/null || true
trap - EXIT
# The prefix's wineserver and desktop process end before the virtual display goes.
(source scripts/wine-env.sh "$BRENQUIL_WINEPREFIX" && timeout 20 wineserver -w) || true
echo "$archivo"
