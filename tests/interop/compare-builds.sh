#!/usr/bin/env bash
# Compares the Linux and the Windows (under Wine) builds on the files they
# exchange: both tallyvane-report builds give the same journal rows, month
# rows and total for one .evt file, and a storage file written by either build
# loads in the other.
# Usage: compare-builds.sh LINUX_BUILD_DIR WINDOWS_REPORT_EXE WINDOWS_INTEROP_EXE WORK_DIR
set -euo pipefail
linux_build=$1
win_report=$2
win_interop=$3
work=$4
linux_report="$linux_build/cli/tallyvane-report"
linux_interop="$linux_build/tests/interop/tallyvane_interop"
for program in "$linux_report" "$linux_interop"; do
  if [[ ! -x "$program" ]]; then
    echo "SKIP: no Linux build to compare with ($program is missing)"
    exit 77
  fi
done
rm -rf "$work"
mkdir -p "$work"
failed=0

# The same zone and language on both sides; the zone has summer time, and the
# sample log crosses its start.
export TZ=Europe/Prague LANG=C.UTF-8 LC_ALL=C.UTF-8

"$linux_interop" evt "$work/system.evt"
"$linux_report" --json "$work/system.evt" >"$work/linux.json"
wine "$win_report" --json "$work/system.evt" | tr -d '\r' >"$work/windows.json"
# The rows, markers and spent times; the uptime is each machine's own.
if ! python3 - "$work/linux.json" "$work/windows.json" <<'PY'
import datetime, json, sys
# Each build writes dates and times in its system's formats for the language
# (the C locale on Linux, en-US under Wine): a timestamp compares as the
# instant it names.
FORMATS = ("%A, %m/%d/%y %H:%M:%S", "%A, %m/%d/%Y %I:%M:%S %p", "%A, %m/%d/%Y %H:%M:%S")
def instant(text):
    if not text:
        return text
    for f in FORMATS:
        try:
            return datetime.datetime.strptime(text, f).isoformat()
        except ValueError:
            pass
    return "unparsed: " + text
def rows(report, key):
    out = []
    for r in report.get(key, []):
        r = dict(r)
        if "timestamp" in r:
            r["timestamp"] = instant(r["timestamp"])
        out.append(r)
    return out
linux, windows = (json.load(open(p, encoding="utf-8")) for p in sys.argv[1:3])
same = True
for key in ("days", "months"):
    a, b = rows(linux, key), rows(windows, key)
    if a != b:
        same = False
        for i in range(max(len(a), len(b))):
            x = a[i] if i < len(a) else None
            y = b[i] if i < len(b) else None
            if x != y:
                print("%s[%d] differs\n  Linux:   %s\n  Windows: %s" % (key, i, x, y))
if linux.get("totalSpentTime") != windows.get("totalSpentTime"):
    same = False
    print("totalSpentTime differs: %r / %r" % (linux.get("totalSpentTime"), windows.get("totalSpentTime")))
if not linux.get("days"):
    same = False
    print("the Linux build found no journal rows")
print("journal rows: %d, month rows: %d, %s" % (len(linux.get("days", [])), len(linux.get("months", [])),
                                               linux.get("totalSpentTime")))
sys.exit(0 if same else 1)
PY
then
  echo "FAIL: tallyvane-report --json differs between the builds"
  failed=1
fi

"$linux_interop" write-storage "$work/linux.stg"
if ! wine "$win_interop" check-storage "$work/linux.stg"; then
  echo "FAIL: the Windows build does not read the Linux build's storage file"
  failed=1
fi
wine "$win_interop" write-storage "$work/windows.stg"
if ! "$linux_interop" check-storage "$work/windows.stg"; then
  echo "FAIL: the Linux build does not read the Windows build's storage file"
  failed=1
fi
exit $failed
