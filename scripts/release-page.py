#!/usr/bin/env python3
"""The release page of a version: what the workflow publishes when a tag
v<version> is pushed, made from the zip the suite checked.

  release-page.py page FACTS_JSON CHANGELOG.md ZIP TAG OUT_DIR
checks that TAG (v<version>, or refs/tags/v<version> as GITHUB_REF gives
it) names the build's version, and writes OUT_DIR (a new folder) with:
  - the zip;
  - <zip>.sha256, its SHA-256 as sha256sum writes it;
  - notes.md, the version's section of CHANGELOG.md;
  - the program, unzipped (the first of the release's files), which is
    attested beside the zip.

  release-page.py publish FACTS_JSON OUT_DIR TAG [BUNDLE]
checks the tag again and makes the GitHub release of the tag with gh: the
zip and its .sha256, and the attestation bundle (BUNDLE, if given and not
empty: actions/attest writes one Sigstore bundle, as JSON) as <zip name
without .zip>.sigstore.json, copied into OUT_DIR, with
notes.md as its notes. If the release exists already (a rerun), its title
and notes are replaced and the same-named files uploaded again (gh release
upload --clobber); files of other names stay. gh finds the repository and
its token in GH_REPO and GH_TOKEN."""
import glob
import hashlib
import json
import os
import shutil
import subprocess
import sys
import zipfile

from changelog import section  # scripts/changelog.py, beside this script

NOTES = 'notes.md'
TAG_PREFIX = 'refs/tags/'


def tag_version(facts_json, tag):
    """The build's facts and version, if tag names it; else the script stops."""
    with open(facts_json, encoding='utf-8') as f:
        facts = json.load(f)
    version = facts['VERSION']
    name = tag[len(TAG_PREFIX):] if tag.startswith(TAG_PREFIX) else tag
    if name != f'v{version}':
        raise SystemExit(f'release-page: the tag "{tag}" does not name this build\'s version {version}: '
                         f'only the tag v{version} publishes it')
    return facts, version


def sha256_line(path):
    with open(path, 'rb') as f:
        return f'{hashlib.file_digest(f, "sha256").hexdigest()}  {os.path.basename(path)}\n'


def page(facts_json, changelog, zip_path, tag, out):
    facts, version = tag_version(facts_json, tag)
    with open(changelog, encoding='utf-8') as f:
        notes = section(version, f.read())
    name = os.path.basename(zip_path)
    if name != facts['RELEASE_ZIP']:
        raise SystemExit(f'release-page: {name} is not the zip of version {version}, {facts["RELEASE_ZIP"]}')
    exe = facts['RELEASE_FILES'][0]
    with zipfile.ZipFile(zip_path) as archive:
        if exe not in archive.namelist():
            raise SystemExit(f'release-page: {name} holds no {exe}')
        program = archive.read(exe)
    os.makedirs(out)  # a new folder: nothing stale is published from it
    shutil.copyfile(zip_path, os.path.join(out, name))
    for file, data in ((name + '.sha256', sha256_line(zip_path).encode()), (NOTES, notes.encode()), (exe, program)):
        with open(os.path.join(out, file), 'wb') as f:
            f.write(data)
    for made in sorted(os.listdir(out)):
        print(f'{out}/{made}')
    return 0


def publish(facts_json, out, tag, bundle=''):
    facts, version = tag_version(facts_json, tag)
    zips = glob.glob(os.path.join(glob.escape(out), '*.zip'))
    if len(zips) != 1:
        raise SystemExit(f'release-page: {out} holds {len(zips)} zips, not one: make it with "page"')
    assets = [zips[0], zips[0] + '.sha256']
    if bundle:
        if not os.path.isfile(bundle):
            raise SystemExit(f'release-page: no attestation bundle at {bundle}')
        assets.append(zips[0].removesuffix('.zip') + '.sigstore.json')
        shutil.copyfile(bundle, assets[-1])
    notes = os.path.join(out, NOTES)
    for path in assets + [notes]:
        if not os.path.isfile(path):
            raise SystemExit(f'release-page: {path} is missing: make the folder with "page"')

    tag = f'v{version}'
    title = f'{facts["WINDOW_TITLE"]} {version}'
    exists = subprocess.run(['gh', 'release', 'view', tag], stdout=subprocess.DEVNULL).returncode == 0
    if exists:
        steps = [('release', 'edit', tag, '--title', title, '--notes-file', notes),
                 ('release', 'upload', tag, '--clobber', *assets)]
    else:
        steps = [('release', 'create', tag, '--verify-tag', '--title', title, '--notes-file', notes, *assets)]
    for step in steps:
        print('gh', *step, flush=True)
        code = subprocess.run(['gh', *step], check=False).returncode
        if code != 0:
            raise SystemExit(f'release-page: gh {step[0]} {step[1]} exited with {code}')
    return 0


if __name__ == '__main__':
    commands = {'page': (page, 5, 5), 'publish': (publish, 3, 4)}
    command = commands.get(sys.argv[1] if len(sys.argv) > 1 else '')
    if not command or not command[1] <= len(sys.argv) - 2 <= command[2]:
        raise SystemExit(__doc__)
    sys.exit(command[0](*sys.argv[2:]))
