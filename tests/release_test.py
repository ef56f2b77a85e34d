#!/usr/bin/env python3
"""The unsigned release, as CI makes it: scripts/release.sh run without a
certificate, from the checkout (this is the zip the suite and the Windows
workflow test, and BUILDINFO.txt names the checkout's commit). Its zip is
made again, by the script that makes it from a build (scripts/release-zip.sh),
from the tests' own build of the shipped program (in the build tree, from
the checkout's folder) and from a source archive's copy of the sources
without git metadata, in other folders: the two zips must be the same bytes
but for the commit's lines in BUILDINFO.txt (and so the checksum of
BUILDINFO.txt). The zip holds exactly its six files, and:
- SHA256SUMS.txt covers the other five, and sha256sum -c accepts it;
- every text file has CRLF line ends only and is UTF-8, the guide, the
  notices and BUILDINFO.txt with a byte-order mark (not SHA256SUMS.txt,
  which sha256sum -c must read, nor the ASCII LICENSE.txt);
- the guide names the version and its date at the top, has no line wider
  than 72 columns (a wide or ambiguous East-Asian character counting two;
  code-block lines too), and holds, each on one line, every Chinese text the
  program shows (the L"..." literals with Chinese in src/, such as those of
  src/cleanup/clean_print_jobs.cpp and src/ui/*.cpp), so that a changed
  message fails here until the guide follows;
- THIRD-PARTY-NOTICES.txt names every object and archive member in the
  shipped build's linker map that is not one of the project's own objects,
  and points at no licence text by a path that only Debian has;
- BUILDINFO.txt, within 72 columns, gives the SHA-256 of the sources as its
  command computes it,
  the toolchain's package versions, and the SHA-256 of the exe, which is the
  reproducible build's: the build tree's, made from other folders, and the
  exe names none of the folders either was built in.

The file names, the toolchain and the version come from the build's facts;
BUILDINFO.txt is read with the line forms scripts/buildinfo.py writes, and
the version's date with the changelog reader the guide converter uses
(scripts/changelog.py).

Usage: release_test.py SOURCE_DIR FACTS_JSON SHIPPED_BUILD REPRODUCIBLE_EXE LINKER_MAP [KEEP]"""
import hashlib
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unicodedata
import zipfile

from checking import program_sources, read, report, script, user_environment  # beside this test

BOM = b'\xef\xbb\xbf'
WIDTH = 72


def release(source, dist, env):
    run = subprocess.run(['bash', os.path.join(source, 'scripts', 'release.sh'), dist],
                         capture_output=True, text=True, env=env)
    print(run.stdout.strip())
    if run.returncode != 0:
        print(run.stderr)
        raise SystemExit(f'FAIL: release.sh exited with {run.returncode}')
    return run.stdout


def columns(line):
    return sum(2 if unicodedata.east_asian_width(c) in 'WFA' else 1 for c in line)


def messages(source, facts_dir):
    """The Chinese texts in the program's wide string literals, in its
    sources and headers and in the build's facts header."""
    texts = set()
    for text in [*program_sources(source).values(), read(os.path.join(facts_dir, 'kestrafen_facts.h'))]:
        for literal in re.findall(r'L"((?:[^"\\]|\\.)*)"', text):
            if any(unicodedata.east_asian_width(c) in 'WF' for c in literal):
                texts.add(re.sub(r'\\(.)', r'\1', literal))
    return texts


def uncovered(notices, linker_map, notices_script):
    """Inputs of the map that the notices don't name: objects by path,
    archive members through the archives listed."""
    listed, in_list = set(), False
    for line in notices.splitlines():
        if in_list and line.startswith('    /'):
            listed.add(line.split()[0])
        else:
            in_list = line.endswith('linked from:')
    members = set().union(*(notices_script.members(p) for p in listed if p.endswith(('.a', '.lib'))))
    own = re.compile(r'^[^/].*/')  # objects of the build tree, named by their relative path
    # The map's inputs as the notices' own script reads them.
    inputs = notices_script.map_inputs(linker_map)
    return sorted(n for n in inputs if not own.match(n) and n not in listed | members)


