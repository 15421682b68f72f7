#!/usr/bin/env bash
# Builds the benchmarks (release with debug info) and runs them: every one, or
# those named on the command line (for example: scripts/bench.sh bench_storage).
# Extra Google Benchmark flags go after "--".
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build
names=()
while [[ $# -gt 0 && "$1" != "--" ]]; do
  names+=("$1")
  shift
done
[[ "${1:-}" == "--" ]] && shift
cmake --preset default >/dev/null
if [[ ${#names[@]} -eq 0 ]]; then
  for src in bench/bench_*.cpp; do
    names+=("$(basename "$src" .cpp)")
  done
fi
cmake --build --preset default -j"$(nproc)" --target "${names[@]}"
for name in "${names[@]}"; do
  echo "== $name"
  "build/default/bench/$name" "$@"
done
