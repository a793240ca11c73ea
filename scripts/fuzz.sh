#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz preset: clang, ASan + UBSan) and runs
# each for a fixed short time, seeded with the golden files of tests/data.
# WARDEN_FUZZ_SECONDS sets the time per fuzzer (default 20).
set -euo pipefail
source "$(dirname "$0")/common.sh"
cd "$root"
seconds=${WARDEN_FUZZ_SECONDS:-20}
build_preset fuzz
out=build/fuzz/run
rm -rf "$out"
mkdir -p "$out"/data_file "$out"/trail_line
data=tests/data
cp "$data/users.dat" "$data/users-narrow.dat" "$data/section.dat" "$out/data_file/"
head -c 700 "$data/users.dat" >"$out/data_file/cut.dat"
split -l 1 "$data/trail.jsonl" "$out/trail_line/line-"
for name in data_file trail_line; do
  echo "== fuzzing ${name} for ${seconds}s"
  # -malloc_limit_mb: one allocation beyond it is a failure (a length prefix
  # must never reserve what the input does not hold).
  if ! "build/fuzz/fuzz/${name}_fuzzer" "$out/$name" -max_total_time="$seconds" -max_len=65536 \
      -rss_limit_mb=2048 -malloc_limit_mb=64 -print_final_stats=1 \
      -artifact_prefix="$out/${name}-" >"$out/$name.log" 2>&1; then
    tail -n 80 "$out/$name.log"
    echo "== FAILED: ${name}_fuzzer (input saved as $out/${name}-*)"
    exit 1
  fi
  grep -E '^(Done|stat::(number_of_executed_units|peak_rss_mb))' "$out/$name.log"
done
