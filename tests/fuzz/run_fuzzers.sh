#!/usr/bin/env bash
# Runs each fuzz target for the given number of seconds (default 60), from the
# seeds kept here, with new findings kept in a scratch folder. Build first
# with: cmake --preset sanitize && cmake --build --preset sanitize
set -euo pipefail
seconds=${1:-60}
here=$(cd "$(dirname "$0")" && pwd)
build=${QUORVEL_FUZZ_BUILD:-$here/../../build-sanitize}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for target in fuzz_line_pass fuzz_numbers; do
  seeds=$here/seeds/${target#fuzz_}
  mkdir -p "$work/$target"
  echo "== $target for ${seconds}s"
  "$build/$target" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$work/$target-" "$work/$target" "$seeds" 2>&1 | grep -E '^(#[0-9]+ *DONE|stat::|==|SUMMARY|ERROR|Done)' || {
      echo "$target failed; artifacts:"; ls "$work" ; exit 1; }
done
