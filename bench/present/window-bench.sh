#!/usr/bin/env bash
# The demo in its window beside the presentation ceiling of that window, on a
# virtual display (Xvfb): present_ceiling pushes whole 800 x 620 frames with
# SDL_UpdateWindowSurface and composes nothing; tessary and tessary-single run
# unchanged, their passes of the frame loop and their pushes to the display
# counted from outside (see PassCounter.cpp), their title read once a second.
# The three take turns, `rounds` times, `seconds` each; the first 2 seconds of
# every demo run are not counted. Medians of the per-second figures.
#
# usage: bench/present/window-bench.sh [build dir] [rounds] [seconds]
set -euo pipefail
build=$(cd "${1:-build-bench}" && pwd)
rounds=${2:-3}
seconds=${3:-8}
ceiling="$build/bench/present_ceiling"
counter="$build/bench/libtessary_pass_counter.so"

for file in "$ceiling" "$counter" "$build/app/tessary" "$build/app/tessary-single" "$build/load.gra"; do
  if [ ! -e "$file" ]; then
    echo "window-bench: $file is missing; build the window-bench target" >&2
    exit 1
  fi
done
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null 2>&1 || { echo "window-bench: $tool is missing (scripts/setup.sh)" >&2; exit 1; }
done

. "$(dirname "$0")/../../scripts/virtual-display.sh"
start_virtual_display window-bench

# Runs one demo program for the round; appends its counted seconds and titles.
run_demo() {
  local program=$1
  local counts="$work/$program.counts.$2"
  (cd "$build" && TESSARY_PASS_COUNTER_OUT="$counts" LD_PRELOAD="$counter" exec "./app/$program") \
    >/dev/null 2>"$work/$program.err" &
  demo_pid=$!
  for second in $(seq $((seconds + 2))); do
    sleep 1
    if [ "$second" -gt 2 ]; then
      window=$(xdotool search --class '^Tessary class$' 2>/dev/null | head -n1 || true)
      [ -n "$window" ] && xdotool getwindowname "$window" 2>/dev/null |
        sed -n 's/.* - \([0-9.]*\) (fps)$/\1/p' >>"$work/$program.titles"
    fi
  done
  kill -TERM "$demo_pid" 2>/dev/null || true
  wait "$demo_pid" 2>/dev/null || true
  demo_pid=""
  tail -n +3 "$counts" >>"$work/$program.counts" 2>/dev/null || true
}

for round in $(seq "$rounds"); do
  echo "window-bench: round $round of $rounds" >&2
  "$ceiling" "$seconds" | sed -n 's/^frames per second: //p' >>"$work/ceiling"
  run_demo tessary "$round"
  run_demo tessary-single "$round"
done

median() { sort -n | awk '{v[NR] = $1} END {if (NR == 0) print 0; else print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2)}'; }

ceiling_fps=$(median <"$work/ceiling")
echo
echo "On a virtual display (Xvfb, $virtual_screen), an 800 x 620 window; $rounds rounds of $seconds s, medians per second"
printf '%-44s %12s %10s\n' "" "per second" "x ceiling"
printf '%-44s %12.0f %10.3f\n' "present_ceiling: full frames pushed" "$ceiling_fps" 1
for program in tessary tessary-single; do
  passes=$(awk '{print $2}' "$work/$program.counts" 2>/dev/null | median)
  pushes=$(awk '{print $4}' "$work/$program.counts" 2>/dev/null | median)
  title=$(median <"$work/$program.titles" 2>/dev/null || echo 0)
  printf '%-44s %12.0f %10.3f\n' "$program: passes of the frame loop" "$passes" "$(echo "$passes $ceiling_fps" | awk '{print $1 / $2}')"
  printf '%-44s %12.0f %10.3f\n' "$program: pushes to the display" "$pushes" "$(echo "$pushes $ceiling_fps" | awk '{print $1 / $2}')"
  printf '%-44s %12.0f\n' "$program: frame rate in its title" "$title"
done
