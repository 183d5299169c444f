#!/bin/sh
# Builds both architectures into build/x64 and build/x86. Warnings are errors.
set -eu
cd "$(dirname "$0")/.."
cmake --preset x64 -DTAVREL_WERROR=ON >/dev/null
cmake --build --preset x64
cmake --preset x86 -DTAVREL_WERROR=ON >/dev/null
cmake --build --preset x86
