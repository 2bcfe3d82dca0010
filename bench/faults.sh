#!/bin/sh
# Regenerates tests/faults/README.md: runs the fault scenarios (the scan and
# clean-up tests on the misbehaving file system) and the kill points, counts
# per operation and fault the cases run, how many ended as promised, the
# files lost and the longest wait of the window's events, and appends the
# fuzzing figures of tests/fuzz/figures.md when that file exists.
#
#   bench/faults.sh [BUILD_DIR] [KILL_POINTS]     (defaults: build, 50)
#
# Needs root (mounts) and the test programs built.
set -e
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="$(cd "${1:-$ROOT/build}" && pwd)"
POINTS="${2:-50}"
FIGURES="$(mktemp)"
trap 'rm -f "$FIGURES"' EXIT
export QUILLMERE_FAULT_FIGURES="$FIGURES" QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
status=0
"$BUILD/tests/main/test_main" --gtest_filter='FaultScanTest.*:DeepChain.*' >/dev/null 2>&1 || status=1
"$BUILD/tests/cleanup/test_cleanup" --gtest_filter='FaultCleanUp.*:Archives.*' >/dev/null 2>&1 || status=1
"$BUILD/tests/uicleanup/test_uicleanup" --gtest_filter='CompressBoxTest.*' >/dev/null 2>&1 || status=1
"$BUILD/tests/app/test_app" --gtest_filter='Outputs.*' >/dev/null 2>&1 || status=1
python3 "$ROOT/bench/killpoints.py" "$BUILD" --points "$POINTS" || status=1
[ -s "$FIGURES" ] || { echo "faults.sh: no figures (do the tests skip here?)" >&2; exit 1; }

python3 - "$FIGURES" "$ROOT/tests/faults/README.md" "$ROOT/tests/fuzz/figures.md" <<'PY'
import sys
from collections import OrderedDict
figures, readme, fuzz = sys.argv[1:4]
INTRO = """# Fault scenarios and their figures

Quillmere promises never to lose a file and never to hang. These scenarios
try to make it break that promise, on a file system of the tests' own
(`tests/support/faultfs.c`, FUSE on libfuse3) whose paths hang like a dead
network share, fail to read after N bytes, fill up after N bytes written,
vanish between listing and examining, refuse access, or answer slowly:

- `tests/main/FaultScanTest.cpp`: a scan of a drive with every fault ends by
  itself, hung folders are given up after the scanner's answer limit and
  marked as not answering, every other figure equals a scan of the same tree
  without faults, the window's events never wait 100 ms, and Abort and
  closing the window end scans held by a hang.
- `tests/main/DeepChainTest.cpp`: a chain of 30,000 folders selected from the
  command line, expanded with "*", shown on every page, reported, exported
  and opened again, without a crash; `bench/deep.sh` does the same with
  reports and scan files on a chain of 1,000,000.
- `tests/cleanup/FaultCleanUpTest.cpp`: move, archive, restore, trash and
  delete with each fault injected at several steps; after each, every file is
  whole in at least one place (where it was, at the target, in the archive or
  in the trash), nothing half made is left, and the outcome says what was done.
- `tests/app/OutputFileTest.cpp`: a scan export and a report run onto a drive
  that fills up, and an export stopped with Ctrl+C half way through a link;
  after each, the older file is whole with its mode, and no temporary file is
  left.
- `bench/killpoints.py`: `quillmere-clean move` and `archive` on 2,000 files
  killed with SIGKILL after k ms, k spread over the whole run; after each kill
  every file is whole somewhere, and the next run finishes the job and removes
  what the killed one left (hidden copies, move records, partial archives).
  Five points run in CTest; `bench/faults.sh` runs fifty.

"As promised" counts the cases that kept both the invariant and the
operation's own promise. The table is written by `bench/faults.sh` (as root,
after a build); do not edit it by hand.

"""
rows = OrderedDict()
for line in open(figures):
    operation, fault, ok, lost, wait = line.rstrip("\n").split("\t")
    # The steps a fault was injected at are cases of one row.
    fault, _, step = fault.partition(", ")
    row = rows.setdefault((operation, fault), {"cases": 0, "ok": 0, "lost": 0, "wait": -1.0,
                                               "steps": []})
    row["cases"] += 1
    row["ok"] += int(ok)
    row["lost"] += int(lost)
    row["wait"] = max(row["wait"], float(wait))
    if step and step not in row["steps"]:
        row["steps"].append(step)
with open(readme, "w") as out:
    out.write(INTRO)
    out.write("| Operation | Fault | Injected | Cases | As promised | Files lost "
              "| Longest wait of the window's events |\n")
    out.write("|---|---|---|---:|---:|---:|---:|\n")
    for (operation, fault), r in rows.items():
        wait = "%.0f ms" % r["wait"] if r["wait"] >= 0 else "–"
        steps = "; ".join(r["steps"]) if r["steps"] else "from the start"
        out.write("| %s | %s | %s | %d | %d | %d | %s |\n" % (operation, fault, steps, r["cases"],
                                                            r["ok"], r["lost"], wait))
    try:
        out.write("\n" + open(fuzz).read())
    except OSError:
        pass
total = sum(r["cases"] for r in rows.values())
kept = sum(r["ok"] for r in rows.values())
lost = sum(r["lost"] for r in rows.values())
print("faults.sh: %d cases, %d as promised, %d files lost" % (total, kept, lost))
PY
exit $status
