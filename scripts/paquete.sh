#!/usr/bin/env bash
# Builds the zip for Windows users, from a fresh clone on Debian: installs what
# is missing, configures the `windows` preset, builds the two programs it
# ships and packs them with cpack, with the read-me and the example views.
# The last line printed is the zip's path:
# build/windows/paquete/brenquil-<version>-windows-x86_64.zip.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target brenquil brenquil_render
# cpack packs what is built; it builds nothing itself with Ninja.
cpack --config build/windows/CPackConfig.cmake
nombre=$(sed -n 's/^set(CPACK_PACKAGE_FILE_NAME "\(.*\)")$/\1/p' build/windows/CPackConfig.cmake)
zip=$PWD/build/windows/paquete/$nombre.zip
[ -n "$nombre" ] && [ -f "$zip" ] || { echo "paquete.sh: cpack wrote no zip" >&2; exit 1; }
echo "$zip"
