#!/bin/sh
# Runs one Windows exe under Wine, in a private prefix inside the exe's build
# folder, under the code page chosen by TAVREL_CODEPAGE (1252, the default,
# or 932 for Japanese Windows). TAVREL_OTHER_USER_LOCALE=1 gives it the user
# locale of the other language. TAVREL_WINE names the Wine to run it with
# (`wine` on the PATH by default); each Wine release gets prefixes of its own,
# since a prefix that one release made is no prefix for another.
# Usage: wine-run.sh EXE [ARGUMENT...], or wine-run.sh --stop FOLDER to end
# every Wine process of that build folder's prefix.
if [ "$1" = --stop ]; then
  folder=$(cd "$2" && pwd)
else
  exe=$1
  folder=$(cd "$(dirname "$exe")" && pwd)
fi
shift
codepage=${TAVREL_CODEPAGE:-1252}
case "$codepage" in
  932) locale=ja_JP.UTF-8 other=en_US.UTF-8 ;;
  *) locale=C.UTF-8 other=ja_JP.UTF-8 ;;
esac
if [ -n "${TAVREL_OTHER_USER_LOCALE:-}" ]; then
  # Wine takes the code page from LC_CTYPE and the user locale from the rest:
  # the user locale is then of the other language, as on Windows with a
  # keyboard layout of another language.
  unset LC_ALL
  export LANG=$other LC_CTYPE=$locale
else
  export LC_ALL=$locale LANG=$locale
fi
export WINEDEBUG=-all
wine=${TAVREL_WINE:-wine}
release=$("$wine" --version) || { echo "wine-run.sh: $wine does not run" >&2; exit 1; }
export WINEPREFIX=${TAVREL_WINEPREFIX:-$folder/${release%% *}-$codepage}
if [ -z "${exe:-}" ]; then
  case "$wine" in
    */*) exec "${wine%/*}/wineserver" -k ;;
    *) exec wineserver -k ;;
  esac
fi
# No Mono or Gecko installer prompts when the prefix is created, and no menu
# files of the Linux desktop for a shortcut saved in a Start-menu folder.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
exec "$wine" "$exe" "$@"
