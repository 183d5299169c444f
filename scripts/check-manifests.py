"""Checks, offline, the manifests that scripts/manifests.sh wrote in
build/manifests against the release zips in build/x64 and build/x86:

- the fields that each format requires, from the tables below (the winget
  1.12.0 schemas' required fields and the ones that a portable zip needs;
  Scoop's fields that an install, its shortcut and its updates read), written
  here and checked with jsonschema, for no schema is downloaded;
- the same identity and version in every winget file, and each file's first
  line naming its schema;
- https addresses whose release folder holds the version;
- every hash equal to its zip's line in its build folder's SHA256SUMS, in the
  one combined SHA256SUMS, and to the zip itself;
- the alias's file (and Scoop's bin) present in every zip;
- one winget installer per architecture and locale, and Scoop's autoupdate
  giving this release's addresses back for this version.

Usage: check-manifests.py VERSION. Prints each fault with what was found and
what was expected, and fails when there is any.
"""
import hashlib
import json
import sys
import zipfile
from pathlib import Path

import jsonschema
import yaml

BUILD = Path("build")
OUT = BUILD / "manifests"
IDENTIFIER = "Tavrel.Tavrel"
WINGET_VERSION = "1.12.0"
ALIAS = "tavrel"

# The release's zips: (build folder, winget architecture, winget locale,
# Scoop architecture or None, name without the version's prefix).
ZIPS = [
    ("x64", "x64", "en-US", "64bit", "win64.zip"),
    ("x64", "x64", "ja-JP", None, "win64-ja.zip"),
    ("x86", "x86", "en-US", "32bit", "win32.zip"),
    ("x86", "x86", "ja-JP", None, "win32-ja.zip"),
]


def text(low, high):
    return {"type": "string", "minLength": low, "maxLength": high}


HTTPS = {"type": "string", "pattern": "^https://[^\\s]+$"}
SHA256 = {"type": "string", "pattern": "^[0-9A-Fa-f]{64}$"}
INSTALLER = {
    "type": "object",
    "required": ["Architecture", "InstallerLocale", "InstallerUrl", "InstallerSha256", "ReleaseDate"],
    "properties": {
        "Architecture": {"enum": ["x64", "x86"]},
        "InstallerLocale": {"enum": ["en-US", "ja-JP"]},
        "InstallerUrl": HTTPS,
        "InstallerSha256": SHA256,
        "ReleaseDate": {"type": "string", "pattern": "^[0-9]{4}-[0-9]{2}-[0-9]{2}$"},
    },
}
# file, ManifestType, the fields that it requires beyond the identity.
WINGET_FILES = [
    (f"{IDENTIFIER}.yaml", "version", ["DefaultLocale"]),
    (f"{IDENTIFIER}.locale.en-US.yaml", "defaultLocale",
     ["PackageLocale", "Publisher", "PackageName", "License", "ShortDescription"]),
    (f"{IDENTIFIER}.locale.ja-JP.yaml", "locale", ["PackageLocale"]),
    (f"{IDENTIFIER}.installer.yaml", "installer",
     ["InstallerType", "NestedInstallerType", "NestedInstallerFiles", "Installers"]),
]
WINGET_FIELDS = {
    "DefaultLocale": {"const": "en-US"},
    "PackageLocale": {"enum": ["en-US", "ja-JP"]},
    "Publisher": text(2, 256),
    "PackageName": text(2, 256),
    "License": text(3, 512),
    "ShortDescription": text(3, 256),
    "PackageUrl": HTTPS,
    "InstallerType": {"const": "zip"},
    "NestedInstallerType": {"const": "portable"},
    "NestedInstallerFiles": {
        "type": "array", "minItems": 1, "maxItems": 1,
        "items": {"type": "object", "required": ["RelativeFilePath", "PortableCommandAlias"],
                  "properties": {"PortableCommandAlias": {"const": ALIAS}}},
    },
    "Installers": {"type": "array", "minItems": 1, "items": INSTALLER},
}
SCOOP_URL = {"type": "object", "required": ["url"], "properties": {"url": HTTPS}}
SCOOP = {
    "type": "object",
    "required": ["version", "description", "homepage", "license", "architecture", "bin",
                 "shortcuts", "checkver", "autoupdate"],
    "properties": {
        "homepage": HTTPS,
        "license": text(1, 100),
        "architecture": {
            "type": "object", "required": ["64bit", "32bit"],
            "additionalProperties": {"type": "object", "required": ["url", "hash"],
                                     "properties": {"url": HTTPS, "hash": SHA256}},
        },
        "bin": {"type": "string"},
        "shortcuts": {"const": [["Tavrel.exe", "Tavrel - add to Send To", "/#i"]]},
        "checkver": {"type": "object", "minProperties": 1},
        "autoupdate": {
            "type": "object", "required": ["architecture", "hash"],
            "properties": {
                "architecture": {"type": "object", "required": ["64bit", "32bit"],
                                 "additionalProperties": SCOOP_URL},
                "hash": {"const": {"url": "$baseurl/SHA256SUMS"}},
            },
        },
    },
}

faults = []
checks = 0


