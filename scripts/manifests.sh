#!/bin/sh
# Writes the manifests that install Tavrel's release zips through winget and
# Scoop, from the SHA256SUMS that scripts/build.sh left in build/x64 and
# build/x86, then checks them offline (scripts/check-manifests.py):
#   build/manifests/SHA256SUMS    both lists in one, as the release holds it:
#                                 two files of one name would collide there
#   build/manifests/winget/       Tavrel.Tavrel.yaml, its two locales and its
#                                 four installers (x64 and x86, each en-US with
#                                 the English zip and ja-JP with the -ja zip)
#   build/manifests/scoop/tavrel.json
# TAVREL_RELEASE_URL is the https folder that the release's files are
# downloaded from, holding the version (the workflow gives
# https://github.com/<repository>/releases/download/v<version>); unset, it is
# https://example.invalid/v<version>. The release date is the commit's, as
# the zips' entries' times are (cmake/package_times.cmake).
# Usage: manifests.sh, or manifests.sh --version, which prints the project's
# version, that a release's tag must name, and writes nothing.
set -eu
cd "$(dirname "$0")/.."
version=$(sed -n 's/^project(Tavrel VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "manifests.sh: no version in CMakeLists.txt's project()"; exit 1; }
if [ "${1:-}" = --version ]; then echo "$version"; exit 0; fi
url=${TAVREL_RELEASE_URL:-https://example.invalid/v$version}
url=${url%/}
case $url in
  https://*"$version"*) ;;
  *) echo "manifests.sh: TAVREL_RELEASE_URL ($url) is no https address that holds the version $version"; exit 1 ;;
esac
epoch=${SOURCE_DATE_EPOCH:-$(git -c safe.directory='*' log -1 --format=%ct)}
date=$(date -u -d "@$epoch" +%F)
# Scoop's autoupdate writes the next version where this one stands.
escaped=$(printf '%s' "$version" | sed 's/\./\\./g')
next_url=$(printf '%s' "$url" | sed "s/$escaped/\$version/g")
# A GitHub release folder lies below its repository's page; Scoop asks
# GitHub's own interface for the newest version there.
case $url in
  https://github.com/*/releases/download/*)
    homepage=${url%%/releases/download/*}
    checkver="{ \"github\": \"$homepage\" }" ;;
  *)
    homepage=${url%/*}
    checkver="{ \"url\": \"$homepage/releases/latest\", \"regex\": \"/releases/tag/v([\\\\d.]+)\" }" ;;
esac

# Usage: sum ZIP_NAME: the zip's SHA-256 from its build folder's list.
sum() {
  found=$(sed -n "s/^\([0-9a-f]\{64\}\)  $1\$/\1/p" build/x64/SHA256SUMS build/x86/SHA256SUMS)
  [ -n "$found" ] || { echo "manifests.sh: no SHA-256 of $1 in build/x64/SHA256SUMS or build/x86/SHA256SUMS" >&2; exit 1; }
  echo "$found"
}
zip64=Tavrel-$version-win64.zip
zip32=Tavrel-$version-win32.zip
zip64ja=Tavrel-$version-win64-ja.zip
zip32ja=Tavrel-$version-win32-ja.zip
# Each read here, so that a missing line stops the script.
sum64=$(sum "$zip64")
sum32=$(sum "$zip32")
sum64ja=$(sum "$zip64ja")
sum32ja=$(sum "$zip32ja")

out=build/manifests
rm -rf "$out"
mkdir -p "$out/winget" "$out/scoop"
cat build/x64/SHA256SUMS build/x86/SHA256SUMS >"$out/SHA256SUMS"

id=Tavrel.Tavrel
schema="# yaml-language-server: \$schema=https://aka.ms/winget-manifest"
identity="PackageIdentifier: $id
PackageVersion: $version"
ending="ManifestVersion: 1.12.0"

cat >"$out/winget/$id.yaml" <<EOF
$schema.version.1.12.0.schema.json
$identity
DefaultLocale: en-US
ManifestType: version
$ending
EOF

cat >"$out/winget/$id.locale.en-US.yaml" <<EOF
$schema.defaultLocale.1.12.0.schema.json
$identity
PackageLocale: en-US
Publisher: The Tavrel developers
PackageName: Tavrel
PackageUrl: $homepage
License: MIT
ShortDescription: Puts the paths, names or URL parts of the files, folders and URLs sent to it on the clipboard, one line each, shaped by a template.
Description: |-
  Tavrel has no window: a beep says it worked. Run "tavrel /#i" once, or
  double-click "Add to Send To.cmd" in the extracted zip, for its entries in
  Explorer's Send To menu and Ctrl+Alt+F8, which turns files copied in
  Explorer into their paths as text.
Moniker: tavrel
Tags:
  - clipboard
  - copy-path
  - send-to
  - explorer
ManifestType: defaultLocale
$ending
EOF

cat >"$out/winget/$id.locale.ja-JP.yaml" <<EOF
$schema.locale.1.12.0.schema.json
$identity
PackageLocale: ja-JP
Publisher: The Tavrel developers
PackageName: Tavrel
License: MIT
ShortDescription: 送ったファイル、フォルダー、URL のパス、名前、URL の各部分を、テンプレートに沿って 1 行ずつクリップボードに出力します。
ManifestType: locale
$ending
EOF

# Usage: installer ARCHITECTURE LOCALE ZIP_NAME SHA256
installer() {
  cat <<EOF
  - Architecture: $1
    InstallerLocale: $2
    InstallerUrl: $url/$3
    InstallerSha256: $4
    ReleaseDate: $date
EOF
}
{
  cat <<EOF
$schema.installer.1.12.0.schema.json
$identity
InstallerType: zip
NestedInstallerType: portable
NestedInstallerFiles:
  - RelativeFilePath: Tavrel.exe
    PortableCommandAlias: tavrel
Installers:
EOF
  installer x64 en-US "$zip64" "$sum64"
  installer x64 ja-JP "$zip64ja" "$sum64ja"
  installer x86 en-US "$zip32" "$sum32"
  installer x86 ja-JP "$zip32ja" "$sum32ja"
  printf 'ManifestType: installer\n%s\n' "$ending"
} >"$out/winget/$id.installer.yaml"

# A shortcut without arguments would start a run with no items, which does
# nothing: Scoop's one shortcut makes the Send To entries instead.
cat >"$out/scoop/tavrel.json" <<EOF
{
  "version": "$version",
  "description": "Puts the paths, names or URL parts of the files, folders and URLs sent to it on the clipboard, one line each, shaped by a template.",
  "homepage": "$homepage",
  "license": "MIT",
  "architecture": {
    "64bit": {
      "url": "$url/$zip64",
      "hash": "$sum64"
    },
    "32bit": {
      "url": "$url/$zip32",
      "hash": "$sum32"
    }
  },
  "bin": "Tavrel.exe",
  "shortcuts": [["Tavrel.exe", "Tavrel - add to Send To", "/#i"]],
  "checkver": $checkver,
  "autoupdate": {
    "architecture": {
      "64bit": { "url": "$next_url/Tavrel-\$version-win64.zip" },
      "32bit": { "url": "$next_url/Tavrel-\$version-win32.zip" }
    },
    "hash": { "url": "\$baseurl/SHA256SUMS" }
  }
}
EOF

python3 scripts/check-manifests.py "$version"
