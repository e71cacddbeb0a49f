# Sourced by the GUI tests that drive brenquil.exe through X (arrastre_x.sh,
# teclas_x.sh): their arguments, the helpers they share, starting the program
# under Wine and ending it with Alt+F4.
#
# usage of the sourcing script: SCRIPT BRENQUIL.EXE SONDA.EXE OUTPUT_FOLDER   (needs $DISPLAY)
[ $# -eq 3 ] || { echo "usage: $0 BRENQUIL.EXE SONDA.EXE OUTPUT_FOLDER" >&2; exit 2; }
exe=$1
sonda_exe=$2
salida=$3
wine_run=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../scripts" && pwd)/wine-run
[ -n "${DISPLAY:-}" ] || { echo "no DISPLAY" >&2; exit 2; }

pid=
ventana=
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
tecla() { xdotool key "$@"; }
# A screenshot of the program's X window into the output folder.
captura() { import -window "$ventana" "$salida/$1"; }

# Starts brenquil.exe under Wine and waits for its X window.
iniciar() {
  "$wine_run" "$exe" &
  pid=$!
  # Only a mapped (viewable) window can take the focus or be screenshot.
  esperar 60 xdotool search --onlyvisible --name '^Brenquil$' || fallar "no visible X window named Brenquil"
  ventana=$(xdotool search --onlyvisible --name '^Brenquil$' | head -1)
}

# Alt+F4 must end the program within 30 s with exit code 0.
cerrar_con_alt_f4() {
  paso "Alt+F4: the program ends with exit code 0"
  tecla alt+F4
  esperar 30 bash -c "! kill -0 $pid" || fallar "the program did not end within 30 s of Alt+F4"
  local codigo=0
  wait "$pid" || codigo=$?
  pid=
  [ "$codigo" -eq 0 ] || fallar "exit code $codigo"
  echo "PASS"
}
