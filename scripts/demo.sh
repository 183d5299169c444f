#!/bin/sh
# Installs what is missing, builds, and runs Tavrel on a built-in demo of real
# files, folders and URLs, printing what each run put on the clipboard.
set -eu
cd "$(dirname "$0")/.."
sh scripts/setup.sh
sh scripts/build.sh >/dev/null
codepage=${TAVREL_CODEPAGE:-1252}
export TAVREL_CODEPAGE=$codepage
# The Wine server is stopped before the screen goes away, quietly.
xvfb-run -a -s "-screen 0 1024x768x24" sh -c \
  "scripts/wine-run.sh build/x64/tavrel_demo.exe; scripts/wine-run.sh --stop build/x64"
