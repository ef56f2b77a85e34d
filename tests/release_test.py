#!/usr/bin/env python3
"""The unsigned release, as CI makes it: scripts/release.sh run twice, without
a certificate, from a copy of the sources without git metadata. The two zips
must be identical and hold exactly their six files, and:
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

Usage: release_test.py SOURCE_DIR REPRODUCIBLE_EXE LINKER_MAP"""
import glob
import hashlib
import os
import re
import subprocess
import sys
import tempfile
import unicodedata
import zipfile

GUIDE = '使用说明.txt'
FILES = ['kestrafen.exe', GUIDE, 'LICENSE.txt', 'THIRD-PARTY-NOTICES.txt', 'BUILDINFO.txt',
         'SHA256SUMS.txt']
BOM = b'\xef\xbb\xbf'
WITH_BOM = {GUIDE, 'THIRD-PARTY-NOTICES.txt', 'BUILDINFO.txt'}  # LICENSE.txt is ASCII
WIDTH = 72
TOOLCHAIN = ['clang-16', 'lld-16', 'g++-mingw-w64-x86-64-win32', 'gcc-mingw-w64-x86-64-win32',
             'mingw-w64-x86-64-dev', 'binutils-mingw-w64-x86-64']


def release(source, dist):
    run = subprocess.run(['sh', os.path.join(source, 'scripts', 'release.sh'), dist],
                         capture_output=True, text=True, env=dict(os.environ, KESTRAFEN_SIGN_PFX=''))
    print(run.stdout.strip())
    if run.returncode != 0:
        print(run.stderr)
        raise SystemExit(f'FAIL: release.sh exited with {run.returncode}')
    return run.stdout


def columns(line):
    return sum(2 if unicodedata.east_asian_width(c) in 'WFA' else 1 for c in line)


def messages(source):
    """The Chinese texts in the program's wide string literals."""
    texts = set()
    for path in sorted(glob.glob(os.path.join(source, 'src', '**', '*.cpp'), recursive=True)):
        with open(path, encoding='utf-8') as f:
            for literal in re.findall(r'L"((?:[^"\\]|\\.)*)"', f.read()):
                if any(unicodedata.east_asian_width(c) in 'WF' for c in literal):
                    texts.add(re.sub(r'\\(.)', r'\1', literal))
    return texts


def map_inputs(path):
    with open(path, encoding='utf-8') as f:
        return {m.group(1) for m in re.finditer(r'^[0-9a-f]+ +[0-9a-f]+ +[0-9a-f]+ {9}(\S.*):\(.*\)$',
                                                f.read(), re.M)}


def uncovered(notices, linker_map):
    """Inputs of the map that the notices don't name: objects by path,
    archive members through the archives listed."""
    listed, in_list = set(), False
    for line in notices.splitlines():
        if in_list and line.startswith('    /'):
            listed.add(line.split()[0])
        else:
            in_list = line.endswith('linked from:')
    members = set()
    for archive in (p for p in listed if p.endswith(('.a', '.lib'))):
        members |= set(subprocess.run(['x86_64-w64-mingw32-ar', 't', archive], capture_output=True,
                                      text=True, check=True).stdout.split())
    own = re.compile(r'^[^/].*/')  # objects of the build tree, named by their relative path
    return sorted(n for n in map_inputs(linker_map) if not own.match(n) and n not in listed | members)


