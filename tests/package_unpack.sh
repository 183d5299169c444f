#!/bin/sh
# Unpacks the release zip into a fresh folder and runs the package test of
# the test exe against it: the exe must work from wherever it is unpacked.
set -eu
zip=$1
runner=$2
test_exe=$3
[ -f "$zip" ] || { echo "no release zip at $zip: the package target was not built"; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/tavrel-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
unzip -q "$zip" -d "$work"
# Wine's drive Z: is the Unix root.
output=$(TAVREL_UNPACKED="Z:$(echo "$work" | tr / '\\')" \
  "$runner" "$test_exe" --gtest_also_run_disabled_tests --gtest_filter='Package.*' 2>&1) || { echo "$output"; exit 1; }
echo "$output"
# GoogleTest passes when its filter selects no test at all.
echo "$output" | grep -q '^\[  PASSED  \] [1-9]' || { echo "no package test ran"; exit 1; }
