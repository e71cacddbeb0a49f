#!/usr/bin/env bash
# Zoom by the mouse as a user does it, through X: starts brenquil.exe under
# Wine, drags a square with xdotool at the window's coordinates, answers the
# box with the keyboard (Return for OK, Escape for Cancel), starts a render
# with F12 and closes the window with Alt+F4. sonda.exe checks what only
# Windows can see: the box's text, the outline and every pixel of each picture.
# Screenshots of the window go to the output folder.
#
# usage: arrastre_x.sh BRENQUIL.EXE SONDA.EXE OUTPUT_FOLDER   (needs $DISPLAY)
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: $0 BRENQUIL.EXE SONDA.EXE OUTPUT_FOLDER" >&2; exit 2; }
exe=$1
sonda_exe=$2
salida=$3
wine_run=$(cd "$(dirname "$0")/../../scripts" && pwd)/wine-run
[ -n "${DISPLAY:-}" ] || { echo "no DISPLAY" >&2; exit 2; }

pid=
terminar() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill "$pid" 2>/dev/null || true; fi
}
trap terminar EXIT

fallar() { echo "FAIL: $*" >&2; exit 1; }
paso() { echo "--- $*"; }

# Runs "$@" until it succeeds, at most $1 seconds.
esperar() {
  local segundos=$1; shift
  local fin=$((SECONDS + segundos))
  until "$@" >/dev/null 2>&1; do
    [ $SECONDS -lt $fin ] || return 1
    sleep 0.1
  done
}

sonda() { "$wine_run" "$sonda_exe" "$@" | tr -d '\r'; return "${PIPESTATUS[0]}"; }

paso "start"
"$wine_run" "$exe" &
pid=$!
esperar 60 xdotool search --name '^Brenquil$' || fallar "no X window named Brenquil"
ventana=$(xdotool search --name '^Brenquil$' | head -1)

paso "first picture: 62 iterations of the start-up view"
sonda esperar-imagen 62 || fallar "first picture"
import -window "$ventana" "$salida/captura_primera_imagen_x.png"

# The client area in screen pixels. Without a window manager nobody draws the
# caption, so the X window holds the menu bar and the client area below it.
eval "$(xdotool getwindowgeometry --shell "$ventana")"
read -r cx cy < <(sonda origen) || fallar "client origin"
echo "X window at ($X, $Y) ${WIDTH}x$HEIGHT, client area at ($cx, $cy)"
[ "$cx" -ge "$X" ] && [ "$cy" -ge "$Y" ] && [ $((cx + 400)) -le $((X + WIDTH)) ] && [ $((cy + 400)) -le $((Y + HEIGHT)) ] \
  || fallar "the 400 x 400 picture does not lie inside the X window"

# Presses at one client point, moves in steps and releases at another.
arrastrar() {
  xdotool mousemove $((cx + $1)) $((cy + $2)) mousedown 1 \
          mousemove $((cx + ($1 + $3) / 2)) $((cy + ($2 + $4) / 2)) \
          mousemove $((cx + $3)) $((cy + $4)) mouseup 1
}

paso "drag down and right, 100 x 110 pixels around the set: the square (40, 150) side 100; OK"
arrastrar 40 150 140 260
sonda esperar-zoom 40 150 100 || fallar "box or outline after the first drag"
import -window root "$salida/captura_cuadro_zoom_x.png"
xdotool key Return
sonda esperar-imagen 94 40 150 140 250 || fallar "the zoomed picture"
import -window "$ventana" "$salida/captura_tras_zoom_x.png"

paso "drag up and left, 100 x 80 pixels: the square (160, 160) side 80; Cancel"
arrastrar 260 240 160 160
sonda esperar-zoom 160 160 80 || fallar "box or outline after the second drag"
xdotool key Escape
sonda esperar-imagen 94 40 150 140 250 || fallar "the picture after Cancel"

paso "F12: a render of the same view, with 126 iterations"
xdotool key F12
sonda esperar-imagen 126 40 150 140 250 || fallar "the render started by F12"

paso "Alt+F4: the program ends with exit code 0"
xdotool key alt+F4
esperar 30 bash -c "! kill -0 $pid" || fallar "the program did not end within 30 s of Alt+F4"
codigo=0
wait "$pid" || codigo=$?
pid=
[ "$codigo" -eq 0 ] || fallar "exit code $codigo"
echo "PASS"
