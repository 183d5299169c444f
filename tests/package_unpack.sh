#!/bin/sh
# Unpacks the release zip into a fresh folder and runs the package test of
# the test exe against it: the exe must work from wherever it is unpacked.
# Under code page 932 it takes the Japanese zip, which the first argument
# names by its English twin; the screen test exe, when given, checks that the
# unpacked exe opens the manual that came with it.
set -eu
zip=$1
runner=$2
test_exe=$3
screen_exe=${4:-}
if [ "${TAVREL_CODEPAGE:-1252}" = 932 ]; then zip=${zip%.zip}-ja.zip; fi
[ -f "$zip" ] || { echo "no release zip at $zip: build the package target first"; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/tavrel-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
unzip -q "$zip" -d "$work"
# Wine's drive Z: is the Unix root.
export TAVREL_UNPACKED="Z:$(echo "$work" | tr / '\\')"
"$runner" "$test_exe" --gtest_also_run_disabled_tests --gtest_filter='Package.*'
if [ -n "$screen_exe" ]; then
  "$runner" "$screen_exe" --gtest_also_run_disabled_tests --gtest_filter='PackageHelp.*'
fi
