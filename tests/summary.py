#!/usr/bin/env python3
"""The summary table that ends ./dev.sh test, gathered preset by preset from CTest's JUnit files.

  summary.py add SUMMARY PRESET JUNIT SECONDS   appends one preset's line (and its skip reasons)
  summary.py show SUMMARY                       prints the table
"""
import json
import re
import sys
import xml.etree.ElementTree as ElementTree


def skip_reason(output):
    """What a skipped test said: GoogleTest's line after "Skipped", or a script's "SKIP:" line."""
    lines = output.splitlines()
    for i, line in enumerate(lines):
        if line.endswith(": Skipped") and i + 1 < len(lines) and lines[i + 1].strip():
            return lines[i + 1].strip()
        if line.startswith("SKIP:"):
            return line[len("SKIP:"):].strip()
    return "no reason given"


def fuzz_runs(output):
    """libFuzzer's count of inputs run, from its final statistics."""
    found = re.search(r"stat::number_of_executed_units:\s*(\d+)", output)
    return int(found.group(1)) if found else None


def add(summary, preset, junit, seconds):
    cases = ElementTree.parse(junit).getroot().iter("testcase")
    line = {"preset": preset, "run": 0, "passed": 0, "skipped": 0, "failed": 0,
            "seconds": int(seconds), "notes": []}
    for case in cases:
        name = case.get("name").split("  #")[0]
        output = case.findtext("system-out") or ""
        status = case.get("status")
        if status == "notrun" or case.find("skipped") is not None:
            line["skipped"] += 1
            line["notes"].append(f"skipped {name}: {skip_reason(output)}")
            continue
        line["run"] += 1
        if case.find("failure") is not None or status == "fail":
            line["failed"] += 1
            line["notes"].append(f"FAILED {name}")
        else:
            line["passed"] += 1
        runs = fuzz_runs(output)
        if runs is not None:
            line["notes"].append(f"{name}: {runs:,} inputs run")
    with open(summary, "a") as out:
        out.write(json.dumps(line) + "\n")


def show(summary):
    rows = []
    with open(summary) as lines:
        for text in lines:
            if text.startswith("{"):
                rows.append(json.loads(text))
            else:  # a preset that did not run: "PRESET - - - - - why"
                preset, why = text.split(" ", 1)[0], text.split(" - - - - - ", 1)[-1].strip()
                rows.append({"preset": preset, "notes": [why]})
    print()
    print("== summary")
    print(f"{'preset':<12} {'run':>5} {'passed':>7} {'skipped':>8} {'failed':>7} {'time':>8}")
    for row in rows:
        if "run" not in row:
            print(f"{row['preset']:<12} {'-':>5} {'-':>7} {'-':>8} {'-':>7} {'-':>8}")
            continue
        print(f"{row['preset']:<12} {row['run']:>5} {row['passed']:>7} {row['skipped']:>8} "
              f"{row['failed']:>7} {row['seconds']:>6} s")
    for row in rows:
        for note in row["notes"]:
            print(f"  {row['preset']}: {note}")


if __name__ == "__main__":
    if len(sys.argv) == 6 and sys.argv[1] == "add":
        add(sys.argv[2], sys.argv[3], sys.argv[4], sys.argv[5])
    elif len(sys.argv) == 3 and sys.argv[1] == "show":
        show(sys.argv[2])
    else:
        sys.exit(__doc__)
