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

# The prefix that wine-run.sh would take, named here so that the slow drive
# can be mapped in it and its Wine session ended.
release=$("${TAVREL_WINE:-wine}" --version) || exit 1
TAVREL_WINEPREFIX=${TAVREL_WINEPREFIX:-$build/${release%% *}-${TAVREL_CODEPAGE:-1252}}
export TAVREL_WINEPREFIX
"$root/scripts/wine-run.sh" "$build/e2e_floor.exe" || exit 1

# tavrel-slow-200 runs on a slow drive: a FUSE pass-through of a scratch
# folder (slow_drive.py, with Debian's python3-fusepy, installed here when
# missing) that answers each metadata question after 5 ms, mapped as a drive
# letter, beside a second letter for the same folder without the delay. What
# is mounted and mapped here is removed again however the run ends.
/usr/bin/python3 -c 'import fusepy' 2>/dev/null || apt-get install -y -q python3-fusepy >/dev/null || exit 1
devices=$TAVREL_WINEPREFIX/dosdevices
slow='' fast=''
for letter in s t u v w x y; do
  [ -e "$devices/$letter:" ] || [ -L "$devices/$letter:" ] && continue
  if [ -z "$slow" ]; then slow=$letter; elif [ -z "$fast" ]; then fast=$letter; fi
done
[ -n "$fast" ] || { echo "no two free drive letters in $devices"; exit 1; }
backing=$(mktemp -d) && mountpoint=$(mktemp -d) || exit 1
drive_pid=''
unmount() {
  rm -f "$devices/$slow:" "$devices/$fast:"
  if mountpoint -q "$mountpoint"; then fusermount -u "$mountpoint" 2>/dev/null || umount "$mountpoint" || umount -l "$mountpoint"; fi
  [ -n "$drive_pid" ] && kill "$drive_pid" 2>/dev/null && wait "$drive_pid"
  rmdir "$mountpoint"
  rm -rf "$backing"
}
trap unmount EXIT
trap 'exit 130' INT TERM HUP
/usr/bin/python3 "$root/bench/slow_drive.py" "$backing" "$mountpoint" 5 &
drive_pid=$!
tries=0
until mountpoint -q "$mountpoint"; do
  tries=$((tries + 1))
  [ $tries -le 100 ] && kill -0 "$drive_pid" 2>/dev/null || { echo "the slow drive did not mount"; exit 1; }
  sleep 0.1
done
ln -s "$mountpoint" "$devices/$slow:" && ln -s "$backing" "$devices/$fast:" || exit 1

# The clipboard needs a display: a private one unless there is one already,
# and then the Wine session ends before that display does.
if [ -n "${DISPLAY:-}" ]; then
  "$root/scripts/wine-run.sh" "$build/e2e_driver.exe" "$rounds" "$slow:" "$fast:"
else
  xvfb-run -a -s "-screen 0 1280x1024x24" sh -c '"$1" "$2" "$3" "$4" "$5"; status=$?; "$1" --stop "$6"; exit $status' \
    sh "$root/scripts/wine-run.sh" "$build/e2e_driver.exe" "$rounds" "$slow:" "$fast:" "$build"
fi
status=$?
exit $status
