#!/bin/sh
# Builds Tavrel.exe, the do-nothing floor exe, the floor of the job and the
# driver, then times whole runs of them under one Wine session and prints the
# table (see README.md).
#
#   sh bench/e2e.sh [build folder] [rounds]
#
# The build folder defaults to build/x64 and is configured like the x64
# preset when it is not yet; TAVREL_CODEPAGE=932 runs under code page 932.
# The exit code is 0 when every target is met.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/x64}
rounds=${2:-21}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null || exit 1
fi
cmake --build "$build" --target e2e_driver >/dev/null || exit 1
build=$(cd "$build" && pwd)

# floor-job stands for Tavrel's system work only while it loads the very DLLs
# that Tavrel.exe loads at its start.
objdump=$(sed -n 's/^CMAKE_OBJDUMP:FILEPATH=//p' "$build/CMakeCache.txt")
imports() { "$objdump" -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'a-z' 'A-Z' | sort | tr '\n' ' '; }
if [ "$(imports "$build/e2e_floor_job.exe")" != "$(imports "$build/Tavrel.exe")" ]; then
  echo "e2e_floor_job.exe imports $(imports "$build/e2e_floor_job.exe"), Tavrel.exe $(imports "$build/Tavrel.exe")"
  exit 1
fi

# The clipboard needs a display: a private one unless there is one already,
# and then the Wine session ends before that display does.
if [ -n "${DISPLAY:-}" ]; then
  "$root/scripts/wine-run.sh" "$build/e2e_driver.exe" "$rounds"
else
  xvfb-run -a -s "-screen 0 1280x1024x24" sh -c '"$1" "$2" "$3"; status=$?; WINEPREFIX="$4" wineserver -k; exit $status' \
    sh "$root/scripts/wine-run.sh" "$build/e2e_driver.exe" "$rounds" "$build/wine-${TAVREL_CODEPAGE:-1252}"
fi
