#!/bin/sh
# Builds both architectures into build/x64 and build/x86, with their four
# release zips: Tavrel-<version>-win64.zip and -win32.zip with the English
# manual, -win64-ja.zip and -win32-ja.zip with the Japanese one. Warnings are
# errors.
set -eu
cd "$(dirname "$0")/.."
cmake --preset x64 -DTAVREL_WERROR=ON >/dev/null
cmake --build --preset x64
cmake --build --preset x64 --target package
cmake --preset x86 -DTAVREL_WERROR=ON >/dev/null
cmake --build --preset x86
cmake --build --preset x86 --target package
