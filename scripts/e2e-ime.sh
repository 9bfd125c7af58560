#!/usr/bin/env bash
# drvesk with a real Japanese input method: fcitx5 with Mozc, then IBus with Mozc, each
# in a session of its own under a real X server. Romaji typed into the body becomes
# hiragana in the diary; entering the body switches the input method on; text still
# being composed is neither a change nor saved by the close box.
#   scripts/e2e-ime.sh BUILD_DIR ARTEFACT_DIR [fcitx5|ibus ...]
# Mozc's server refuses to run as root, and a session bus serves only the user who
# started it: run as root (as CI does), the bus, the input method and the program all
# run as "nobody".
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)
out=${2:?artefact folder}
shift 2
frameworks=("$@")
((${#frameworks[@]})) || frameworks=(fcitx5 ibus)
mkdir -p "$out"
out=$(cd "$out" && pwd)
imtool=$build/tests/drv_imtool

work=$(mktemp -d)
pids=()
# Processes of one session that outlived their parents (Mozc's server detaches): known
# by the session's home in their environment.
leftovers() {
  local p
  for p in /proc/[0-9]*; do
    [ "${p#/proc/}" = $$ ] && continue
    { tr '\0' '\n' <"$p/environ"; } 2>/dev/null | grep -qxF "HOME=$1" && echo "${p#/proc/}"
  done
  return 0
}
end_session() {
  for ((i = ${#pids[@]} - 1; i >= 1; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  pids=("${pids[@]:0:1}")
  if [[ ${HOME:-} == "$work"/* ]]; then
    local left
    left=$(leftovers "$HOME")
    [ -z "$left" ] || kill $left 2>/dev/null || true
  fi
  return 0
}
cleanup() {
  end_session
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  # Mozc's server may still be writing its files as it goes.
  rm -rf "$work" 2>/dev/null || { sleep 1; rm -rf "$work" 2>/dev/null; } || true
}
trap cleanup EXIT
fail() {
  echo "e2e-ime ($framework): $*" >&2
  for log in "$work"/*.log "$session"/*.log; do
    [ -s "$log" ] && { echo "--- $log"; tail -n 20 "$log"; } >&2
  done
  exit 1
}
framework=setup
session=$work

# Waits up to $1 seconds for a command to succeed.
until_ok() {
  local limit=$(($1 * 10))
  shift
  for ((n = 0; n < limit; n++)); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}

if [ "$(id -u)" -eq 0 ]; then
  as() { setpriv --reuid=nobody --regid=nogroup --clear-groups -- "$@"; }
  owner=nobody:nogroup
else
  as() { "$@"; }
  owner=$(id -u):$(id -g)
fi
for tool in fcitx5 ibus-daemon ibus dbus-daemon dbus-send gsettings Xvfb xdotool sqlite3; do
  command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/setup.sh installs it)"
done
[ -x /usr/lib/mozc/mozc_server ] || fail "Mozc is not installed"
[ -x "$imtool" ] || fail "no $imtool: build the target drv_imtool"

cmake --install "$build" --prefix "$work/prefix" >/dev/null
cp "$imtool" "$work/imtool"
chmod -R a+rX "$work"
program=$work/prefix/bin/drvesk
imtool=$work/imtool

export LANG=C.UTF-8 LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb
unset SESSION_MANAGER DBUS_SESSION_BUS_ADDRESS IBUS_ADDRESS QT_IM_MODULE XMODIFIERS GTK_IM_MODULE

# The X server only: the bus is this script's own, one per session, started below.
source "$(dirname "$0")/private-display.sh"
xvfb_pid=""
start_xvfb "$work" || { [ -z "$xvfb_pid" ] || pids+=("$xvfb_pid"); fail "no X server"; }
pids+=("$xvfb_pid")

# A fresh home, bus and input method for each framework.
new_session() {
  session=$work/$framework
  export HOME=$session/home
  export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share XDG_CACHE_HOME=$HOME/.cache
  export XDG_RUNTIME_DIR=$session/run
  mkdir -p "$HOME/.config/fcitx5" "$XDG_RUNTIME_DIR"
  chmod 700 "$XDG_RUNTIME_DIR"
  chown -R "$owner" "$session"
  export DBUS_SESSION_BUS_ADDRESS=unix:path=$XDG_RUNTIME_DIR/bus
  as dbus-daemon --session --nofork --nopidfile --address="$DBUS_SESSION_BUS_ADDRESS" \
    >"$session/dbus.log" 2>&1 &
  pids+=($!)
  until_ok 10 test -S "$XDG_RUNTIME_DIR/bus" || fail "the session bus did not start"
}
has_owner() {
  as dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner "string:$1" | grep -q "boolean true"
}
fcitx_state() {
  as dbus-send --session --print-reply --dest=org.fcitx.Fcitx5 /controller \
    org.fcitx.Fcitx.Controller1.State | awk '/int32/ {print $2}'
}
state_is() { [ "$(fcitx_state)" = "$1" ]; }
mode_is() { [ "$(as "$imtool" mode)" = "$1" ]; }

start_fcitx5() {
  cat >"$HOME/.config/fcitx5/profile" <<'EOF'
[Groups/0]
Name=Default
Default Layout=us
DefaultIM=mozc

[Groups/0/Items/0]
Name=keyboard-us
Layout=

[Groups/0/Items/1]
Name=mozc
Layout=

[GroupOrder]
0=Default
EOF
  chown -R "$owner" "$HOME/.config"
  # A panel's watcher first, so that fcitx5 shows its tray icon with Mozc's modes.
  as "$imtool" watcher >"$session/watcher.log" 2>&1 &
  pids+=($!)
  until_ok 10 has_owner org.kde.StatusNotifierWatcher || fail "no status notifier watcher"
  as fcitx5 --disable=wayland,waylandim >"$session/fcitx5.log" 2>&1 &
  pids+=($!)
  until_ok 30 has_owner org.fcitx.Fcitx5 || fail "fcitx5 did not come up"
  export QT_IM_MODULE=fcitx
}

ibus_engine_is() { [ "$(as timeout 5 ibus engine)" = "$1" ]; }

start_ibus() {
  as gsettings set org.freedesktop.ibus.general preload-engines "['mozc-jp']" ||
    fail "cannot configure IBus (dconf)"
  as ibus-daemon --panel=disable --emoji-extension=disable >"$session/ibus.log" 2>&1 &
  pids+=($!)
  until_ok 30 has_owner org.freedesktop.IBus || fail "ibus-daemon did not come up"
  # The daemon is reached through the address file it writes for the display; a client
  # that comes before the file waits for it without end.
  until_ok 30 compgen -G "$XDG_CONFIG_HOME/ibus/bus/*-unix-${DISPLAY#:}" ||
    fail "ibus-daemon wrote no address file"
  # Selecting may not return even once it is done: what counts is what IBus then says.
  as timeout 5 ibus engine mozc-jp >/dev/null 2>&1 || true
  until_ok 30 ibus_engine_is mozc-jp || fail "IBus cannot select Mozc: $(as timeout 5 ibus engine 2>&1)"
  export QT_IM_MODULE=ibus
}

stored() {
  sqlite3 "$data/dbVesk.mdb" "select szTtl || '|' || szDoc from tbDoc where skYmn='$key'"
}
stored_is() { [ "$(stored)" = "$1" ]; }
counter() { od -An -tu1 -j24 -N4 "$data/dbVesk.mdb" | tr -s ' '; }

for framework in "${frameworks[@]}"; do
  new_session
  "start_$framework"
  data=$XDG_DATA_HOME/Orbena/drvesk
  key=$(date +%y%m%d)

  as env QT_IM_MODULE="$QT_IM_MODULE" "$program" >"$session/app.log" 2>&1 &
  app=$!
  pids+=($app)
  wid=$(timeout 30 xdotool search --sync --onlyvisible --class drvesk | head -n1) ||
    fail "no window"
  xdotool windowfocus --sync "$wid"
  until_ok 10 test -f "$data/dbVesk.mdb" || fail "no diary"

  # The title starts in direct input: the input method is switched on by the body only.
  [ "$framework" != fcitx5 ] || until_ok 10 state_is 1 || fail "fcitx5 is on before the body"
  xdotool type --delay 60 "ime"
  xdotool key Return
  if [ "$framework" = fcitx5 ]; then
    until_ok 10 state_is 2 || fail "entering the body did not switch fcitx5 on"
    until_ok 10 mode_is hiragana || fail "Mozc is not in hiragana: $(as "$imtool" mode)"
    # Half-width letters, then the title and back: the body asks for hiragana again.
    as "$imtool" mode alpha_half >/dev/null || fail "cannot switch Mozc by its menu"
    until_ok 10 mode_is alpha_half || fail "Mozc did not switch to half-width letters"
    xdotool mousemove --window "$wid" 500 29 click 1
    sleep 0.3
    xdotool key Return
    until_ok 10 mode_is hiragana || fail "the body did not switch Mozc back to hiragana"
  fi
  sleep 0.5
  xdotool type --delay 80 "nihongo"
  sleep 0.5
  import -window root "$out/e2e-ime-$framework-preedit.png" 2>/dev/null || true
  xdotool key Return
  sleep 0.3
  xdotool key F5
  until_ok 10 stored_is "ime|にほんご" || fail "stored entry is '$(stored)'"

  # Composing only: the close box finds nothing to save and the diary is not written.
  before=$(counter)
  xdotool type --delay 80 "kana"
  sleep 0.5
  import -window root "$out/e2e-ime-$framework-composing.png" 2>/dev/null || true
  "$imtool" close "$wid"
  for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$app" 2>/dev/null && fail "the close box did not end the program"
  wait "$app" || fail "the program ended with status $?"
  [ "$(counter)" = "$before" ] || fail "the close box wrote the diary while composing"
  stored_is "ime|にほんご" || fail "after closing the entry is '$(stored)'"
  echo "e2e-ime: $framework with Mozc passed"

  # This session's processes end before the next one starts.
  end_session
done
echo "e2e-ime: passed; screenshots in $out"
