# Sourced by the scripts that run the program or a test on an X server of their own.
# Nothing they start may reach the machine's display or session bus: with no bus, Qt on
# xcb asks libdbus to start one through the X server, which leaks on machines without
# the package that does it and, where it works, talks to a bus the test did not start.

# Runs the calling script again under a private session bus, once:
#   in_private_bus "$0" "$@"
in_private_bus() {
  [ -n "${DRVESK_PRIVATE_BUS:-}" ] && return 0
  command -v dbus-run-session >/dev/null || { echo "dbus-run-session is missing" >&2; exit 1; }
  DRVESK_PRIVATE_BUS=1 exec dbus-run-session -- bash "$@"
}

# Starts Xvfb on a free display and exports DISPLAY once a client can connect. Sets
# xvfb_pid for the caller's clean-up; its log is WORK/xvfb.log.
#   start_xvfb WORK [SCREEN]
start_xvfb() {
  local work=$1 screen=${2:-1280x1024x24}
  exec 3>"$work/display"
  # -noreset: a client that connects while the last one leaves would find no server.
  Xvfb -displayfd 3 -noreset -screen 0 "$screen" -nolisten tcp >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  exec 3>&-
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || { echo "Xvfb did not start: $(cat "$work/xvfb.log")" >&2; return 1; }
  export DISPLAY=:$(head -n1 "$work/display")
  for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.1; done
  echo "Xvfb does not answer on $DISPLAY" >&2
  return 1
}
