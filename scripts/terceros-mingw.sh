#!/usr/bin/env bash
# Cross-builds GMP and MPFR for 64-bit Windows with mingw-w64, from the source
# packages of the Debian release this machine runs (apt-get source gmp mpfr4),
# into the prefix given as the argument: DLLs in bin/, import libraries in lib/,
# headers in include/, the licence texts in licencias/. Debian ships no mingw
# build of either. The Windows build's configure step calls it; it does nothing
# when the prefix already holds this build, so a second configure or a rebuilt
# tree reuses it.
#
# Shared libraries only (libgmp-10.dll, libmpfr-6.dll): brenquil-render.exe
# imports them and ships them beside itself, which is all the LGPL asks of a
# program that may be relinked with other builds of them. make -j2, no
# make check: the libraries are Debian's, tested there.
set -euo pipefail

prefijo=$(realpath -m "${1:?usage: terceros-mingw.sh PREFIX}")
host=x86_64-w64-mingw32
# Raise the number when this script changes what it builds.
marca=$prefijo/.brenquil-terceros-2
[ -f "$marca" ] && exit 0

for herramienta in $host-gcc-posix m4 dpkg-source; do
  if ! command -v "$herramienta" >/dev/null; then
    echo "terceros-mingw.sh: $herramienta is missing: run scripts/install-deps.sh" >&2
    exit 1
  fi
done

inicio=$(date +%s)
fuentes=$prefijo/fuentes
rm -rf "$prefijo"
mkdir -p "$fuentes"
cd "$fuentes"
echo "terceros-mingw.sh: fetching the sources of gmp and mpfr4 into $fuentes" >&2
if ! apt-get source -q --download-only gmp mpfr4 >apt.log 2>&1; then
  cat apt.log >&2
  echo "terceros-mingw.sh: apt-get source failed: scripts/install-deps.sh adds the deb-src entry it needs" >&2
  exit 1
fi
for dsc in gmp_*.dsc mpfr4_*.dsc; do
  dpkg-source --no-check -x "$dsc" >/dev/null
done
gmp=$(basename "$(find "$fuentes" -maxdepth 1 -type d -name 'gmp-*' | head -1)")
mpfr=$(basename "$(find "$fuentes" -maxdepth 1 -type d -name 'mpfr4-*' | head -1)")
# Debian's GMP source lacks the manual (doc/), and its patch takes doc/ out of
# configure.ac and Makefile.am, which Debian's build regenerates with autoreconf.
# The same two changes, made to the generated files, spare the autotools.
sed -i 's| doc/Makefile||' "$gmp/configure"
sed -i 's|^\(SUBDIRS = .*\) doc$|\1|' "$gmp/Makefile.in"

# No libgcc DLL to ship: the GCC runtime goes into each DLL. -O2 keeps the
# compilers' default code for the generic x86-64 target of GMP's assembly.
export CC=$host-gcc-posix
export CFLAGS="-O2"
export LDFLAGS="-static-libgcc"
comunes=(--host="$host" --prefix="$prefijo" --enable-shared --disable-static --disable-dependency-tracking)

construir() {  # folder, configure options...
  local carpeta=$1
  shift
  echo "terceros-mingw.sh: building $carpeta for $host" >&2
  mkdir -p "$fuentes/obj-$carpeta"
  (
    cd "$fuentes/obj-$carpeta"
    "$fuentes/$carpeta/configure" "${comunes[@]}" "$@" >configure.log 2>&1 || { tail -30 configure.log >&2; exit 1; }
    make -j2 >make.log 2>&1 || { tail -30 make.log >&2; exit 1; }
    make install >install.log 2>&1 || { tail -30 install.log >&2; exit 1; }
  )
}

# CC_FOR_BUILD: GMP builds and runs small table generators on this machine.
construir "$gmp" CC_FOR_BUILD=gcc
# Thread-safe, as Debian's own build: the exponent range and the flags are
# each thread's (configure cannot test that when cross-compiling). GCC's
# thread-local storage for mingw calls the threads runtime: -Bstatic, which
# LIBS leaves in force for the compiler's own libraries at the end of the
# link, puts it inside the DLL instead of importing libwinpthread-1.dll.
construir "$mpfr" --with-gmp="$prefijo" --enable-thread-safe LIBS="-Wl,-Bstatic"

mkdir -p "$prefijo/licencias/gmp" "$prefijo/licencias/mpfr"
cp "$fuentes/$gmp/COPYING.LESSERv3" "$fuentes/$gmp/COPYINGv3" "$fuentes/$gmp/COPYINGv2" "$prefijo/licencias/gmp/"
cp "$fuentes/$gmp/debian/copyright" "$prefijo/licencias/gmp/copyright"
cp "$fuentes/$mpfr/COPYING.LESSER" "$fuentes/$mpfr/COPYING" "$prefijo/licencias/mpfr/"
cp "$fuentes/$mpfr/debian/copyright" "$prefijo/licencias/mpfr/copyright"
rm -rf "$fuentes"
echo "$gmp $mpfr, built in $(($(date +%s) - inicio)) s" | tee "$marca" >&2
