#!/usr/bin/env python3
"""Writes BUILDINFO.txt for a release: what the exe was built from and with,
and the SHA-256 of the unsigned exe, each with how to check it.

- The source: the git commit when SOURCE_ROOT is a git checkout ("dirty" if
  it has uncommitted changes or untracked files), and always the SHA-256 of
  the sources that were built (SOURCES, the clean copy): the SHA-256 of the
  sha256sum listing of its files, sorted by path, which
    find . -type f -print0|LC_ALL=C sort -z|xargs -0 sha256sum|sha256sum
  gives in the copy's top folder (and only in such a copy, with LF line ends).
- The versions of the Debian packages that make up the toolchain, CMake and
  Ninja included (the build's TOOLCHAIN_PACKAGES fact), and the command that
  builds the release.
- The SHA-256 of the unsigned exe. The exe must carry its PE checksum (lld
  writes it when linking with /release): osslsigncode remove-signature then
  gives back exactly these bytes from a signed copy, because it clears the
  certificate-table entry and recomputes the checksum. Without it the script
  stops, since the line would not hold for a signed release.

The version and the toolchain come from the build's facts (facts.json).

Usage: buildinfo.py FACTS_JSON SOURCE_ROOT SOURCES EXE OUTPUT
       buildinfo.py --exe-sha256 BUILDINFO.txt   (prints the exe's SHA-256 it gives)
       buildinfo.py --sources-sha256 BUILDINFO.txt
       buildinfo.py --commit BUILDINFO.txt       (prints the commit it names, if any)"""
import hashlib
import json
import os
import re
import subprocess
import sys

import pefile

import notepad_text  # scripts/notepad_text.py, beside this script

# Written without spaces around the pipes so that it fits the 72 columns.
SOURCES_COMMAND = 'find . -type f -print0|LC_ALL=C sort -z|xargs -0 sha256sum|sha256sum'
# The lines that carry a value, which the checks on a release read (field()).
# A hash goes on a line of its own, below its label, to fit the 72 columns.
SOURCES_LINE = '源代码 SHA-256：\n  {}'
COMMAND_LINE = '  {}'
EXE_LINE = '未签名的 kestrafen.exe 的 SHA-256：\n  {}'
# The commit, from a clean work tree and from a dirty one.
COMMIT_LINES = ('git 提交：\n  {}', 'git 提交（dirty：构建时工作区有未提交的改动）：\n  {}')
PACKAGE_LINE = '{}  {}'


def field(text, line, value=r'\S.*?'):
    """The values on the lines of text (BUILDINFO.txt, either line end) of
    the given form: one per line, as tuples when the form has several."""
    parts = [re.escape(p).replace('\\\n', r'\r?\n') for p in line.split('{}')]
    pattern = f'({value})'.join(parts)
    return re.findall(rf'^{pattern}\r?$', text, re.M)


def commits(text):
    """The commits BUILDINFO.txt's text names (clean or dirty)."""
    return [c for line in COMMIT_LINES for c in field(text, line, '[0-9a-f]{40}')]


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
    with pefile.PE(exe_path, fast_load=True) as pe:
        return pe.OPTIONAL_HEADER.CheckSum, pe.generate_checksum()


def package_versions(toolchain):
    out = []
    for name in toolchain:
        query = subprocess.run(['dpkg-query', '-W', '-f=${Version}', name], capture_output=True, text=True)
        if query.returncode != 0 or not query.stdout:
            raise SystemExit(f'buildinfo: the toolchain package {name} is not installed')
        out.append((name, query.stdout))
    return out


def heading(title):
    return ['', title, '-' * notepad_text.columns(title)]


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
    if commit:
        lines += COMMIT_LINES[commit[1]].format(commit[0]).split('\n')
    lines += SOURCES_LINE.format(sources_sha256(sources)).split('\n') + [
              '在源代码的顶层文件夹中用 Linux 的 shell 运行下面的命令，得到同一个值：',
              COMMAND_LINE.format(SOURCES_COMMAND),
              '这只在与构建所用相同的文件上成立：不含 .git 和构建、发布文件夹（例如',
              '从源代码压缩包解出的文件夹），文本文件使用 LF 换行。Git for Windows 默',
              '认把换行转换为 CRLF，这样检出的文件得到的是另一个值。',
              ] + heading('构建工具（Debian 12 软件包及版本）')
    versions = package_versions(facts['TOOLCHAIN_PACKAGES'])
    width = max(len(name) for name, _ in versions)
    lines += [PACKAGE_LINE.format(name.ljust(width), v) for name, v in versions]
    lines += heading('构建命令') + [
              '在源代码的顶层文件夹中，先用 scripts/install-deps.sh 安装所需的软件包，',
              '再运行下面的命令（它用 CMake 的“shipped”预设和 Ninja 构建，再打包）：',
              '  scripts/release.sh',
              '构建出的程序在 dist/ 下的压缩包中。']
    lines += heading('程序') + EXE_LINE.format(hashlib.sha256(exe).hexdigest()).split('\n') + [
              '用同样版本的构建工具从同样的源代码构建，得到的 kestrafen.exe 与此逐字节',
              '相同。程序若带有数字签名，先去掉签名再比较：',
              '  osslsigncode remove-signature -in kestrafen.exe -out unsigned.exe',
              '  sha256sum unsigned.exe',
              '构建时已在程序文件头中写入校验和（PE CheckSum），去掉签名后得到的文件与',
              '签名前逐字节相同。']
    return '\n'.join(lines) + '\n'


def main(facts_json, root, sources, exe, target):
    with open(facts_json, encoding='utf-8') as f:
        notepad_text.write(target, buildinfo(json.load(f), root, sources, exe))
    return 0


if __name__ == '__main__':
    readers = {'--exe-sha256': lambda text: field(text, EXE_LINE, '[0-9a-f]{64}'),
               '--sources-sha256': lambda text: field(text, SOURCES_LINE, '[0-9a-f]{64}'),
               '--commit': commits}
    if len(sys.argv) == 3 and sys.argv[1] in readers:
        with open(sys.argv[2], encoding='utf-8-sig') as info:
            print(*readers[sys.argv[1]](info.read()))
        sys.exit(0)
    if len(sys.argv) != 6:
        raise SystemExit(__doc__.rsplit('\n\n', 1)[-1])
    sys.exit(main(*sys.argv[1:]))
