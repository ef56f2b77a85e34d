#!/usr/bin/env python3
"""The unsigned release, as CI makes it: scripts/release.sh run twice, without
a certificate, from a copy of the sources without git metadata. The zip must
hold exactly its four files, its checksums must verify, the guide must be
UTF-8 with a byte-order mark and CRLF line ends and say what README.zh-CN.md
says, the exe must be the reproducible build's, and the two zips identical.

Usage: release_test.py SOURCE_DIR REPRODUCIBLE_EXE"""
import hashlib
import os
import re
import shutil
import subprocess
import sys
import tempfile
import zipfile

GUIDE = '使用说明.txt'
FILES = ['kestrafen.exe', GUIDE, 'LICENSE.txt', 'SHA256SUMS.txt']


def release(source, dist):
    run = subprocess.run(['sh', os.path.join(source, 'scripts', 'release.sh'), dist],
                         capture_output=True, text=True, env=dict(os.environ, KESTRAFEN_SIGN_PFX=''))
    print(run.stdout.strip())
    if run.returncode != 0:
        print(run.stderr)
        raise SystemExit(f'FAIL: release.sh exited with {run.returncode}')
    return run.stdout


def main(source, reproducible_exe):
    failures = []
    fail = failures.append
    with tempfile.TemporaryDirectory(prefix='kestrafen-release-test.') as work:
        # A source archive: the tree without .git or build output.
        tree = os.path.join(work, 'source')
        shutil.copytree(source, tree, ignore=shutil.ignore_patterns('.git', 'build', 'build-*', 'dist'))
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

        with zipfile.ZipFile(zips[0]) as archive:
            names = archive.namelist()
            contents = {n: archive.read(n) for n in names}
        if names != FILES:
            fail(f'the zip holds {names}, not {FILES}')
            return report(failures)

        sums = contents['SHA256SUMS.txt'].decode('utf-8').splitlines()
        listed = dict(reversed(line.split('  ', 1)) for line in sums)
        if sorted(listed) != sorted(FILES[:3]):
            fail(f'SHA256SUMS.txt covers {sorted(listed)}')
        for file, digest in listed.items():
            if hashlib.sha256(contents.get(file, b'')).hexdigest() != digest:
                fail(f'the checksum of {file} does not verify')

        guide = contents[GUIDE]
        if not guide.startswith(b'\xef\xbb\xbf'):
            fail('the guide has no UTF-8 byte-order mark')
        if guide.count(b'\n') != guide.count(b'\r\n') or guide.count(b'\r') != guide.count(b'\r\n'):
            fail('the guide has line ends other than CRLF')
        guide_text = guide[3:].decode('utf-8')  # raises if not UTF-8
        expected = os.path.join(work, 'expected.txt')
        subprocess.run([sys.executable, os.path.join(tree, 'scripts', 'guide-to-text.py'),
                        os.path.join(tree, 'README.zh-CN.md'), expected], check=True)
        with open(expected, 'rb') as f:
            if f.read() != guide:
                fail('the guide is not README.zh-CN.md\'s user guide')
        for must in ('以管理员身份运行', '无法停止打印服务', '无法重启打印服务', 'certutil -hashfile'):
            if must not in guide_text:
                fail(f'the guide does not mention {must}')
        if not contents['LICENSE.txt'].startswith(b'MIT License\r\n'):
            fail('LICENSE.txt is not the MIT licence with CRLF line ends')

        with open(reproducible_exe, 'rb') as f:
            if f.read() != contents['kestrafen.exe']:
                fail('the exe in the zip is not the reproducible build')
        print(f'{name}: {os.path.getsize(zips[0])} bytes, sha256 '
              f'{hashlib.sha256(open(zips[0], "rb").read()).hexdigest()}')
    return report(failures)


def report(failures):
    for failure in failures:
        print('FAIL:', failure)
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1], sys.argv[2]))
