# Sourced by the scripts: a private X display and one wineserver kept alive
# for the whole run (every Wine process start otherwise pays for its own).
# Defines start_private_display and stop_private_display.

start_private_display() {
  local n=90
  while [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ]; do n=$((n + 1)); done
  Xvfb :$n -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
  TAV_XVFB_PID=$!
  export DISPLAY=:$n
  for _ in $(seq 1 50); do
    [ -e /tmp/.X11-unix/X$n ] && break
    sleep 0.1
  done
}

start_wineserver() {
  export WINEPREFIX=$1
  # Already running for this prefix is fine too.
  /usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1 || true
  # The first Wine program of a session starts Wine's background services,
  # which inherit its output; started here, they hold /dev/null instead of
  # the test runner's pipe, which would otherwise stay open after the tests.
  WINEDEBUG=-all /usr/lib/wine/wine64 cmd /c exit </dev/null >/dev/null 2>&1 || true
}

stop_private_display() {
  [ -n "${WINEPREFIX:-}" ] && /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
  [ -n "${TAV_XVFB_PID:-}" ] && kill "$TAV_XVFB_PID" >/dev/null 2>&1 || true
}
