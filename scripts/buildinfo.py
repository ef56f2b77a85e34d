#!/usr/bin/env python3
"""Writes BUILDINFO.txt for a release: what the exe was built from and with,
and the SHA-256 of the unsigned exe, each with how to check it.

- The source: the git commit when SOURCE_ROOT is a git checkout ("dirty" if
  it has uncommitted changes or untracked files), and always the SHA-256 of
  the sources that were built (SOURCES, the clean copy): the SHA-256 of the
  sha256sum listing of its files, sorted by path, which
    find . -type f -print0 | LC_ALL=C sort -z | xargs -0 sha256sum | sha256sum
  gives in the copy's top folder.
- The versions of the Debian packages that make up the toolchain (the
  build's TOOLCHAIN_PACKAGES fact).
- The SHA-256 of the unsigned exe. The exe must carry its PE checksum (lld
  writes it when linking with /release): osslsigncode remove-signature then
  gives back exactly these bytes from a signed copy, because it clears the
  certificate-table entry and recomputes the checksum. Without it the script
  stops, since the line would not hold for a signed release.

The version and the toolchain come from the build's facts (facts.json).

Usage: buildinfo.py FACTS_JSON SOURCE_ROOT SOURCES EXE OUTPUT
       buildinfo.py --exe-sha256 BUILDINFO.txt   (prints the exe's SHA-256 it gives)"""
import hashlib
import json
import os
import re
import subprocess
import sys
import unicodedata

import pefile

import notepad_text  # scripts/notepad_text.py, beside this script

SOURCES_COMMAND = 'find . -type f -print0 | LC_ALL=C sort -z | xargs -0 sha256sum | sha256sum'
# The lines that carry a value, which the checks on a release read (field()).
SOURCES_LINE = '源代码 SHA-256：{}'
COMMAND_LINE = '  {}'
EXE_LINE = '未签名的 kestrafen.exe 的 SHA-256：{}'
PACKAGE_LINE = '{}  {}'


def field(text, line, value=r'\S.*?'):
    """The values on the lines of text (BUILDINFO.txt, either line end) of
    the given form: one per line, as tuples when the form has several."""
    parts = [re.escape(p) for p in line.split('{}')]
    pattern = f'({value})'.join(parts)
    found = re.findall(rf'^{pattern}\r?$', text, re.M)
    return found


def git_commit(root):
    """(commit, dirty) if root is the top of a git checkout, else None."""
    if not os.path.exists(os.path.join(root, '.git')):
        return None

    def git(*args):
        return subprocess.run(['git', '-C', root, *args], capture_output=True, text=True,
                              check=True).stdout.strip()
    try:
        commit = git('rev-parse', '--verify', 'HEAD')
        dirty = bool(git('status', '--porcelain', '--untracked-files=normal'))
    except (OSError, subprocess.CalledProcessError) as e:
        raise SystemExit(f'buildinfo: {root} has .git but git can\'t name its commit: {e}')
    return commit, dirty


def sources_sha256(top):
    """What SOURCES_COMMAND prints, run in top: the command itself is run."""
    out = subprocess.run(['bash', '-o', 'pipefail', '-c', SOURCES_COMMAND], cwd=top, capture_output=True,
                         text=True, check=True).stdout
    digest = re.fullmatch(r'([0-9a-f]{64})  -\n', out)
    if not digest:
        raise SystemExit(f'buildinfo: the source hash command printed {out!r}')
    return digest.group(1)


def checksums(exe_path):
    """(the PE checksum the header carries, the one Windows computes)."""
    pe = pefile.PE(exe_path, fast_load=True)
    try:
        return pe.OPTIONAL_HEADER.CheckSum, pe.generate_checksum()
    finally:
        pe.close()


def package_versions(toolchain):
    out = []
    for name in toolchain:
        query = subprocess.run(['dpkg-query', '-W', '-f=${Version}', name], capture_output=True, text=True)
        if query.returncode != 0 or not query.stdout:
            raise SystemExit(f'buildinfo: the toolchain package {name} is not installed')
        out.append((name, query.stdout))
    return out


def heading(title):
    width = sum(2 if unicodedata.east_asian_width(c) in 'WFA' else 1 for c in title)
    return ['', title, '-' * width]


def buildinfo(facts, root, sources, exe_path):
    version = facts['VERSION']
    with open(exe_path, 'rb') as f:
        exe = f.read()
    stored, computed = checksums(exe_path)
    if stored != computed:
        raise SystemExit(f'buildinfo: {exe_path} carries PE checksum {stored:#x}, not {computed:#x}: '
                         'link it with /release (-Wl,--Xlink=-release), or a signature removed '
                         'from it would not give back these bytes')
    lines = [f'Kestrafen {version} 构建信息', '=' * 72] + heading('源代码')
    commit = git_commit(root)
    if commit and not commit[1]:
        lines.append(f'git 提交：{commit[0]}')
    elif commit:
        lines.append(f'git 提交：{commit[0]}（dirty：构建时工作区有未提交的改动）')
    lines += [SOURCES_LINE.format(sources_sha256(sources)),
              '在源代码的顶层文件夹中运行下面的命令，可以得到同一个值：',
              COMMAND_LINE.format(SOURCES_COMMAND),
              ] + heading('构建工具（Debian 软件包及版本）')
    versions = package_versions(facts['TOOLCHAIN_PACKAGES'])
    width = max(len(name) for name, _ in versions)
    lines += [PACKAGE_LINE.format(name.ljust(width), v) for name, v in versions]
    lines += heading('程序') + [
              EXE_LINE.format(hashlib.sha256(exe).hexdigest()),
              '用同样版本的构建工具从同样的源代码构建，得到的 kestrafen.exe 与此逐字节',
              '相同。程序若带有数字签名，先去掉签名再比较：',
              '  osslsigncode remove-signature -in kestrafen.exe -out unsigned.exe',
              '  sha256sum unsigned.exe',
              '构建时已在程序文件头中写入校验和（PE CheckSum），去掉签名后得到的文件与',
              '签名前逐字节相同。']
    return '\n'.join(lines) + '\n'


def main(facts_json, root, sources, exe, target):
    with open(facts_json, encoding='utf-8') as f:
        facts = json.load(f)
    text = buildinfo(facts, root, sources, exe)
    notepad_text.write(target, text)
    return 0


if __name__ == '__main__':
    if len(sys.argv) == 3 and sys.argv[1] == '--exe-sha256':
        with open(sys.argv[2], encoding='utf-8-sig') as info:
            print(*field(info.read(), EXE_LINE, '[0-9a-f]{64}'))
        sys.exit(0)
    if len(sys.argv) != 6:
        raise SystemExit(__doc__.rsplit('\n\n', 1)[-1])
    sys.exit(main(*sys.argv[1:]))
