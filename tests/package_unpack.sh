#!/bin/sh
# Unpacks the release zip into a fresh folder and runs the package tests of
# the test exes against it: the exe must work from wherever it is unpacked,
# and open the manual that came with it. Under code page 932 it takes the
# Japanese zip, which the first argument names by its English twin.
# Usage: package_unpack.sh ZIP TEST_EXE SCREEN_EXE [RUNNER]; RUNNER is Wine's,
# and absent on Windows itself.
set -eu
zip=$1
test_exe=$2
screen_exe=$3
runner=${4:-}
if [ "${TAVREL_CODEPAGE:-1252}" = 932 ]; then zip=${zip%.zip}-ja.zip; fi
[ -f "$zip" ] || { echo "no release zip at $zip: the package target was not built"; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/tavrel-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
unzip -q "$zip" -d "$work"
# Under Wine the drive Z: is the Unix root; on Windows MSYS2 names the folder.
if [ -n "$runner" ]; then
  TAVREL_UNPACKED="Z:$(echo "$work" | tr / '\\')"
else
  TAVREL_UNPACKED=$(cygpath -w "$work")
fi
export TAVREL_UNPACKED
# GoogleTest passes when its filter selects no test at all, so the count of
# passed tests is read as well.
run_package_tests() {
  output=$($runner "$1" --gtest_also_run_disabled_tests --gtest_filter="$2" 2>&1) || { echo "$output"; exit 1; }
  echo "$output"
  echo "$output" | grep -q '^\[  PASSED  \] [1-9]' || { echo "no test of $2 ran"; exit 1; }
}
run_package_tests "$test_exe" 'Package.*'
run_package_tests "$screen_exe" 'PackageHelp.*'
