#!/usr/bin/env bash
# Runs every built fuzz target for the given number of seconds (default 60)
# on its seed corpus. New crashes fail the run; kept crash inputs are replayed.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
status=0
for target in build/fuzz/fuzz/fuzz_*; do
  [[ -x "$target" ]] || continue
  name=$(basename "$target")
  seeds="fuzz/corpus/$name"
  work=$(mktemp -d)
  mkdir -p "$seeds"
  echo "-- $name: ${seconds}s"
  if ! "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$work/" -print_final_stats=0 "$work" "$seeds" >"$work/log" 2>&1; then
    tail -n 60 "$work/log"
    echo "fuzz target $name failed; inputs in $work"
    status=1
  else
    grep -E '^(#[0-9]+.*DONE|Done)' "$work/log" | tail -n 1 || true
  fi
done
exit $status
