#!/usr/bin/env bash
# Every key of the accelerator table typed through X with xdotool into one
# running brenquil.exe, each seen reaching its command: b and B clear the
# picture, 0 and F1 to F10 set the step that the next F12 render shows in its
# limit, Ctrl+C and Ctrl+V memorise and recall, i and I outline and ask, o and
# O zoom out and render, F12 starts and stops, f/F and p/P open the two
# dialogs, F11 the About box; with Caps Lock on the letters still work.
# sonda.exe checks each effect from the Windows side; screenshots of the
# window go to the output folder.
#
# usage: teclas_x.sh BRENQUIL.EXE SONDA.EXE OUTPUT_FOLDER
#        (needs $DISPLAY, and $BRENQUIL_VERSION for the About box's first line)
set -euo pipefail
. "$(dirname "$0")/comun_x.sh"

# The start-up view rendered with a limit; the same view zoomed out by 2
# (the square (-200, -200)-(600, 600)) or in by 2 ((100, 100)-(300, 300)).
imagen() { sonda esperar-imagen "$1" || fallar "$2: not the start-up view with limit $1"; }
imagen_alejada() { sonda esperar-imagen "$1" -200 -200 600 600 || fallar "$2: not the zoomed-out view with limit $1"; }
imagen_acercada() { sonda esperar-imagen "$1" 100 100 300 300 || fallar "$2: not the zoomed-in view with limit $1"; }
blanco() { sonda esperar-blanco || fallar "$1: the client area is not white"; }

# A key that opens a box: the box with that caption shows, Escape or Return
# closes it.
abre_cuadro() {
  local tecla_abrir=$1 titulo=$2 cierre=$3; shift 3
  tecla "$tecla_abrir"
  sonda esperar-cuadro "$titulo" "$@" || fallar "$tecla_abrir: no \"$titulo\" box"
  tecla "$cierre"
  sonda esperar-sin-cuadro || fallar "$tecla_abrir: \"$titulo\" did not close with $cierre"
}

paso "start: 62 iterations of the start-up view"
iniciar
# Without a window manager nobody gives the new window the keyboard focus.
# X refuses the focus (BadMatch) until the window is viewable: try until it takes.
esperar 10 xdotool windowfocus --sync "$ventana" || fallar "the window did not take the keyboard focus"
imagen 62 "first picture"

paso "b: Borrar; 0 then F12: a render with the limit unchanged"
tecla b
blanco "b"
captura captura_borrar_x.png
tecla 0 F12
imagen 62 "0, F12"

paso "F1 to F10, each followed by F12: the step shows in the limit"
limite=62
for par in F1:1 F2:32 F3:128 F4:256 F5:1024 F6:-1 F7:-32 F8:-128 F9:-256 F10:-1024; do
  tecla_paso=${par%%:*}
  limite=$((limite + ${par#*:}))
  tecla "$tecla_paso" F12
  imagen "$limite" "$tecla_paso, F12"
done
[ "$limite" -eq 62 ] || fallar "the steps do not add up"

paso "Ctrl+C, o, Ctrl+V, F12: memorise, zoom out, recall, render the memorised view"
tecla F2 ctrl+c o
imagen_alejada 94 "o"
tecla ctrl+v
imagen 62 "Ctrl+V: the memorised picture"
captura captura_volver_x.png
tecla F12
imagen 94 "F12 after Ctrl+V: the memorised view"

paso "O: zoom out again; Ctrl+V"
tecla O
imagen_alejada 126 "O"
tecla ctrl+v
imagen 62 "second Ctrl+V"

paso "i: outline and box, Escape; I: outline and box, Return"
tecla i
sonda esperar-zoom 100 100 200 || fallar "i: the Zoom box or the outline"
import -window root "$salida/captura_zoom_in_x.png"
tecla Escape
imagen 62 "i, Escape: the outline taken away"
tecla I
sonda esperar-zoom 100 100 200 || fallar "I: the Zoom box or the outline"
tecla Return
imagen_acercada 94 "I, Return"

paso "F12 twice on a slow view: the second stops the render; Ctrl+V, F12 renders again"
# A view that takes seconds, its limit 32734 + 32 = 32766 with the step of F2.
sonda vista-lenta || fallar "could not type the slow view"
tecla B
blanco "B"
# Two quick presses: the second stops the render that the first started,
# before or after its thread has drawn a ring.
tecla F12 F12
anillos=$(sonda esperar-detenido) || fallar "F12 F12: the render was not stopped part way"
echo "stopped after $anillos rings"
captura captura_detenido_x.png
tecla ctrl+v F12
imagen 94 "F12 after the stop, on the memorised view"

paso "f, F, p, P: the two dialogs; F11: the About box"
abre_cuadro f "Zoom In-Out Factor" Escape
abre_cuadro F "Zoom In-Out Factor" Escape
abre_cuadro p "Parametros de Enfoque" Escape
abre_cuadro P "Parametros de Enfoque" Escape
abre_cuadro F11 "Acerca de..." Return "Brenquil V${BRENQUIL_VERSION:?the build sets BRENQUIL_VERSION}"

paso "Caps Lock on: b and i still reach their commands"
tecla Caps_Lock
tecla b
blanco "b with Caps Lock"
tecla i
sonda esperar-zoom 100 100 200 || fallar "i with Caps Lock: the Zoom box or the outline"
tecla Escape
sonda esperar-sin-cuadro || fallar "the Zoom box did not close"
tecla Caps_Lock

cerrar_con_alt_f4
