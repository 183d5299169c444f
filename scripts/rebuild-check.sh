#!/bin/sh
# Builds the release of both architectures a second time, from nothing, in
# build/rebuild/x64 and build/rebuild/x86, and compares Tavrel.exe, the zips
# and SHA256SUMS byte for byte with those that scripts/build.sh left in
# build/x64 and build/x86: the same commit must give the same release in any
# folder at any time. The second build leaves the tests out, as a user who
# only wants the release does. Fails, naming each file that differs.
set -eu
cd "$(dirname "$0")/.."
again=build/rebuild
rm -rf "$again"
status=0
for arch in x64 x86; do
  log=$again/$arch.log
  mkdir -p "$again"
  if ! { cmake --preset $arch -B "$again/$arch" -DTAVREL_WERROR=ON -DTAVREL_TESTS=OFF &&
         cmake --build "$again/$arch" --target package; } >"$log" 2>&1; then
    cat "$log"
    echo "rebuild-check.sh: the second $arch build failed"
    exit 1
  fi
  # SHA256SUMS names the zips; were a name missing from one list, the two
  # lists would differ.
  for file in Tavrel.exe SHA256SUMS $(sed 's/^[0-9a-f]*  //' "build/$arch/SHA256SUMS"); do
    if cmp "build/$arch/$file" "$again/$arch/$file"; then
      echo "$arch/$file: the same, byte for byte"
    else
      status=1
    fi
  done
done
exit $status
