#!/bin/sh
# Runs one Windows exe under Wine, in a private prefix inside the exe's build
# folder, under the code page chosen by TAVREL_CODEPAGE (1252, the default,
# or 932 for Japanese Windows).
exe=$1
shift
folder=$(cd "$(dirname "$exe")" && pwd)
codepage=${TAVREL_CODEPAGE:-1252}
case "$codepage" in
  932) locale=ja_JP.UTF-8 ;;
  *) locale=C.UTF-8 ;;
esac
export LC_ALL=$locale LANG=$locale
export WINEPREFIX=${TAVREL_WINEPREFIX:-$folder/wine-$codepage}
export WINEDEBUG=-all
# No Mono or Gecko installer prompts when the prefix is created.
export WINEDLLOVERRIDES="mscoree,mshtml="
exec wine "$exe" "$@"
