#!/bin/sh
# Builds both architectures, each with its test exes, into build/x64 and
# build/x86, with their four release zips: Tavrel-<version>-win64.zip and
# -win32.zip with the English manual, -win64-ja.zip and -win32-ja.zip with the
# Japanese one. Warnings are errors.
set -eu
cd "$(dirname "$0")/.."
# TAVREL_TESTS is given, not left to the cache: a build folder configured when
# the x86 preset still left the tests out keeps that setting otherwise.
for arch in x64 x86; do
  cmake --preset $arch -DTAVREL_WERROR=ON -DTAVREL_TESTS=ON >/dev/null
  cmake --build --preset $arch
  cmake --build --preset $arch --target package
done
