# Sourced by scripts that show the demo on a virtual display. Provides $work
# (a scratch folder), $demo_pid (the caller's demo process, killed on exit)
# and start_virtual_display, which starts Xvfb and exports DISPLAY. Everything
# is cleaned up when the calling script exits.

virtual_screen="1024x768x24"
work=$(mktemp -d)
xvfb_pid=""
demo_pid=""
cleanup_virtual_display() {
  [ -n "$demo_pid" ] && kill -9 "$demo_pid" 2>/dev/null || true
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup_virtual_display EXIT

# start_virtual_display <name for messages>
start_virtual_display() {
  # Xvfb picks a free display number itself and writes it to file descriptor 3.
  Xvfb -displayfd 3 -screen 0 "$virtual_screen" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ ! -s "$work/display" ]; then
    echo "$1: Xvfb did not start:" >&2
    cat "$work/xvfb.log" >&2
    exit 1
  fi
  export DISPLAY=":$(head -n1 "$work/display")"
}
