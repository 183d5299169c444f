#!/bin/sh
# Makes FOLDER/link, a Unix symbolic link to the folder FOLDER/target, for the
# "%^T" test: Wine's CreateSymbolicLinkW makes nothing, and a Unix link to a
# folder is what Wine shows as a reparse point.
set -eu
rm -rf "$1"
mkdir -p "$1/target"
ln -s target "$1/link"
