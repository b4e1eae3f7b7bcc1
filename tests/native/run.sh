#!/usr/bin/env bash
# Native checks of the GIF block walker: builds it with clang and sanitizers,
# compares it with ImageMagick over a generated corpus, then fuzzes it for
# PURLO_FUZZ_SECONDS (default 60) on that corpus.
#   run.sh BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=$1
seconds=${PURLO_FUZZ_SECONDS:-60}

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" >&2

work=$build/work
rm -rf "$work"
/usr/bin/python3 "$here/check_walker.py" "$build/gif_walk" "$work"

# The fuzzer adds what it finds to its own copy, never to the seeds.
mkdir -p "$work/fuzz-corpus" "$work/fuzz-artifacts"
cp "$work"/corpus/*.gif "$work/fuzz-corpus/"
echo "== fuzzing the GIF block walker for ${seconds}s"
"$build/gif_fuzz" -max_total_time="$seconds" -print_final_stats=1 -dict="$here/gif.dict" \
  -artifact_prefix="$work/fuzz-artifacts/" "$work/fuzz-corpus" 2>"$work/fuzz.log" || {
  tail -40 "$work/fuzz.log" >&2
  echo "gif_fuzz: finding, artifacts in $work/fuzz-artifacts" >&2
  exit 1
}
grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$work/fuzz.log" >&2
