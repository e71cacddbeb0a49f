#!/usr/bin/env bash
# Runs the README's recipe for a movie on several machines (the shell block
# that follows the line "<!-- receta: maquinas -->") as written, through GNU
# parallel, with two ssh servers of its own on this host as the machines
# maquina1 and maquina2: OpenSSH's sshd on free loopback ports, with their host
# keys, a user key and the keys they accept made in a temporary folder, and an
# ssh configuration there that parallel's ssh reads (PARALLEL_SSH). Each
# machine logs in to a home folder of its own, with the built brenquil-render
# first on its PATH (sshd's ForceCommand and SetEnv). Neither the system's ssh
# configuration, nor ~/.ssh, nor the system's ssh service is used.
#
# It requires the frames that came back to be byte for byte those of one
# machine's run, each frame drawn once and both machines to have drawn some,
# and nothing left behind: no file in either machine's home, nothing new in
# the user's home, no process.
#
# usage: receta_maquinas.sh README.md BRENQUIL_RENDER
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: receta_maquinas.sh README.md BRENQUIL_RENDER" >&2; exit 2; }
. "$(dirname "$0")/receta.sh"
fallar() { echo "FAIL: $*" >&2; exit 1; }
programa=$(realpath "$2")
maquinas=(maquina1 maquina2)

casa_antes=$(ls -A "$HOME")
ssh_antes=$(ls -A "$HOME/.ssh" 2>/dev/null || true)
preparar_receta maquinas "$1" "$2"
ssh_dir=
servidores=()
terminar() {
  local pid
  for pid in "${servidores[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${servidores[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$carpeta" ${ssh_dir:+"$ssh_dir"}
}
trap terminar EXIT
trap 'exit 1' INT TERM HUP
ssh_dir=$(mktemp -d)
usuario=$(id -un)
ssh-keygen -q -t ed25519 -N '' -C brenquil-prueba -f "$ssh_dir/usuario"
cp "$ssh_dir/usuario.pub" "$ssh_dir/autorizadas"

# Runs /usr/sbin/sshd with these arguments. As root, sshd wants its empty
# privilege separation folder /run/sshd, which the system's service makes
# when it starts: without one, sshd gets one of its own, in a /run of its own
# (a private mount namespace), so that the system's /run is left as it is.
# sshd is the process started (unshare and sh exec it).
sshd_propio() {
  if [ "$(id -u)" -eq 0 ] && [ ! -d /run/sshd ]; then
    exec unshare --mount sh -c 'mount -t tmpfs -o mode=755 tmpfs /run && mkdir -m 755 /run/sshd && exec "$@"' \
      sh /usr/sbin/sshd "$@"
  else
    exec /usr/sbin/sshd "$@"
  fi
}

# Starts the ssh server of machine $1 on a free port, into $puerto: a port
# taken by someone else makes sshd exit, and another is tried.
arrancar() {
  local m=$1 registro=$ssh_dir/$1.log intento pid limite
  for intento in 1 2 3 4 5 6 7 8; do
    puerto=$((20000 + RANDOM % 40000))
    cat >"$ssh_dir/$m.conf" <<EOF
ListenAddress 127.0.0.1
Port $puerto
HostKey $ssh_dir/$m-clave
PidFile none
AuthorizedKeysFile $ssh_dir/autorizadas
AuthenticationMethods publickey
PasswordAuthentication no
KbdInteractiveAuthentication no
PermitRootLogin prohibit-password
AllowUsers $usuario
StrictModes no
SetEnv PATH=$ssh_dir/$m-bin:/usr/local/bin:/usr/bin:/bin HOME=$ssh_dir/$m
ForceCommand cd $ssh_dir/$m && exec "\$SHELL" -c "\$SSH_ORIGINAL_COMMAND"
EOF
    (sshd_propio -t -f "$ssh_dir/$m.conf") || fallar "sshd refuses its configuration"
    (sshd_propio -D -e -f "$ssh_dir/$m.conf") >"$registro" 2>&1 &
    pid=$!
    servidores+=("$pid")
    limite=$((SECONDS + 20))
    while kill -0 "$pid" 2>/dev/null && ! grep -q "Server listening on 127.0.0.1 port $puerto" "$registro"; do
      [ $SECONDS -lt $limite ] || fallar "sshd of $m not listening after 20 s: $(cat "$registro")"
      sleep 0.05
    done
    kill -0 "$pid" 2>/dev/null && return 0
    wait "$pid" || true
    unset 'servidores[-1]'
    grep -q "Address already in use" "$registro" || fallar "sshd of $m did not start: $(cat "$registro")"
  done
  fallar "no free port for $m"
}

