#!/bin/sh
# unzip_release.sh ZIP FOLDER
# The release the Windows suite tests: the release test's unsigned zip,
# unzipped into FOLDER, as a user unzips it and as the workflow's
# Expand-Archive does (the zip's files straight in FOLDER).
set -eu
rm -rf "${2:?}"
python3 -m zipfile -e "$1" "$2"
ls -l "$2"
