#!/usr/bin/env bash
# Compares the message listings of the Linux build (build/ci, our own reader
# and formatter) with those of the Windows build (build/windows, LoadLibraryExW
# and FormatMessageW) run under Wine:
#   1. --message-table of Wine's kernelbase.dll, every message in every language;
#   2. --records --expand of a small .evt log whose source is registered in the
#      Wine prefix's registry, with the test message file events.dll.
# Usage: scripts/messages-interop.sh   (after building tallyvane-report and
# test_platform in both presets)
set -euo pipefail
cd "$(dirname "$0")/.."
linux=build/ci/cli/tallyvane-report
windows=build/windows/cli/tallyvane-report.exe
messages=build/ci/tests/message-files
kernelbase=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/kernelbase.dll
for f in "$linux" "$windows" "$messages/events.dll" "$kernelbase"; do
  [[ -e "$f" ]] || { echo "missing $f"; exit 2; }
done
work=$(mktemp -d)
export WINEPREFIX="$PWD/build/windows/wineprefix"
export WINEARCH=win64 WINEDEBUG=-all DISPLAY= WINEDLLOVERRIDES="mscoree,mshtml="
[[ -f "$WINEPREFIX/system.reg" ]] || wineboot -i >/dev/null 2>&1
winpath() { echo "Z:$(realpath "$1")" | tr / '\\'; }
status=0

"$linux" --message-table "$kernelbase" --json >"$work/linux.json"
wine "$windows" --message-table "$(winpath "$kernelbase")" --json | tr -d '\r' >"$work/windows.json"
count=$(grep -c '"id"' "$work/linux.json")
if cmp -s "$work/linux.json" "$work/windows.json"; then
  echo "kernelbase.dll: $count messages, the same texts from both builds"
else
  echo "kernelbase.dll: the builds differ"; diff "$work/linux.json" "$work/windows.json" | head -20
  status=1
fi

# Two records: one of a registered source, one of a source nobody registered.
python3 - "$work/test.evt" <<'PY'
import struct, sys
def z(s): return s.encode('utf-16-le') + b'\0\0'
def record(num, t, eid, source, strings, category):
    body = z(source) + z('PC')
    body += b'\0' * (-(56 + len(body)) % 4)
    offset = 56 + len(body)
    for s in strings: body += z(s)
    body += b'\0' * (-(56 + len(body)) % 4)
    length = 56 + len(body) + 4
    head = struct.pack('<IIIIIIHHHHIIIIII', length, 0x654C664C, num, t, t, eid, 4, len(strings),
                       category, 0, 0, offset, 0, 0, 0, 56 + len(body))
    return head + body + struct.pack('<I', length)
body = record(1, 1700006400, 0x40001775, 'TallyvaneTest', ['Spooler', '10:02'], 2) + \
       record(2, 1700006401, 0x40001775, 'Unregistered', ['raw', 'text'], 1)
end = 0x30 + len(body)
header = struct.pack('<12I', 0x30, 0x654C664C, 1, 1, 0x30, end, 3, 1, end + 40, 0, 0, 0x30)
tail = struct.pack('<10I', 0x28, 0x11111111, 0x22222222, 0x33333333, 0x44444444, 0x30, end, 3, 1, 0x28)
open(sys.argv[1], 'wb').write(header + body + tail)
PY
key='HKLM\SYSTEM\CurrentControlSet\Services\EventLog\System\TallyvaneTest'
wine reg add "$key" /v EventMessageFile /t REG_EXPAND_SZ /d "$(winpath "$messages/events.dll")" /f >/dev/null
wine reg add "$key" /v CategoryMessageFile /t REG_EXPAND_SZ \
  /d "%SystemRoot%\\nothing.dll;$(winpath "$messages/events.dll")" /f >/dev/null
cp "$messages/events.dll" "$work/TallyvaneTest.dll"
"$linux" --records --messages "$work" "$work/test.evt" --csv >"$work/linux.csv"
wine "$windows" --records --expand "$(winpath "$work/test.evt")" --csv | tr -d '\r' >"$work/windows.csv"
cat "$work/windows.csv"
if cmp -s <(tr -d '\r' <"$work/linux.csv") "$work/windows.csv" &&
   grep -q "The service Spooler started at 10:02." "$work/windows.csv"; then
  echo "records: the same expanded texts from both builds"
else
  echo "records: the builds differ"; diff <(tr -d '\r' <"$work/linux.csv") "$work/windows.csv"
  status=1
fi
wine reg delete "$key" /f >/dev/null 2>&1 || true
wineserver -k || true
rm -rf "$work"
exit $status
