#!/usr/bin/env bash
# Runs the keyring's test (tests/keyring) against a real GNOME Keyring, each case on a
# session bus of its own and in a home folder of its own, never the machine's:
#   unlocked   the login keyring opened by its password, as a desktop login does
#   locked     the same keyring, left locked, with no display for its prompt
#   noservice  a bus on which nothing provides the secret service
#   nobus      no session bus at all (the address names no socket)
#   bash scripts/keyring-test.sh build-dev/tests/tst_desktopkeyring
set -euo pipefail

# Inside a private bus: starts the keyring (unlocked with $2 when given), runs the test.
if [ "${1:-}" = --inside ]; then
  shift
  case_name=$1 unlock=$2 test_bin=$3
  if [ -n "$unlock" ]; then
    printf %s "$unlock" | gnome-keyring-daemon --foreground --unlock --components=secrets \
      >"$XDG_RUNTIME_DIR/keyring.log" 2>&1 &
  else
    gnome-keyring-daemon --foreground --components=secrets >"$XDG_RUNTIME_DIR/keyring.log" 2>&1 &
  fi
  keyring_pid=$!
  for _ in $(seq 100); do
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
      org.freedesktop.DBus.NameHasOwner string:org.freedesktop.secrets 2>/dev/null |
      grep -q 'boolean true' && break
    sleep 0.1
  done
  status=0
  DRVESK_KEYRING_CASE=$case_name "$test_bin" || status=$?
  kill "$keyring_pid" 2>/dev/null || true
  wait "$keyring_pid" 2>/dev/null || true
  exit $status
fi

test_bin=$(realpath "$1")
command -v gnome-keyring-daemon >/dev/null || { echo "gnome-keyring is missing" >&2; exit 1; }
command -v dbus-run-session >/dev/null || { echo "dbus-run-session is missing" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home XDG_DATA_HOME=$work/home/.local/share XDG_RUNTIME_DIR=$work/run
export XDG_CONFIG_HOME=$work/home/.config XDG_CACHE_HOME=$work/home/.cache
mkdir -p "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
# A prompt to unlock the keyring would wait for a person: there is no display to show it.
unset DISPLAY WAYLAND_DISPLAY

# A bus with no services to start: nothing answers for org.freedesktop.secrets.
cat >"$work/bare-bus.conf" <<'CONF'
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF

status=0
run() {
  echo "== $1"
  shift
  "$@" || { status=1; echo "== failed" >&2; }
}
# The first case leaves an item in the keyring for the locked case to find locked away.
run unlocked dbus-run-session -- bash "$0" --inside unlocked keyring-password "$test_bin"
run locked dbus-run-session -- bash "$0" --inside locked "" "$test_bin"
run noservice dbus-run-session --config-file="$work/bare-bus.conf" -- \
  env DRVESK_KEYRING_CASE=noservice "$test_bin"
run nobus env DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus" \
  DRVESK_KEYRING_CASE=nobus "$test_bin"
exit $status
