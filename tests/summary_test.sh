#!/usr/bin/env bash
# The table that ends ./dev.sh test: counts, a skipped test's reason, fuzz run counts and a preset
# that did not run. Usage: summary_test.sh SUMMARY_PY
set -u
summary_py=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/junit.xml" <<'XML'
<testsuite tests="3">
  <testcase name="A.Passes" status="run"><system-out>[  PASSED  ] 1 test.</system-out></testcase>
  <testcase name="B.Skips  # GetParam() = 1" status="notrun"><skipped message="x"/>
    <system-out>b_test.cpp:9: Skipped
needs a tmpfs
</system-out></testcase>
  <testcase name="fuzz_x" status="fail"><failure message="x"/>
    <system-out>stat::number_of_executed_units: 12345</system-out></testcase>
</testsuite>
XML
python3 "$summary_py" add "$work/s.txt" native "$work/junit.xml" 42 || exit 1
echo "win32 - - - - - wine32 is missing" >>"$work/s.txt"
python3 "$summary_py" show "$work/s.txt" >"$work/out.txt" || exit 1
for line in "native           2       1        1       1     42 s" \
            "native: skipped B.Skips: needs a tmpfs" "native: FAILED fuzz_x" \
            "native: fuzz_x: 12,345 inputs run" "win32: wine32 is missing"; do
    grep -qF -- "$line" "$work/out.txt" || { echo "FAIL: no '$line' in:"; cat "$work/out.txt"; exit 1; }
done
echo "summary_test: all checks passed"
