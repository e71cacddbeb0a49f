#!/usr/bin/env bash
# Zoom Out typed through X (the key o) during a render that takes seconds:
# the window answers within two seconds of the key, because the render is
# stopped after its ring instead of being waited for, and the next picture is
# exactly the zoomed-out view's. sonda.exe takes hold of the render's
# threads before the key and reports when, after they ended, the window
# answered a message; the deadline is counted from the key on one clock.
#
# usage: alejar_x.sh BRENQUIL.EXE SONDA.EXE OUTPUT_FOLDER   (needs $DISPLAY)
set -euo pipefail
. "$(dirname "$0")/comun_x.sh"

# The slow view of the tests (a boundary square of side 1e-7, seconds to
# render on two cores), kept at the limit 32766 by the step 0. Zoomed out 81
# times (the largest factor, the square (-16000, -16000)-(16400, 16400)) it
# escapes fast almost everywhere, so that its reference picture is quick.
x=-0.74364478
y=0.13182526
lado=1e-7
limite=32766

paso "start: the first picture"
iniciar
esperar 10 xdotool windowfocus --sync "$ventana" || fallar "the window did not take the keyboard focus"
sonda esperar-imagen 62 || fallar "first picture"

paso "0, the slow view, the factor 81"
tecla 0
sonda poner-vista "$limite" "$x" "$y" "$lado" || fallar "could not type the slow view"
sonda poner-factor 81 || fallar "could not set the zoom factor"

paso "F12, then o during the render: the window answers within 2 s of the key"
tecla F12
coproc RESPUESTA { "$wine_run" "$sonda_exe" responder-tras-calculo; }
# bash drops RESPUESTA when the coprocess ends: its output is read through a
# copy of the descriptor, so that an early end reads as the end of its output.
exec {de_sonda}<&"${RESPUESTA[0]}"
read -r -t 60 listo <&"$de_sonda" || fallar "sonda did not find the render (it ended, or said nothing for 60 s)"
[ "${listo%$'\r'}" = listo ] || fallar "sonda: $listo"
antes=$(date +%s%3N)
tecla o
read -r -t 150 respuesta <&"$de_sonda" || fallar "sonda saw no answer"
respuesta=${respuesta%$'\r'}
[[ "$respuesta" =~ ^[0-9]+$ ]] || fallar "sonda: $respuesta"
demora=$((respuesta - antes))
echo "the window answered $demora ms after the key"
[ "$demora" -le 2000 ] || fallar "the window answered $demora ms after o, past the 2000 ms deadline"

paso "the next picture is the zoomed-out view's"
sonda esperar-imagen-de "$limite" "$x" "$y" "$lado" -16000 -16000 16400 16400 ||
  fallar "not the slow view zoomed out 81 times"
captura captura_alejar_x.png

cerrar_con_alt_f4
