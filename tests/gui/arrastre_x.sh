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
. "$(dirname "$0")/comun_x.sh"

paso "start"
iniciar

paso "first picture: 62 iterations of the start-up view"
sonda esperar-imagen 62 || fallar "first picture"
captura captura_primera_imagen_x.png

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
tecla Return
sonda esperar-imagen 94 40 150 140 250 || fallar "the zoomed picture"
captura captura_tras_zoom_x.png

paso "drag up and left, 100 x 80 pixels: the square (160, 160) side 80; Cancel"
arrastrar 260 240 160 160
sonda esperar-zoom 160 160 80 || fallar "box or outline after the second drag"
tecla Escape
sonda esperar-imagen 94 40 150 140 250 || fallar "the picture after Cancel"

paso "F12: a render of the same view, with 126 iterations"
tecla F12
sonda esperar-imagen 126 40 150 140 250 || fallar "the render started by F12"

cerrar_con_alt_f4
