#!/usr/bin/env bash
# Installs, with apt-get, the Debian packages that building, running and testing
# need and that are not installed yet. Quiet when nothing is missing.
set -euo pipefail
paquetes=(
  cmake ninja-build g++ clang libclang-rt-14-dev
  googletest libgtest-dev libbenchmark-dev libstb-dev libcli11-dev zlib1g-dev libz-mingw-w64-dev parallel
  libmpfr-dev libgmp-dev m4
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  wine wine64 xvfb xdotool x11-utils imagemagick util-linux locales python3
  help2man man-db dpkg-dev file ffmpeg openssh-server openssh-client rsync
)
faltan=()
for p in "${paquetes[@]}"; do
  estado=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  [ "$estado" = installed ] || faltan+=("$p")
done
# The Windows build cross-builds GMP and MPFR from Debian's source packages
# (scripts/terceros-mingw.sh runs apt-get source): apt needs a deb-src entry.
fuentes=/etc/apt/sources.list.d/brenquil-fuentes.list
con_fuentes=0
apt-cache showsrc --only-source mpfr4 2>/dev/null | grep -q '^Package: mpfr4' && con_fuentes=1
[ ${#faltan[@]} -eq 0 ] && [ $con_fuentes -eq 1 ] && exit 0
sudo_=()
[ "$(id -u)" -eq 0 ] || sudo_=(sudo)
export DEBIAN_FRONTEND=noninteractive
# The deb-src lines of the Debian archive's deb entries (URI ending in
# /debian), with their suites, components and keyring: from one-line .list
# files and from deb822 .sources files.
lineas_deb_src() {
  shopt -s nullglob
  local listas=(/etc/apt/sources.list /etc/apt/sources.list.d/*.list) fuentes822=(/etc/apt/sources.list.d/*.sources)
  shopt -u nullglob
  for f in "${listas[@]}"; do
    [ -f "$f" ] && [ "$f" != "$fuentes" ] && awk '$1 == "deb" && $0 ~ /\/debian\/? / { sub(/^deb/, "deb-src"); print }' "$f"
  done
  [ ${#fuentes822[@]} -eq 0 ] || awk '
    function emitir(   i, j, n, m, u, s, opc) {
      if (tipos !~ /(^| )deb( |$)/ || tolower(activo) == "no") return
      opc = (clave != "" && clave !~ /BEGIN/) ? " [signed-by=" clave "]" : ""
      n = split(uris, u, " "); m = split(suites, s, " ")
      for (i = 1; i <= n; i++) if (u[i] ~ /\/debian\/?$/)
        for (j = 1; j <= m; j++) print "deb-src" opc " " u[i] " " s[j] " " componentes
    }
    /^#/ { next }
    /^[ \t]*$/ { emitir(); tipos = uris = suites = componentes = clave = activo = ""; next }
    /^Types:/ { tipos = $0; sub(/^Types:[ \t]*/, "", tipos) }
    /^URIs:/ { uris = $0; sub(/^URIs:[ \t]*/, "", uris) }
    /^Suites:/ { suites = $0; sub(/^Suites:[ \t]*/, "", suites) }
    /^Components:/ { componentes = $0; sub(/^Components:[ \t]*/, "", componentes) }
    /^Signed-By:/ { clave = $0; sub(/^Signed-By:[ \t]*/, "", clave) }
    /^Enabled:/ { activo = $0; sub(/^Enabled:[ \t]*/, "", activo) }
    END { emitir() }' "${fuentes822[@]}"
}
if [ $con_fuentes -eq 0 ] && [ ! -e "$fuentes" ]; then
  entradas=$(lineas_deb_src | sort -u)
  if [ -n "$entradas" ]; then
    echo "Adding deb-src entries for apt-get source: $fuentes"
    printf '%s\n' "$entradas" | "${sudo_[@]}" tee "$fuentes" >/dev/null
  fi
fi
[ ${#faltan[@]} -gt 0 ] && echo "Installing: ${faltan[*]}"
# The tests run sshd programs of their own, never the system's service: while
# apt installs, a policy that answers "do not start" (101) keeps openssh-server
# from starting one (which fails in a container without an init system), unless
# the machine has a policy of its own.
politica=/usr/sbin/policy-rc.d
if [ ! -e "$politica" ]; then
  trap '"${sudo_[@]}" rm -f "$politica"' EXIT
  printf '#!/bin/sh\nexit 101\n' | "${sudo_[@]}" tee "$politica" >/dev/null
  "${sudo_[@]}" chmod 755 "$politica"
fi
"${sudo_[@]}" apt-get update -q
[ ${#faltan[@]} -eq 0 ] || "${sudo_[@]}" apt-get install -y -q --no-install-recommends "${faltan[@]}"
