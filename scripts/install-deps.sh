#!/usr/bin/env bash
# Installs, with apt-get, the Debian packages that building, running and testing
# need and that are not installed yet. Quiet when nothing is missing.
set -euo pipefail
paquetes=(
  cmake ninja-build g++ clang libclang-rt-14-dev
  googletest libgtest-dev libbenchmark-dev libstb-dev libcli11-dev zlib1g-dev libz-mingw-w64-dev parallel
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  wine wine64 xvfb xdotool x11-utils imagemagick util-linux locales python3
  help2man man-db dpkg-dev file ffmpeg
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
"${sudo_[@]}" apt-get update -q
"${sudo_[@]}" apt-get install -y -q --no-install-recommends "${faltan[@]}"
