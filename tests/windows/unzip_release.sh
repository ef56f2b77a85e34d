#!/bin/sh
# unzip_release.sh ZIP FOLDER
# The release the Windows suite tests: the release script's unsigned zip,
# unzipped to FOLDER, named after the zip, as a user unzips it.
set -eu
rm -rf "${2:?}"
python3 -m zipfile -e "$1" "$2"
ls -l "$2"
