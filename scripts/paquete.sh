#!/usr/bin/env bash
# Builds the release packages from a fresh clone on Debian: installs what is
# missing, then
# - the Debian package of brenquil-render for Linux users: the `native`
#   preset (a Release build) and cpack, which strips the program and packs it
#   with its manual page, the example views and the copyright file;
# - the zip for Windows users: the `windows` preset, the two programs it ships,
#   packed by cpack with the read-me and the example views.
# It prints the two paths, the zip's last:
# build/native/paquete/brenquil-render_<version>_<architecture>.deb
# build/windows/paquete/brenquil-<version>-windows-x86_64.zip
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

# The file name that a build tree's CPack configuration gives its package.
nombre_paquete() { sed -n "s/^set($2 \"\(.*\)\")$/\1/p" "$1/CPackConfig.cmake"; }

cmake --preset native >/dev/null
cmake --build --preset native --target brenquil_render manual_render
cpack --config build/native/CPackConfig.cmake
deb=$PWD/build/native/paquete/$(nombre_paquete build/native CPACK_DEBIAN_FILE_NAME)
[ "$deb" != "$PWD/build/native/paquete/" ] && [ -f "$deb" ] || { echo "paquete.sh: cpack wrote no .deb" >&2; exit 1; }

cmake --preset windows >/dev/null
cmake --build --preset windows --target brenquil brenquil_render
# cpack packs what is built; it builds nothing itself with Ninja.
cpack --config build/windows/CPackConfig.cmake
nombre=$(nombre_paquete build/windows CPACK_PACKAGE_FILE_NAME)
zip=$PWD/build/windows/paquete/$nombre.zip
[ -n "$nombre" ] && [ -f "$zip" ] || { echo "paquete.sh: cpack wrote no zip" >&2; exit 1; }
echo "$deb"
echo "$zip"
