#!/usr/bin/env bash
# Starts the demo from the build directory, where its image files are made.
#
# Without a display ($DISPLAY and $WAYLAND_DISPLAY empty) it shows the demo on
# a virtual display (Xvfb) for 10 seconds instead: it prints the window title
# once a second, moves the pointer over the window, saves a screenshot as
# <build>/tessary.png, closes the window as a window manager does and reports
# the program's exit code, which is also its own.
set -euo pipefail
build=${1:-build}
program=app/tessary
closer=app/tessary-close-window

if [ ! -x "$build/$program" ]; then
  echo "run-demo: the demo program is not built yet ($build/$program)" >&2
  exit 1
fi
for image in load.gra snow.png snow2.png; do
  if [ ! -f "$build/$image" ]; then
    echo "run-demo: $build/$image is missing; build the demo-images target" >&2
    exit 1
  fi
done

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  cd "$build" && exec "./$program"
fi

for tool in Xvfb xdotool import; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "run-demo: no display, and $tool for a virtual one is missing (scripts/setup.sh installs it)" >&2
    exit 1
  fi
done
if [ ! -x "$build/$closer" ]; then
  echo "run-demo: $build/$closer is not built" >&2
  exit 1
fi

. "$(dirname "$0")/virtual-display.sh"
start_virtual_display run-demo
echo "run-demo: no display here; running the demo on the virtual display $DISPLAY for 10 seconds"

(cd "$build" && exec "./$program") &
demo_pid=$!

window=""
for _ in $(seq 200); do
  window=$(xdotool search --onlyvisible --class '^Tessary class$' 2>/dev/null | head -n1 || true)
  [ -n "$window" ] && break
  if ! kill -0 "$demo_pid" 2>/dev/null; then
    code=0
    wait "$demo_pid" || code=$?
    demo_pid=""
    echo "run-demo: the demo ended before its window appeared, exit code $code" >&2
    exit "$code"
  fi
  sleep 0.1
done
if [ -z "$window" ]; then
  echo "run-demo: no window appeared within 20 seconds" >&2
  exit 1
fi

# The pointer goes where the badge that follows it shows best.
xdotool mousemove --window "$window" 560 400
for second in $(seq 10); do
  sleep 1
  echo "[$second s] $(xdotool getwindowname "$window")"
done

import -window "$window" "$build/tessary.png"
echo "run-demo: screenshot saved as $build/tessary.png"

"$build/$closer" "$window"
code=0
for _ in $(seq 50); do
  kill -0 "$demo_pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$demo_pid" 2>/dev/null; then
  echo "run-demo: the demo did not end within 5 seconds of closing its window" >&2
  exit 1
fi
wait "$demo_pid" || code=$?
demo_pid=""
echo "run-demo: window closed; the demo exited with code $code"
exit "$code"
