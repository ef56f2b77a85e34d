#!/bin/bash
# clean-copy.sh SOURCE_DIR DEST_DIR
# Copies the sources into DEST_DIR (made if missing): in a git checkout the
# files under version control, as they are in the work tree; in an unpacked
# source archive its files, without the build trees, releases and Python
# caches that .gitignore names. Nothing generated can enter the copy. The
# release and the checks on it build from such a copy. A .git that git won't
# read stops the copy (it never falls back to copying the whole tree).
set -euo pipefail
source_dir=$1 dest=$2
mkdir -p "$dest"
if [ -e "$source_dir/.git" ]; then
  # A checkout: git must list its files. If it can't (a checkout owned by
  # another user that git won't trust, a broken .git), stop: copying the
  # whole tree instead would take in untracked files.
  if ! top=$(git -C "$source_dir" rev-parse --show-toplevel) ||
     [ "$top" != "$(cd "$source_dir" && pwd -P)" ]; then
    echo "clean-copy.sh: $source_dir has a .git, but git does not list its files (see above)" >&2
    exit 1
  fi
  # Tracked files deleted from the work tree are not part of these sources.
  git -C "$source_dir" ls-files -z --cached |
    (cd "$source_dir" && while IFS= read -r -d '' path; do
      if [ -e "$path" ]; then printf '%s\0' "$path"; fi
    done) |
    tar -C "$source_dir" --null --no-recursion -T - -cf - | tar -C "$dest" -xf -
else
  tar -C "$source_dir" --exclude=./build --exclude='./build-*' --exclude=./out \
    --exclude=./dist --exclude=__pycache__ --exclude='*.pyc' -cf - . | tar -C "$dest" -xf -
fi
