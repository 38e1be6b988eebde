#!/usr/bin/env bash
# Builds the PNG loader's libFuzzer target with clang under AddressSanitizer
# and UndefinedBehaviorSanitizer, writes the seed corpus and fuzzes.
#
#   scripts/fuzz.sh [build-dir] [seconds]      (defaults: build-fuzz, 60)
#
# New interesting inputs collect in <build-dir>/fuzz-corpus; an input that
# finds a fault is written to <build-dir>/fuzz-artifacts/ and belongs, once
# mended, in tests/io/fuzz-regressions/, which the unit tests replay.
set -euo pipefail

build=${1:-build-fuzz}
seconds=${2:-${FUZZ_SECONDS:-60}}
root=$(cd "$(dirname "$0")/.." && pwd)

cmake -S "$root" -B "$build" \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link \
  -DTESSARY_SANITIZE=address,undefined \
  -DTESSARY_BUILD_FUZZ=ON -DTESSARY_BUILD_APP=OFF -DTESSARY_BUILD_BENCH=OFF
cmake --build "$build" -j"${JOBS:-2}" --target png-loader-fuzz png-fuzz-seeds

corpus="$build/fuzz-corpus"
artifacts="$build/fuzz-artifacts"
mkdir -p "$corpus" "$artifacts"
"$build/tests/io/png-fuzz-seeds" "$corpus"

# The kept regressions seed the run too; libFuzzer only writes to the first
# corpus directory.
exec "$build/tests/io/png-loader-fuzz" \
  -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=512 \
  -max_len=16384 -print_final_stats=1 -artifact_prefix="$artifacts/" \
  "$corpus" "$root/tests/io/fuzz-regressions"
