#!/bin/sh
# Runs the ctest suite of one build folder under one code page, on a screen
# of its own: Xvfb takes the first free display number itself, so that suites
# can run side by side, also beside other users' X servers. Afterwards no Wine
# process of the suite's prefix is left running.
# Usage: suite.sh BUILD_FOLDER CODEPAGE [CTEST ARGUMENT...]
set -eu
build=$1
codepage=$2
shift 2
number=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$number" 2>/dev/null &
server=$!
trap 'kill $server 2>/dev/null; rm -f "$number"' EXIT
until [ -s "$number" ]; do
  kill -0 $server 2>/dev/null || { echo "suite.sh: Xvfb did not start" >&2; exit 1; }
  sleep 0.1
done
# ctest writes its logs and the tests' costs into a Testing folder where it
# runs. Suites of one build folder may run side by side (Wine 8 and Wine 10,
# code page 1252 and 932), so each runs the build folder's tests from a
# folder of its own, named like its Wine prefix. TAVREL_SUITE_PART names a
# part of a suite that runs beside the rest of it: that part gets a prefix,
# and so a Wine server and a clipboard, of its own as well.
release=$("${TAVREL_WINE:-wine}" --version) || { echo "suite.sh: ${TAVREL_WINE:-wine} does not run" >&2; exit 1; }
name=${release%% *}-$codepage${TAVREL_SUITE_PART:+-$TAVREL_SUITE_PART}
own=$build/ctest-$name
if [ -n "${TAVREL_SUITE_PART:-}" ]; then
  TAVREL_WINEPREFIX=$(cd "$build" && pwd)/$name
  export TAVREL_WINEPREFIX
fi
mkdir -p "$own"
echo "subdirs(\"$(cd "$build" && pwd)\")" >"$own/CTestTestfile.cmake"
status=0
DISPLAY=:$(cat "$number") TAVREL_CODEPAGE=$codepage ctest --test-dir "$own" --output-on-failure "$@" || status=$?
TAVREL_CODEPAGE=$codepage sh "$(dirname "$0")/wine-run.sh" --stop "$build" 2>/dev/null || true
exit $status
