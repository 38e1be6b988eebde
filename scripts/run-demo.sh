#!/usr/bin/env bash
# Starts the demo from the build directory, where its image files are made.
set -euo pipefail
build=${1:-build}
if [ ! -x "$build/app/tessary" ]; then
  echo "run-demo: the demo program is not built yet ($build/app/tessary)" >&2
  exit 1
fi
cd "$build" && exec ./app/tessary
