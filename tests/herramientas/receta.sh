# Sourced by the tests of the README's recipes: runs the shell block that
# follows the line "<!-- receta: NAME -->" in README.md, as written, in a new
# temporary folder (removed on exit) that stays the current folder, with the
# built brenquil-render first on the PATH. The block is left in $receta.
#
# usage: correr_receta NAME README.md BRENQUIL_RENDER
correr_receta() {
  preparar_receta "$@"
  echo "$receta"
  bash -euo pipefail -c "$receta"
}

# What correr_receta does before it runs the block: the folder $carpeta (the
# current folder from then on), $carpeta/bin first on the PATH, and the block
# in $receta.
preparar_receta() {
  local nombre=$1 readme programa
  readme=$(realpath "$2")
  programa=$(realpath "$3")
  carpeta=$(mktemp -d)
  trap 'rm -rf "$carpeta"' EXIT
  mkdir "$carpeta/bin"
  ln -s "$programa" "$carpeta/bin/brenquil-render"
  export PATH="$carpeta/bin:$PATH"
  receta=$(awk -v marca="<!-- receta: $nombre -->" '$0 == marca { visto = 1; next }
                visto && /^```/ { if (dentro) exit; dentro = 1; next }
                dentro { print }' "$readme")
  [ -n "$receta" ] || { echo "FAIL: no recipe after <!-- receta: $nombre --> in $readme" >&2; exit 1; }
  cd "$carpeta"
}