def expect(found, expected, what):
    global checks
    checks += 1
    if found != expected:
        faults.append(f"{what}: found {found!r}, expected {expected!r}")


def validate(document, schema, what):
    global checks
    checks += 1
    for error in jsonschema.Draft7Validator(schema).iter_errors(document):
        place = "/".join(str(step) for step in error.absolute_path) or "(top)"
        faults.append(f"{what}, {place}: {error.message}")


def read_sums(path):
    sums = {}
    for line in path.read_text().splitlines():
        digest, name = line.split("  ", 1)
        sums[name] = digest
    return sums


def check_download(url, digest, version, zip_name, sums, what):
    """The address, the hash and the zip behind one download."""
    folder, _, name = url.rpartition("/")
    expect(name, zip_name, f"{what}: the address's zip")
    expect(version in folder, True, f"{what}: the version in the release folder {folder}")
    expect(digest.lower(), sums.get(zip_name), f"{what}: the hash against SHA256SUMS's line of {zip_name}")


def main(version):
    combined = read_sums(OUT / "SHA256SUMS")
    zips = {}
    for build, _, _, _, suffix in ZIPS:
        name = f"Tavrel-{version}-{suffix}"
        path = BUILD / build / name
        listed = read_sums(BUILD / build / "SHA256SUMS")
        expect(combined.get(name), listed.get(name), f"the combined SHA256SUMS's line of {name} against {build}'s")
        expect(hashlib.sha256(path.read_bytes()).hexdigest(), listed.get(name), f"{path}'s own SHA-256")
        zips[name] = set(zipfile.ZipFile(path).namelist())
    expect(sorted(combined), sorted(zips), "the zips in the combined SHA256SUMS")

    documents = {}
    for file, kind, required in WINGET_FILES:
        path = OUT / "winget" / file
        first = path.read_text(encoding="utf-8").split("\n", 1)[0]
        expect(first, f"# yaml-language-server: $schema=https://aka.ms/winget-manifest.{kind}.{WINGET_VERSION}.schema.json",
               f"{file}'s first line")
        # The base loader keeps every value a string, as winget reads them: a
        # date or a version stays as written.
        document = yaml.load(path.read_text(encoding="utf-8"), Loader=yaml.BaseLoader)
        validate(document, {
            "type": "object",
            "required": ["PackageIdentifier", "PackageVersion", "ManifestType", "ManifestVersion"] + required,
            "properties": dict(WINGET_FIELDS, PackageIdentifier={"const": IDENTIFIER},
                               PackageVersion={"const": version}, ManifestType={"const": kind},
                               ManifestVersion={"const": WINGET_VERSION}),
        }, file)
        if "PackageLocale" in required:
            expect(document.get("PackageLocale"), file.split(".")[-2], f"{file}'s PackageLocale")
        documents[kind] = document

    manifest = documents["installer"]
    alias_file = manifest["NestedInstallerFiles"][0]["RelativeFilePath"]
    installers = {(i.get("Architecture"), i.get("InstallerLocale")): i for i in manifest["Installers"]}
    expect(len(manifest["Installers"]), len(ZIPS), "the count of winget installers")
    expect(len({i.get("ReleaseDate") for i in manifest["Installers"]}), 1, "the count of release dates")
    for _, architecture, locale, _, suffix in ZIPS:
        name = f"Tavrel-{version}-{suffix}"
        what = f"winget's {architecture} {locale} installer"
        found = installers.get((architecture, locale))
        expect(found is not None, True, f"{what}: present")
        if found:
            check_download(found["InstallerUrl"], found["InstallerSha256"], version, name, combined, what)
        expect(alias_file.replace("\\", "/") in zips[name], True, f"the alias's file {alias_file} in {name}")

    scoop = json.loads((OUT / "scoop" / "tavrel.json").read_text(encoding="utf-8"))
    validate(scoop, dict(SCOOP, properties=dict(SCOOP["properties"], version={"const": version})), "tavrel.json")
    for _, _, _, architecture, suffix in ZIPS:
        if architecture is None or architecture not in scoop.get("architecture", {}):
            continue
        name = f"Tavrel-{version}-{suffix}"
        current = scoop["architecture"][architecture]
        what = f"Scoop's {architecture}"
        check_download(current["url"], current["hash"], version, name, combined, what)
        expect(current["url"].rpartition("/")[0], installers.get(("x64", "en-US"), {}).get("InstallerUrl", "").rpartition("/")[0],
               f"{what}: the release folder against winget's")
        expect(scoop.get("bin") in zips[name], True, f"Scoop's bin {scoop.get('bin')} in {name}")
        later = scoop.get("autoupdate", {}).get("architecture", {}).get(architecture, {}).get("url", "")
        expect(later.replace("$version", version), current["url"], f"{what}: autoupdate's address for this version")
        expect(later.rpartition("/")[2], f"Tavrel-$version-{suffix}", f"{what}: autoupdate's zip for the next version")

    for fault in faults:
        print(f"check-manifests.py: {fault}")
    print(f"manifests: {checks} checks, {len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: check-manifests.py VERSION")
    sys.exit(main(sys.argv[1]))
