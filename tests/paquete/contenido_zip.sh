#!/usr/bin/env bash
# Builds the Windows zip with cpack into a temporary folder, unpacks it and
# checks what a Windows user gets: exactly the expected files (both programs,
# the DLLs of GMP and MPFR with their licence texts, the read-me naming the
# version and every example view, the example views of the source tree);
# programs and DLLs that import only DLLs every Windows system has, besides
# the shipped DLLs for brenquil-render.exe and MPFR's DLL (brenquil.exe none
# of them); and a brenquil-render.exe, run from the unpacked folder under
# Wine, that draws an example view to a 400 x 400 PNG.
#
# usage: contenido_zip.sh BUILD_TREE VERSION EXAMPLES_FOLDER OBJDUMP WINE_RUN
#        (the build tree's programs built; its Wine prefix is used)
set -euo pipefail
[ $# -eq 5 ] || { echo "usage: contenido_zip.sh BUILD_TREE VERSION EXAMPLES_FOLDER OBJDUMP WINE_RUN" >&2; exit 2; }
arbol=$(realpath "$1")
version=$2
ejemplos=$(realpath "$3")
objdump=$4
wine_run=$(realpath "$5")

# The system DLLs the two programs may import: the C runtime and the parts of
# Win32 they call (the window, GDI, the file dialogs).
permitidas=(kernel32.dll user32.dll gdi32.dll comdlg32.dll msvcrt.dll)
# GMP and MPFR, beside brenquil-render.exe, which alone may import them.
enviadas=(libgmp-10.dll libmpfr-6.dll)
licencias=(licencias/gmp/COPYING.LESSERv3 licencias/gmp/COPYINGv3 licencias/gmp/COPYINGv2 licencias/gmp/copyright
           licencias/mpfr/COPYING.LESSER licencias/mpfr/COPYING licencias/mpfr/copyright)

carpeta=$(mktemp -d)
trap 'rm -rf "$carpeta"' EXIT
fallos=0
fallar() { echo "FAIL: $*" >&2; fallos=$((fallos + 1)); }

nombre=brenquil-$version-windows-x86_64
cpack --config "$arbol/CPackConfig.cmake" -B "$carpeta/cpack" >"$carpeta/cpack.log" 2>&1 \
  || { cat "$carpeta/cpack.log" >&2; echo "FAIL: cpack failed" >&2; exit 1; }
zip=$carpeta/cpack/$nombre.zip
[ -f "$zip" ] || { ls -R "$carpeta/cpack" >&2; echo "FAIL: cpack wrote no $nombre.zip" >&2; exit 1; }
mkdir "$carpeta/zip"
(cd "$carpeta/zip" && cmake -E tar xf "$zip")
raiz=$carpeta/zip/$nombre
[ -d "$raiz" ] || { echo "FAIL: the zip has no folder $nombre" >&2; exit 1; }
echo "$nombre.zip: $(stat -c %s "$zip") bytes"

# (a) The files, no more and no fewer.
esperados=(brenquil.exe brenquil-render.exe LEEME.txt "${enviadas[@]}" "${licencias[@]}")
for e in "$ejemplos"/*.str; do esperados+=("examples/$(basename "$e")"); done
[ ${#esperados[@]} -gt 12 ] || fallar "no example views in $ejemplos"
diferencia=$(diff <(printf '%s\n' "${esperados[@]}" | sort) <(cd "$raiz" && find . -type f | sed 's|^\./||' | sort)) \
  || fallar "the zip's files differ from the expected ones (< expected, > in the zip):"$'\n'"$diferencia"
if [ -f "$raiz/LEEME.txt" ]; then
  primera=$(head -1 "$raiz/LEEME.txt" | tr -d '\r')
  [ "$primera" = "Brenquil $version for Windows (64-bit)" ] || fallar "the read-me begins \"$primera\""
  for e in "$ejemplos"/*.str; do
    grep -q "$(basename "$e")" "$raiz/LEEME.txt" || fallar "the read-me does not name $(basename "$e")"
  done
fi
for e in "$ejemplos"/*.str; do
  cmp -s "$e" "$raiz/examples/$(basename "$e")" || fallar "examples/$(basename "$e") is not the source tree's file"
done

# (b) Each program's and DLL's import table against the allow-list.
for exe in brenquil.exe brenquil-render.exe "${enviadas[@]}"; do
  [ -f "$raiz/$exe" ] || continue
  mapfile -t dlls < <("$objdump" -p "$raiz/$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
  echo "$exe imports: ${dlls[*]}"
  [ ${#dlls[@]} -gt 0 ] || fallar "$exe: no import table read"
  otras=()
  [ "$exe" = brenquil.exe ] || otras=("${enviadas[@]}")
  for d in "${dlls[@]}"; do
    minusculas=${d,,}
    permitida=0
    for p in "${permitidas[@]}" "${otras[@]}"; do [ "$minusculas" = "$p" ] && permitida=1; done
    [ $permitida -eq 1 ] || fallar "$exe imports $d, which Windows does not provide and the zip does not hold for it"
  done
done

# (c) The unpacked brenquil-render.exe draws an example view.
vista=$(cd "$ejemplos" && ls -- *.str | head -1)
if [ -f "$raiz/brenquil-render.exe" ]; then
  cd "$raiz"
  if BRENQUIL_WINEPREFIX=$arbol/wineprefix "$wine_run" "$raiz/brenquil-render.exe" \
       "examples/$vista" -o vista.png </dev/null 2>"$carpeta/render.err"; then
    medida=$(identify -format '%wx%h' vista.png 2>&1) || true
    [ "$medida" = 400x400 ] || fallar "brenquil-render.exe drew examples/$vista as: $medida"
  else
    fallar "brenquil-render.exe from the zip failed on examples/$vista: $(cat "$carpeta/render.err")"
  fi
fi

[ $fallos -eq 0 ] || exit 1
echo "PASS: $nombre.zip holds ${#esperados[@]} files, imports only system DLLs, draws examples/$vista"
