#!/usr/bin/env python3
"""Writes a zip archive that depends only on the files' names and contents:
entries in the order given, each dated 1980-01-01 00:00, mode 0644, made on
"Unix", deflated at level 9. Names are stored as UTF-8 (flagged as such).

Usage: deterministic-zip.py ARCHIVE DIRECTORY NAME..."""
import os
import sys
import zipfile


def main(archive, directory, names):
    with zipfile.ZipFile(archive, 'w') as out:
        for name in names:
            info = zipfile.ZipInfo(name, date_time=(1980, 1, 1, 0, 0, 0))
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 3
            info.external_attr = 0o100644 << 16
            with open(os.path.join(directory, name), 'rb') as f:
                out.writestr(info, f.read(), compresslevel=9)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1], sys.argv[2], sys.argv[3:]))
