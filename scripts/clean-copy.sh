#!/bin/sh
# clean-copy.sh SOURCE_DIR DEST_DIR
# Copies the source tree into DEST_DIR (made if missing) without what is not
# source: git's metadata and the build trees and releases that .gitignore
# names. The release and the checks on it build from such a copy.
set -eu
mkdir -p "$2"
(cd "$1" && tar --exclude=./.git --exclude=./build --exclude='./build-*' --exclude=./out --exclude=./dist \
  -cf - .) | (cd "$2" && tar -xf -)
