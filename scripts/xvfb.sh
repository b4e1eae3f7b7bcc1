# A private X display for Wine's windows. Sourced, not run.
#   start_xvfb   starts Xvfb on a display number nobody else uses (-displayfd),
#                24-bit, exports DISPLAY and sets PURLO_XVFB_PID
#   stop_xvfb    ends it again (harmless when none was started)
# Others run their own displays on this machine: never pick a fixed number.

start_xvfb() {
  local state
  state=$(mktemp -d)
  # Xvfb writes the number it chose to the descriptor once it accepts connections.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$state/display" >"$state/log" 2>&1 &
  PURLO_XVFB_PID=$!
  local i
  for i in $(seq 1 100); do
    [ -s "$state/display" ] && break
    if ! kill -0 "$PURLO_XVFB_PID" 2>/dev/null; then
      echo "Xvfb did not start:" >&2
      cat "$state/log" >&2
      rm -rf "$state"
      PURLO_XVFB_PID=
      return 1
    fi
    sleep 0.1
  done
  if [ ! -s "$state/display" ]; then
    echo "Xvfb gave no display number within 10 s" >&2
    kill "$PURLO_XVFB_PID" 2>/dev/null || true
    rm -rf "$state"
    PURLO_XVFB_PID=
    return 1
  fi
  DISPLAY=:$(head -n1 "$state/display")
  export DISPLAY
  rm -rf "$state"
}

stop_xvfb() {
  [ -n "${PURLO_XVFB_PID:-}" ] || return 0
  kill "$PURLO_XVFB_PID" 2>/dev/null || true
  wait "$PURLO_XVFB_PID" 2>/dev/null || true
  PURLO_XVFB_PID=
}
