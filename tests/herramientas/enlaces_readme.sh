#!/usr/bin/env bash
# Every picture and file that the README links to by a relative path exists,
# so that the README shows its pictures on a code-hosting page.
#
# usage: enlaces_readme.sh README.md
set -euo pipefail
readme=$(realpath "$1")
cd "$(dirname "$readme")"
faltan=0
enlaces=0
while IFS= read -r destino; do
  enlaces=$((enlaces + 1))
  [ -e "$destino" ] || { echo "FAIL: the README links to $destino, which does not exist" >&2; faltan=$((faltan + 1)); }
done < <(grep -o '](\([^)#:]*\))' "$readme" | sed 's/^](\(.*\))$/\1/')
[ "$enlaces" -gt 0 ] || { echo "FAIL: no relative links found in $readme" >&2; exit 1; }
[ "$faltan" -eq 0 ] || exit 1
echo "PASS: $enlaces relative links, all present"
