# Sourced with the prefix folder as its argument: exports the Wine settings of
# the project (private prefix, no debug output, no Mono or Gecko prompts, no
# debugger started on a crash: a crashing process ends, and whatever waits on
# it goes on, instead of waiting for a debugger that nobody answers) and
# makes the prefix once, under a lock so that parallel callers wait for it.
export WINEPREFIX=$1
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
export WINEARCH=win64
if [ ! -f "$WINEPREFIX/.brenquil-listo" ]; then
  mkdir -p "$WINEPREFIX"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.brenquil-listo" ]; then
      DISPLAY= wineboot --init >/dev/null 2>&1 || true
      wineserver -w
      touch "$WINEPREFIX/.brenquil-listo"
    fi
  ) 9>"$WINEPREFIX.lock"
fi
