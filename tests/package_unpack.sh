#!/bin/sh
# Unpacks the release zip into a fresh folder and runs the package test of
# the test exe against it: the exe must work from wherever it is unpacked.
set -eu
# Usage: package_unpack.sh ZIP TEST_EXE [RUNNER]; RUNNER is Wine's, and absent
# on Windows itself.
zip=$1
test_exe=$2
runner=${3:-}
[ -f "$zip" ] || { echo "no release zip at $zip: the package target was not built"; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/tavrel-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
unzip -q "$zip" -d "$work"
# Under Wine the drive Z: is the Unix root; on Windows MSYS2 names the folder.
if [ -n "$runner" ]; then
  unpacked="Z:$(echo "$work" | tr / '\\')"
else
  unpacked=$(cygpath -w "$work")
fi
output=$(TAVREL_UNPACKED="$unpacked" \
  $runner "$test_exe" --gtest_also_run_disabled_tests --gtest_filter='Package.*' 2>&1) || { echo "$output"; exit 1; }
echo "$output"
# GoogleTest passes when its filter selects no test at all.
echo "$output" | grep -q '^\[  PASSED  \] [1-9]' || { echo "no package test ran"; exit 1; }