def check(contents, source, reproducible_exe, linker_map, extracted, fail):
    """Every promise of the release, on the zip's files (name: bytes)."""
    sums = contents['SHA256SUMS.txt']
    listed = {}
    for line in sums.split(b'\r\n')[:-1]:
        digest, _, name = line.decode('utf-8').partition('  ')
        listed[name] = digest
    if sorted(listed) != sorted(FILES[:-1]):
        fail(f'SHA256SUMS.txt covers {sorted(listed)}')
    for file, digest in listed.items():
        if hashlib.sha256(contents.get(file, b'')).hexdigest() != digest:
            fail(f'the checksum of {file} does not verify')
    check_sums = subprocess.run(['sha256sum', '--strict', '-c', 'SHA256SUMS.txt'], cwd=extracted,
                                capture_output=True, text=True)
    if check_sums.returncode != 0:
        fail(f'sha256sum -c rejects SHA256SUMS.txt: {check_sums.stdout}{check_sums.stderr}')

    texts = {}
    for name in FILES[1:]:
        data = contents[name]
        if data.count(b'\n') != data.count(b'\r\n') or data.count(b'\r') != data.count(b'\r\n') \
                or not data.endswith(b'\r\n'):
            fail(f'{name} has line ends other than CRLF')
        if data.startswith(BOM) != (name in WITH_BOM):
            fail(f'{name} {"lacks" if name in WITH_BOM else "has"} a UTF-8 byte-order mark')
        texts[name] = data.removeprefix(BOM).decode('utf-8')  # raises if not UTF-8

    guide = texts[GUIDE].split('\r\n')
    with open(os.path.join(source, 'CMakeLists.txt'), encoding='utf-8') as f:
        version = re.search(r'project\(Kestrafen VERSION ([0-9.]+)', f.read()).group(1)
    with open(os.path.join(source, 'CHANGELOG.md'), encoding='utf-8') as f:
        date = re.search(r'^## ' + re.escape(version) + r'（([0-9-]+)）', f.read(), re.M)
    if not date or f'版本 {version}（{date.group(1)} 发布）' not in guide[:4]:
        fail(f'the guide does not start with version {version} and its date: {guide[:4]}')
    wide = [f'line {n}, {columns(line)} columns: {line}' for n, line in enumerate(guide, 1)
            if columns(line) > WIDTH]
    if wide:
        fail(f'{len(wide)} lines of the guide are wider than {WIDTH} columns:\n  ' + '\n  '.join(wide[:5]))
    for text in sorted(messages(source)):
        if not any(text in line for line in guide):
            fail(f'the guide does not show the program\'s text “{text}” (on one line)')
    wide = [line for line in texts['BUILDINFO.txt'].split('\r\n') if columns(line) > WIDTH]
    if wide:
        fail(f'{len(wide)} lines of BUILDINFO.txt are wider than {WIDTH} columns, such as: {wide[0]}')
    if '/usr/share/common-licenses' in texts['THIRD-PARTY-NOTICES.txt']:
        fail('THIRD-PARTY-NOTICES.txt refers to licence texts by a path only Debian has')
    if not texts['LICENSE.txt'].startswith('MIT License\r\n'):
        fail('LICENSE.txt is not the MIT licence')

    missing = uncovered(texts['THIRD-PARTY-NOTICES.txt'], linker_map)
    if missing:
        fail(f'THIRD-PARTY-NOTICES.txt does not cover these inputs of the linker map: {missing}')

    info = texts['BUILDINFO.txt']
    exe_hash = re.search(r'^未签名的 kestrafen\.exe 的 SHA-256：\r\n  ([0-9a-f]{64})\r$', info, re.M)
    with open(reproducible_exe, 'rb') as f:
        reproducible = f.read()
    if contents['kestrafen.exe'] != reproducible:
        fail('the exe in the zip is not the reproducible build')
    if not exe_hash or exe_hash.group(1) != hashlib.sha256(reproducible).hexdigest():
        fail('BUILDINFO.txt does not give the SHA-256 of the unsigned exe')
    command = re.search(r'^  (find \. .*)\r$', info, re.M)
    stated = re.search(r'^源代码 SHA-256：\r\n  ([0-9a-f]{64})\r$', info, re.M)
    computed = command and subprocess.run(['sh', '-c', command.group(1)], cwd=source, capture_output=True,
                                          text=True, check=True).stdout.split()[0]
    if not stated or stated.group(1) != computed:
        fail(f'BUILDINFO.txt\'s source SHA-256 is not what its command gives ({computed})')
    for package in TOOLCHAIN:
        installed = subprocess.run(['dpkg-query', '-W', '-f=${Version}', package], capture_output=True,
                                   text=True).stdout
        if not re.search(rf'^{re.escape(package)} +{re.escape(installed)}\r$', info, re.M):
            fail(f'BUILDINFO.txt does not give {package} {installed}')


def main(source, reproducible_exe, linker_map):
    failures = []
    fail = failures.append
    with tempfile.TemporaryDirectory(prefix='kestrafen-release-test.') as work:
        # A source archive: the tree without .git or build output.
        tree = os.path.join(work, 'source')
        subprocess.run(['sh', os.path.join(source, 'scripts', 'clean-copy.sh'), source, tree], check=True)
        with open(os.path.join(tree, 'CMakeLists.txt'), encoding='utf-8') as f:
            version = re.search(r'project\(Kestrafen VERSION ([0-9.]+)', f.read()).group(1)
        name = f'kestrafen-{version}-win-x64.zip'
        zips = []
        for run in ('first', 'second'):
            out = release(tree, os.path.join(work, run))
            if 'UNSIGNED' not in out:
                fail('the script does not say that the release is unsigned')
            zips.append(os.path.join(work, run, name))
            if not os.path.exists(zips[-1]):
                raise SystemExit(f'FAIL: no {name} (the version comes from the CMake project)')
        with open(zips[0], 'rb') as a, open(zips[1], 'rb') as b:
            if a.read() != b.read():
                fail('two runs gave different zips')

        extracted = os.path.join(work, 'zip')
        with zipfile.ZipFile(zips[0]) as archive:
            names = archive.namelist()
            contents = {n: archive.read(n) for n in names}
            archive.extractall(extracted)
        if names != FILES:
            fail(f'the zip holds {names}, not {FILES}')
            return report(failures)
        check(contents, tree, reproducible_exe, linker_map, extracted, fail)
        # The exe was built here from a copy of the sources in another folder,
        # and is the same bytes as the build tree's: the build depends on
        # neither folder, and names none of them.
        for folder in (source, tree, os.path.dirname(reproducible_exe), '/tmp/kestrafen-release.'):
            if os.path.abspath(folder).encode() in contents['kestrafen.exe']:
                fail(f'the exe names the folder {folder}')
        with open(zips[0], 'rb') as f:
            print(f'{name}: {os.path.getsize(zips[0])} bytes, sha256 {hashlib.sha256(f.read()).hexdigest()}')
    return report(failures)


def report(failures):
    for failure in failures:
        print('FAIL:', failure)
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main(*sys.argv[1:4]))
