#!/bin/sh
# unzip_release.sh SOURCE_DIR OUT NAME
# The release the Windows suite tests: scripts/release.sh's unsigned zip,
# written to OUT/dist/NAME.zip and unzipped to OUT/NAME/, as a user unzips it
# (a folder named after the zip).
set -eu
source=$1 out=$2 name=$3
rm -rf "${out:?}/dist" "${out:?}/$name"
KESTRAFEN_SIGN_PFX='' "$source/scripts/release.sh" "$out/dist"
python3 -m zipfile -e "$out/dist/$name.zip" "$out/$name"
ls -l "$out/$name"
