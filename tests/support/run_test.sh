#!/usr/bin/env bash
# run_test.sh <test program> [gtest options...]
#
# Runs a gtest program for ctest and gives an honest verdict: it passes only
# when the process exits 0 AND gtest's summary says every test that ran passed
# or was skipped. The exit code catches what happens after the summary (a
# LeakSanitizer report, a crash in static destruction); the summary catches an
# exit(0) deep in the code under test, which never reaches it. The output
# streams through unchanged; a sanitizer's report in it fails the run too. Then
# comes one verdict line:
#   "run_test: skipped"        every test that ran was skipped (ctest's skip pattern)
#   "run_test: FAILED: <why>"  the run is refused; the script exits 1
# Listing the tests (--gtest_list_tests, for test discovery) runs the program as is.
set -uo pipefail

for arg in "$@"; do
    [ "$arg" = --gtest_list_tests ] && exec "$@"
done

out=$(mktemp "${TMPDIR:-/tmp}/sky_run_test_XXXXXX")
trap 'rm -f "$out"' EXIT

"$@" 2>&1 | tee "$out"
status=${PIPESTATUS[0]}

refuse() {
    echo "run_test: FAILED: $*"
    exit 1
}

# gtest's summary: "[==========] N test(s) from M test suite(s) ran.", then
# "[  PASSED  ] P test(s)." and, when some were skipped, "[  SKIPPED ] S test(s)".
count() { # <pattern with one number group>
    sed -n -E "s/$1/\1/p" "$out" | tail -n 1
}
ran=$(count '^\[==========\] ([0-9]+) tests? from .* ran\..*')
passed=$(count '^\[  PASSED  \] ([0-9]+) tests?\..*')
skipped=$(count '^\[  SKIPPED \] ([0-9]+) tests?, .*')
[ -n "$ran" ] && [ -n "$passed" ] || refuse "gtest never reported its summary (the program ended early, status $status)"
grep -q '^\[  FAILED  \]' "$out" && refuse "gtest reported a failed test (status $status)"
[ "$ran" -gt 0 ] || refuse "no test ran"
[ $((passed + ${skipped:-0})) -eq "$ran" ] || refuse "gtest ran $ran tests but passed $passed"
# Past the summary: leak reports, crashes in static destruction.
[ "$status" -eq 0 ] || refuse "the tests passed but the program exited with status $status"
# A sanitizer told to go on after an error, in this program or a child it ran.
grep -qE '^==[0-9]+==ERROR: [A-Za-z]+Sanitizer|: runtime error: ' "$out" && refuse "a sanitizer reported an error"
[ "$passed" -eq 0 ] && echo "run_test: skipped"
exit 0