for m in "${maquinas[@]}"; do
  # The machine's home, and its PATH's brenquil-render, which notes the
  # frames it is asked for before it draws them.
  mkdir "$ssh_dir/$m" "$ssh_dir/$m-bin"
  printf '#!/bin/sh\necho "$*" >>%s\nexec %s "$@"\n' "$ssh_dir/$m.dibujados" "$programa" >"$ssh_dir/$m-bin/brenquil-render"
  chmod +x "$ssh_dir/$m-bin/brenquil-render"
  ssh-keygen -q -t ed25519 -N '' -C "$m" -f "$ssh_dir/$m-clave"
  echo "$m $(cut -d' ' -f1,2 "$ssh_dir/$m-clave.pub")" >>"$ssh_dir/conocidas"
  arrancar "$m"
  cat >>"$ssh_dir/ssh_config" <<EOF
Host $m
  HostName 127.0.0.1
  Port $puerto
  HostKeyAlias $m
EOF
done
cat >>"$ssh_dir/ssh_config" <<EOF
Host *
  User $usuario
  IdentityFile $ssh_dir/usuario
  IdentitiesOnly yes
  IdentityAgent none
  UserKnownHostsFile $ssh_dir/conocidas
  GlobalKnownHostsFile /dev/null
  StrictHostKeyChecking yes
  UpdateHostKeys no
  BatchMode yes
  LogLevel ERROR
EOF
export PARALLEL_SSH="ssh -F $ssh_dir/ssh_config"
# parallel keeps what it learns of the machines here, not in ~/.parallel.
export PARALLEL_HOME=$ssh_dir/parallel

echo "$receta"
bash -euo pipefail -c "$receta"

# The same movie on this machine alone: the command the recipe gives each
# machine, with every frame and into a folder of its own.
orden=$(printf '%s\n' "$receta" | sed -e ':a' -e '/\\$/{N;s/\\\n//;ba' -e '}' | sed -n 's/^parallel .* \(brenquil-render .*\) :::.*/\1/p')
[ -n "$orden" ] || fallar "no brenquil-render command in the recipe's parallel line"
read -ra palabras <<<"$orden"
sola=()
for ((i = 0; i < ${#palabras[@]}; i++)); do
  case ${palabras[i]} in
    --frame-range) i=$((i + 1)) ;;
    -o) sola+=(-o "una/${palabras[i + 1]}"); i=$((i + 1)) ;;
    *) sola+=("${palabras[i]}") ;;
  esac
done
mkdir una
"${sola[@]}"

fotogramas=$(ls una | wc -l)
[ "$fotogramas" -ge 2 ] || fallar "one machine drew $fotogramas frames"
for f in una/*; do
  cmp "$f" "${f#una/}" || fallar "${f#una/} is not the frame one machine draws"
done
[ "$(ls frame-* | wc -l)" = "$fotogramas" ] || fallar "$(ls frame-* | wc -l) frames came back, the movie has $fotogramas"
for m in "${maquinas[@]}"; do
  [ -s "$ssh_dir/$m.dibujados" ] || fallar "$m drew no frame"
done
dibujados=$(cat "$ssh_dir"/*.dibujados | wc -l)
[ "$dibujados" = "$fotogramas" ] || fallar "the machines drew $dibujados frames for $fotogramas"

# Nothing left: on the machines, in the user's home, or running. The
# servers' sessions end once parallel is done; the servers end here.
for m in "${maquinas[@]}"; do
  [ -z "$(ls -A "$ssh_dir/$m")" ] || fallar "left on $m: $(ls -A "$ssh_dir/$m")"
done
[ "$(ls -A "$HOME")" = "$casa_antes" ] || fallar "the user's home changed: $(ls -A "$HOME")"
[ "$(ls -A "$HOME/.ssh" 2>/dev/null)" = "$ssh_antes" ] || fallar "~/.ssh changed: $(ls -A "$HOME/.ssh")"
for pid in "${servidores[@]}"; do
  limite=$((SECONDS + 20))
  while pgrep -P "$pid" >/dev/null; do
    [ $SECONDS -lt $limite ] || fallar "a session of sshd $pid still runs after 20 s"
    sleep 0.05
  done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
done
servidores=()
quedan=$(pgrep -f "$ssh_dir" || true)
[ -z "$quedan" ] || fallar "processes left: $(ps -o pid=,args= -p "${quedan//$'\n'/,}")"
echo "PASS: the $fotogramas frames drawn on ${maquinas[*]} are one machine's, and nothing is left there"
