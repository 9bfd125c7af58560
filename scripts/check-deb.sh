#!/usr/bin/env bash
# Installs a built package into a fresh Debian 12 root and starts the program there,
# as on a machine that has never seen it. Needs root, debootstrap and the network to
# Debian's archive.
#   scripts/check-deb.sh build-dev/drvesk_*.deb
set -euo pipefail
deb=$(realpath "${1:?package file}")
root=$(mktemp -d /tmp/drvesk-deb-root.XXXXXX)
cleanup() {
  umount "$root/proc" 2>/dev/null || true
  rm -rf "$root"
}
trap cleanup EXIT
debootstrap --variant=minbase bookworm "$root" http://deb.debian.org/debian >"$root.log" 2>&1
cp "$deb" "$root/tmp/drvesk.deb"
mount -t proc proc "$root/proc"
chroot "$root" bash -c 'apt-get update -qq &&
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq /tmp/drvesk.deb >/dev/null'
chroot "$root" bash -euo pipefail -c '
  test -L /usr/bin/drvesk
  test -f /usr/share/applications/drvesk.desktop
  mkdir -p /tmp/home && cd /tmp
  HOME=/tmp/home QT_QPA_PLATFORM=offscreen drvesk &
  pid=$!
  for _ in $(seq 100); do [ -f /tmp/home/.local/share/Orbena/drvesk/dbVesk.mdb ] && break; sleep 0.1; done
  sleep 1
  kill -TERM $pid
  wait $pid
  test -f /tmp/home/.local/share/Orbena/drvesk/User.xml
  fc-match "ＭＳ Ｐゴシック" >/dev/null
  echo "package installs and runs on a fresh Debian 12 root"'
