#!/usr/bin/env bash
# Runs the README's test command as a new user would: in a fresh Debian 12 root made
# with debootstrap, on a clone of the repository's committed HEAD, with nothing
# installed but what the scripts install themselves. A missing install step fails here
# before it reaches a user. Needs root and the network to Debian's archive; the root is
# removed afterwards unless KEEP_ROOT=1.
#   scripts/fresh-check.sh [LOG_FILE]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
log=${1:-/tmp/drvesk-fresh-check.log}
[ "$(id -u)" -eq 0 ] || { echo "fresh-check: run as root (debootstrap, chroot)" >&2; exit 1; }
command -v debootstrap >/dev/null || {
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null
}

root=$(mktemp -d /tmp/drvesk-fresh-root.XXXXXX)
# A root folder of mode 0700 would keep every user but root out of the whole tree; the
# tests run some programs as "nobody".
chmod 0755 "$root"
mounts=()
cleanup() {
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do umount -l "${mounts[i]}" 2>/dev/null || true; done
  [ "${KEEP_ROOT:-0}" = 1 ] || rm -rf --one-file-system "$root"
}
trap cleanup EXIT
bind() {
  mkdir -p "$root$1"
  mount "${@:2}" "$root$1"
  mounts+=("$root$1")
}

echo "fresh-check: making a Debian 12 root in $root (log: $log)"
debootstrap --variant=minbase bookworm "$root" http://deb.debian.org/debian >"$log" 2>&1
# Only what the README assumes a user has: git to clone, nothing else.
chroot "$root" bash -c 'apt-get update -qq &&
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends git ca-certificates' \
  >>"$log" 2>&1
# The root trusts what this machine trusts: a network whose proxy signs with a local
# authority would otherwise fail every download made over TLS (npm's, for one).
if compgen -G "/usr/local/share/ca-certificates/*.crt" >/dev/null; then
  cp /usr/local/share/ca-certificates/*.crt "$root/usr/local/share/ca-certificates/"
  chroot "$root" update-ca-certificates >>"$log" 2>&1
fi
git clone -q --no-local "$here" "$root/home/drvesk"
bind /proc -t proc proc
bind /sys -t sysfs sys
bind /dev --bind /dev
bind /dev/pts --bind /dev/pts
bind /dev/shm -t tmpfs tmpfs

echo "fresh-check: running bash scripts/test.sh on $(git -C "$here" rev-parse --short HEAD)"
start=$(date +%s)
status=0
chroot "$root" env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  HOME=/root LANG=C.UTF-8 ${NODE_EXTRA_CA_CERTS:+NODE_EXTRA_CA_CERTS=/etc/ssl/certs/ca-certificates.crt} \
  bash -c 'cd /home/drvesk && bash scripts/test.sh' >>"$log" 2>&1 ||
  status=$?
echo "fresh-check: exit status $status after $(($(date +%s) - start)) s"
grep -E '^[0-9]+% tests passed|tests failed out of|\(Failed\)|\(Timeout\)|\(Subprocess' "$log" || true
exit "$status"
