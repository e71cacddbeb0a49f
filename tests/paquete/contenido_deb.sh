#!/usr/bin/env bash
# Builds the Debian package of brenquil-render with cpack into a temporary
# folder and checks what a Linux user gets: its control fields (the version,
# Depends computed from the program's libraries), exactly the expected files
# (the program, its compressed manual page, the copyright file, the changelog
# and every example view of the source tree); and, unpacked, a stripped
# program that tells the version and draws an example view to a 400 x 400
# PNG, and a manual page that man shows without a warning, with its NAME
# section and the options of --help.
#
# usage: contenido_deb.sh BUILD_TREE VERSION EXAMPLES_FOLDER
#        (the native build tree, its programs and manual page built)
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: contenido_deb.sh BUILD_TREE VERSION EXAMPLES_FOLDER" >&2; exit 2; }
arbol=$(realpath "$1")
version=$2
ejemplos=$(realpath "$3")

carpeta=$(mktemp -d)
trap 'rm -rf "$carpeta"' EXIT
fallos=0
fallar() { echo "FAIL: $*" >&2; fallos=$((fallos + 1)); }

cpack --config "$arbol/CPackConfig.cmake" -B "$carpeta/cpack" >"$carpeta/cpack.log" 2>&1 \
  || { cat "$carpeta/cpack.log" >&2; echo "FAIL: cpack failed" >&2; exit 1; }
debs=("$carpeta"/cpack/brenquil-render_"$version"_*.deb)
deb=${debs[0]}
[ -f "$deb" ] || { ls -R "$carpeta/cpack" >&2; echo "FAIL: cpack wrote no brenquil-render_${version}_*.deb" >&2; exit 1; }
echo "$(basename "$deb"): $(stat -c %s "$deb") bytes"

# (a) The control fields.
[ "$(dpkg-deb -f "$deb" Package)" = brenquil-render ] || fallar "Package: $(dpkg-deb -f "$deb" Package)"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fallar "Version: $(dpkg-deb -f "$deb" Version), not $version"
depende=$(dpkg-deb -f "$deb" Depends)
[[ "$depende" == *libc6* && "$depende" == *zlib1g* ]] || fallar "Depends does not name the C library and zlib: $depende"

# (b) The files, no more and no fewer.
doc=usr/share/doc/brenquil-render
esperados=(usr/bin/brenquil-render usr/share/man/man1/brenquil-render.1.gz "$doc/copyright" "$doc/changelog.gz")
for e in "$ejemplos"/*.str; do esperados+=("$doc/examples/$(basename "$e")"); done
[ ${#esperados[@]} -gt 4 ] || fallar "no example views in $ejemplos"
diferencia=$(diff <(printf '%s\n' "${esperados[@]}" | sort) \
                  <(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }' | sort)) \
  || fallar "the package's files differ from the expected ones (< expected, > in the package):"$'\n'"$diferencia"

# (c) Unpacked, the program runs and draws; the copyright file gives the
# terms of the libraries it links.
raiz=$carpeta/raiz
dpkg-deb -x "$deb" "$raiz"
for biblioteca in "GNU MP" "GNU MPFR" "License: LGPL-3+"; do
  grep -q "$biblioteca" "$raiz/$doc/copyright" || fallar "the copyright file does not name $biblioteca"
done
programa=$raiz/usr/bin/brenquil-render
if [ -x "$programa" ]; then
  [[ "$(file -b "$programa")" == *", stripped"* ]] || fallar "the program keeps its symbol table: $(file -b "$programa")"
  dicho=$("$programa" --version 2>&1) || true
  [ "$dicho" = "brenquil-render $version" ] || fallar "--version printed: $dicho"
  vista=$(cd "$raiz/$doc/examples" && ls -- *.str | head -1)
  if "$programa" "$raiz/$doc/examples/$vista" -o "$carpeta/vista.png" </dev/null 2>"$carpeta/render.err"; then
    medida=$(identify -format '%wx%h' "$carpeta/vista.png" 2>&1) || true
    [ "$medida" = 400x400 ] || fallar "the unpacked program drew $vista as: $medida"
  else
    fallar "the unpacked program failed on $vista: $(cat "$carpeta/render.err")"
  fi
fi

# (d) The manual page: man shows it without a warning, with its NAME and the
# options of --help.
manual=$raiz/usr/share/man/man1/brenquil-render.1.gz
if [ -f "$manual" ]; then
  LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$manual" >"$carpeta/manual.txt" 2>"$carpeta/manual.err" \
    || fallar "man -l failed: $(cat "$carpeta/manual.err")"
  [ ! -s "$carpeta/manual.err" ] || fallar "man warns about the page: $(cat "$carpeta/manual.err")"
  grep -q '^NAME' "$carpeta/manual.txt" && grep -q '^ *brenquil-render - ' "$carpeta/manual.txt" \
    || fallar "the page has no NAME section naming brenquil-render"
  for opcion in --size --supersample --center --save-view; do
    grep -q -- "$opcion" "$carpeta/manual.txt" || fallar "the page does not show $opcion"
  done
fi

[ $fallos -eq 0 ] || exit 1
echo "PASS: $(basename "$deb") holds ${#esperados[@]} files; its program draws $vista; its manual page reads"
