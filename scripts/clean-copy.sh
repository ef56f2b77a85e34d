#!/bin/bash
# clean-copy.sh SOURCE_DIR DEST_DIR
# Copies the sources into DEST_DIR (made if missing): in a git checkout the
# files under version control, as they are in the work tree; in an unpacked
# source archive its files, without the build trees, releases and Python
# caches that .gitignore names. Nothing generated can enter the copy. The
# release and the checks on it build from such a copy.
set -euo pipefail
source_dir=$1 dest=$2
mkdir -p "$dest"
if [ "$(git -C "$source_dir" rev-parse --show-toplevel 2>/dev/null)" = "$(cd "$source_dir" && pwd -P)" ]; then
  # Tracked files deleted from the work tree are not part of these sources.
  git -C "$source_dir" ls-files -z --cached |
    (cd "$source_dir" && while IFS= read -r -d '' path; do
      if [ -e "$path" ]; then printf '%s\0' "$path"; fi
    done) |
    tar -C "$source_dir" --null --no-recursion -T - -cf - | tar -C "$dest" -xf -
else
  tar -C "$source_dir" --exclude=./.git --exclude=./build --exclude='./build-*' --exclude=./out \
    --exclude=./dist --exclude=__pycache__ --exclude='*.pyc' -cf - . | tar -C "$dest" -xf -
fi