def check(contents, source, facts, reproducible_exe, linker_map, extracted, fail):
    """Every promise of the release, on the zip's files (name: bytes)."""
    files = facts['RELEASE_FILES']
    exe, guide_name, licence, notices, buildinfo_name, sums_name = files
    with_bom = {guide_name, notices, buildinfo_name}  # the licence is ASCII
    buildinfo = script(source, 'buildinfo')
    sums = contents[sums_name]
    listed = {}
    for line in sums.split(b'\r\n')[:-1]:
        digest, _, name = line.decode('utf-8').partition('  ')
        listed[name] = digest
    if sorted(listed) != sorted(files[:-1]):
        fail(f'{sums_name} covers {sorted(listed)}')
    for file, digest in listed.items():
        if hashlib.sha256(contents.get(file, b'')).hexdigest() != digest:
            fail(f'the checksum of {file} does not verify')
    check_sums = subprocess.run(['sha256sum', '--strict', '-c', sums_name], cwd=extracted,
                                capture_output=True, text=True)
    if check_sums.returncode != 0:
        fail(f'sha256sum -c rejects {sums_name}: {check_sums.stdout}{check_sums.stderr}')

    texts = {}
    for name in files[1:]:
        data = contents[name]
        if data.count(b'\n') != data.count(b'\r\n') or data.count(b'\r') != data.count(b'\r\n') \
                or not data.endswith(b'\r\n'):
            fail(f'{name} has line ends other than CRLF')
        if data.startswith(BOM) != (name in with_bom):
            fail(f'{name} {"lacks" if name in with_bom else "has"} a UTF-8 byte-order mark')
        texts[name] = data.removeprefix(BOM).decode('utf-8')  # raises if not UTF-8

    guide = texts[guide_name].split('\r\n')
    version, date = script(source, 'changelog').release(facts, read(os.path.join(source, 'CHANGELOG.md')))
    if f'版本 {version}（{date} 发布）' not in guide[:4]:
        fail(f'the guide does not start with version {version} and its date: {guide[:4]}')
    wide = [f'line {n}, {columns(line)} columns: {line}' for n, line in enumerate(guide, 1)
            if columns(line) > WIDTH]
    if wide:
        fail(f'{len(wide)} lines of the guide are wider than {WIDTH} columns:\n  ' + '\n  '.join(wide[:5]))
    for text in sorted(messages(source, os.path.dirname(facts['path']))):
        if not any(text in line for line in guide):
            fail(f'the guide does not show the program\'s text “{text}” (on one line)')
    wide = [line for line in texts[buildinfo_name].split('\r\n') if columns(line) > WIDTH]
    if wide:
        fail(f'{len(wide)} lines of {buildinfo_name} are wider than {WIDTH} columns, such as: {wide[0]}')
    if '/usr/share/common-licenses' in texts[notices]:
        fail(f'{notices} refers to licence texts by a path only Debian has')
    if not texts[licence].startswith('MIT License\r\n'):
        fail('LICENSE.txt is not the MIT licence')

    missing = uncovered(texts[notices], linker_map, script(source, 'third-party-notices'))
    if missing:
        fail(f'THIRD-PARTY-NOTICES.txt does not cover these inputs of the linker map: {missing}')

    info = texts[buildinfo_name]
    exe_hash = buildinfo.field(info, buildinfo.EXE_LINE, '[0-9a-f]{64}')
    with open(reproducible_exe, 'rb') as f:
        reproducible = f.read()
    if contents[exe] != reproducible:
        fail(f'the {exe} in the zip is not the reproducible build')
    if exe_hash != [hashlib.sha256(reproducible).hexdigest()]:
        fail(f'{buildinfo_name} does not give the SHA-256 of the unsigned exe')
    command = buildinfo.field(info, buildinfo.COMMAND_LINE, r'find \. .*?')
    stated = buildinfo.field(info, buildinfo.SOURCES_LINE, '[0-9a-f]{64}')
    computed = command and subprocess.run(['bash', '-o', 'pipefail', '-c', command[0]], cwd=source,
                                          capture_output=True, text=True, check=True).stdout.split()[0]
    if len(stated) != 1 or stated[0] != computed:
        fail(f'{buildinfo_name}\'s source SHA-256 is not what its command gives ({computed})')
    given = {name.strip(): version for name, version in buildinfo.field(info, buildinfo.PACKAGE_LINE, r'\S+ *')}
    for package in facts['TOOLCHAIN_PACKAGES']:
        installed = subprocess.run(['dpkg-query', '-W', '-f=${Version}', package], capture_output=True,
                                   text=True).stdout
        if given.get(package) != installed:
            fail(f'{buildinfo_name} does not give {package} {installed}')


