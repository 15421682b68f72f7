#!/usr/bin/env bash
# The whole process against libevtx's own tool: wall and CPU time of
# tallyvane-report on a real System.evtx (the shared fixture by default)
# against evtxexport on the same file, best of several runs, and their ratio.
# A small file can be repeated into a larger log first (its chunks copied and
# the header patched), so that start-up costs do not hide the reading.
#
# Usage: scripts/bench-evtx-report.sh [FILE.evtx] [REPEATS] [COPIES]
#   FILE     default: $TALLYVANE_SHARED_FIXTURES/evtx/tsevtx_System.evtx
#   REPEATS  runs of each program, the best counts (default 5)
#   COPIES   times the file's chunks are repeated (default 1: the file as it is)
# Builds tallyvane-report with the default preset unless REPORT names one.
set -euo pipefail
cd "$(dirname "$0")/.."
fixtures=${TALLYVANE_SHARED_FIXTURES:-$(cd .. && pwd)/shared/fixtures}
file=${1:-$fixtures/evtx/tsevtx_System.evtx}
repeats=${2:-5}
copies=${3:-1}
report=${REPORT:-build/default/cli/tallyvane-report}
if [[ ! -x "$report" ]]; then
  cmake --preset default >/dev/null
  cmake --build --preset default -j2 --target tallyvane-report >/dev/null
fi
command -v evtxexport >/dev/null || { echo "evtxexport is not installed (libevtx-utils)"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [[ "$copies" -gt 1 ]]; then
  python3 - "$file" "$work/System.evtx" "$copies" <<'PY'
import struct, sys, zlib
src, dst, copies = sys.argv[1], sys.argv[2], int(sys.argv[3])
data = open(src, 'rb').read()
header, chunks = bytearray(data[:4096]), data[4096:]
used = struct.unpack_from('<H', header, 42)[0]
chunks = chunks[:used * 65536]
out = bytearray()
for _ in range(copies):
    out += chunks
count = used * copies
struct.pack_into('<QQ', header, 8, 0, count - 1)
struct.pack_into('<H', header, 42, count & 0xFFFF)
struct.pack_into('<I', header, 124, zlib.crc32(bytes(header[:120])))
open(dst, 'wb').write(bytes(header) + bytes(out))
PY
  file=$work/System.evtx
fi

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "file: $file ($(stat -c %s "$file") bytes, chunks repeated $copies times), best of $repeats"
python3 - "$repeats" "$report" "$file" <<'PY'
import resource, subprocess, sys, time
repeats, report, path = int(sys.argv[1]), sys.argv[2], sys.argv[3]

def best(command):
    wall = cpu = float('inf')
    for _ in range(repeats):
        before = resource.getrusage(resource.RUSAGE_CHILDREN)
        start = time.perf_counter()
        subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        w = time.perf_counter() - start
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        c = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
        wall, cpu = min(wall, w), min(cpu, c)
    return wall, cpu

runs = [("tallyvane-report", best([report, path])),
        ("evtxexport (text)", best(["evtxexport", path])),
        ("evtxexport -f xml", best(["evtxexport", "-f", "xml", path]))]
for name, (w, c) in runs:
    print(f"  {name:<20} {w:8.3f} s wall {c:8.3f} s CPU")
(rw, rc) = runs[0][1]
for name, (w, c) in runs[1:]:
    print(f"  tallyvane-report against {name}: {w / rw:.1f} times as fast (wall), "
          f"{c / max(rc, 1e-3):.1f} (CPU)")
PY
