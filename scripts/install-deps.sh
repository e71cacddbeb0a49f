#!/usr/bin/env bash
# Installs, with apt-get, the Debian packages that building, running and testing
# need and that are not installed yet. Quiet when nothing is missing.
set -euo pipefail
paquetes=(
  cmake ninja-build g++ clang libclang-rt-14-dev
  googletest libgtest-dev libbenchmark-dev libstb-dev libcli11-dev zlib1g-dev libz-mingw-w64-dev parallel
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  wine wine64 xvfb xdotool x11-utils imagemagick util-linux locales python3
  help2man man-db dpkg-dev file ffmpeg openssh-server openssh-client rsync
)
faltan=()
for p in "${paquetes[@]}"; do
  estado=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  [ "$estado" = installed ] || faltan+=("$p")
done
[ ${#faltan[@]} -eq 0 ] && exit 0
echo "Installing: ${faltan[*]}"
sudo_=()
[ "$(id -u)" -eq 0 ] || sudo_=(sudo)
export DEBIAN_FRONTEND=noninteractive
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
"${sudo_[@]}" apt-get install -y -q --no-install-recommends "${faltan[@]}"