def main(source, facts_json, shipped_build, reproducible_exe, linker_map, keep=None):
    failures = []
    fail = failures.append
    facts = dict(json.loads(read(facts_json)), path=facts_json)
    files = facts['RELEASE_FILES']
    with tempfile.TemporaryDirectory(prefix='kestrafen-release-test.') as work:
        # A source archive: the tree without .git or build output.
        tree = os.path.join(work, 'source')
        subprocess.run(['bash', os.path.join(source, 'scripts', 'clean-copy.sh'), source, tree], check=True)
        name = facts['RELEASE_ZIP']
        home = os.path.join(work, 'home')
        os.mkdir(home)
        # From the checkout itself, as the workflow's zip is made, and from
        # the tests' build with the copy's copy (as release.sh copies an
        # archive), in other folders: the same bytes but for the commit the
        # checkout's BUILDINFO.txt names.
        if 'UNSIGNED' not in release(source, os.path.join(work, 'checkout'), user_environment(home)):
            fail('the script does not say that the release is unsigned')
        archive_copy = os.path.join(work, 'archive')
        subprocess.run(['bash', os.path.join(source, 'scripts', 'clean-copy.sh'), tree, archive_copy], check=True)
        subprocess.run(['bash', os.path.join(source, 'scripts', 'release-zip.sh'), shipped_build, reproducible_exe,
                        archive_copy, tree, os.path.join(work, 'copy')],
                       env=user_environment(home), check=True, stdout=subprocess.DEVNULL)
        zips = [os.path.join(work, run, name) for run in ('checkout', 'copy')]
        if not all(os.path.exists(z) for z in zips):
            raise SystemExit(f'FAIL: no {name} (the version comes from the CMake project)')
        from_checkout, from_copy = (zip_members(z) for z in zips)
        buildinfo = script(source, 'buildinfo')
        info = from_checkout[files[4]].decode('utf-8-sig')
        commit = head_commit(source)
        if commit and buildinfo.commits(info) != [commit]:
            fail(f'the release from the checkout names {buildinfo.commits(info)}, not its commit {commit}')
        if buildinfo.commits(from_copy[files[4]].decode('utf-8-sig')):
            fail('the release from a copy without .git names a commit')
        for member in files[:4]:
            if from_checkout.get(member) != from_copy.get(member):
                fail(f'{member} differs between the releases from the checkout and from the copy')
        if without_commit(info) != from_copy[files[4]].decode('utf-8-sig'):
            fail(f'{files[4]} differs between the two releases beyond the commit')

        extracted = os.path.join(work, 'zip')
        with zipfile.ZipFile(zips[0]) as archive:
            archive.extractall(extracted)
        if list(from_checkout) != files:
            fail(f'the zip holds {list(from_checkout)}, not {files}')
            return report(failures)
        check(from_checkout, tree, facts, reproducible_exe, linker_map, extracted, fail)
        # The exe was built here from a copy of the sources in another folder,
        # and is the same bytes as the build tree's: the build depends on
        # neither folder, and names none of them.
        for folder in (source, tree, os.path.dirname(reproducible_exe), '/tmp/kestrafen-release.'):
            if os.path.abspath(folder).encode() in from_checkout[files[0]]:
                fail(f'the exe names the folder {folder}')
        with open(zips[0], 'rb') as f:
            print(f'{name}: {os.path.getsize(zips[0])} bytes, sha256 {hashlib.sha256(f.read()).hexdigest()}')
        if keep and not failures:
            # For the checks that test the release as users get it.
            os.makedirs(keep, exist_ok=True)
            shutil.copy(zips[0], os.path.join(keep, name))
            print(f'kept in {keep}')
    return report(failures)


def zip_members(path):
    with zipfile.ZipFile(path) as archive:
        return {n: archive.read(n) for n in archive.namelist()}


def head_commit(source):
    """The checkout's commit (None for a source archive). git must answer
    when .git is there: the release reads the same."""
    if not os.path.exists(os.path.join(source, '.git')):
        return None
    return subprocess.run(['git', '-c', f'safe.directory={os.path.realpath(source)}', '-C', source,
                           'rev-parse', 'HEAD'], capture_output=True, text=True, check=True).stdout.strip()


def without_commit(info):
    """BUILDINFO.txt's text without the commit's two lines."""
    return re.sub(r'^git 提交.*\r?\n  [0-9a-f]{40}\r?\n', '', info, flags=re.M)


if __name__ == '__main__':
    sys.exit(main(*sys.argv[1:7]))
