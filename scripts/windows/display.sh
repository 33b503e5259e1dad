# Sourced by the Windows checks: an X display of their own for Wine's windows.
# start_display sets DISPLAY to a free Xvfb display (Xvfb picks the number, so another
# user's server on a fixed number is never joined) with openbox managing its windows;
# stop_display ends both. An EXIT trap should call stop_display.
display_pids=()
start_display() {
  local fd_file
  fd_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fd_file" >/dev/null 2>&1 &
  display_pids+=($!)
  local _
  for _ in $(seq 1 50); do [ -s "$fd_file" ] && break; sleep 0.2; done
  [ -s "$fd_file" ] || { echo "no Xvfb display" >&2; rm -f "$fd_file"; return 1; }
  export DISPLAY=":$(head -1 "$fd_file")"
  rm -f "$fd_file"
  openbox >/dev/null 2>&1 &
  display_pids+=($!)
  sleep 1
}
stop_display() {
  local pid
  for pid in "${display_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  display_pids=()
}
