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
  Ninja included, and the command that builds the release.
- The SHA-256 of the unsigned exe. The exe must carry its PE checksum (lld
  writes it when linking with /release): osslsigncode remove-signature then
  gives back exactly these bytes from a signed copy, because it clears the
  certificate-table entry and recomputes the checksum. Without it the script
  stops, since the line would not hold for a signed release.

Usage: buildinfo.py SOURCE_ROOT SOURCES EXE VERSION OUTPUT"""
import hashlib
import os
import struct
import subprocess
import sys
import unicodedata

import notepad_text  # scripts/notepad_text.py, beside this script

TOOLCHAIN = ['clang-16', 'lld-16', 'g++-mingw-w64-x86-64-win32', 'gcc-mingw-w64-x86-64-win32',
             'mingw-w64-x86-64-dev', 'binutils-mingw-w64-x86-64', 'cmake', 'ninja-build']
# Written without spaces around the pipes so that it fits the 72 columns.
SOURCES_COMMAND = 'find . -type f -print0|LC_ALL=C sort -z|xargs -0 sha256sum|sha256sum'


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
    """What SOURCES_COMMAND prints, run in top."""
    paths = []
    for folder, dirs, files in os.walk(top):
        dirs[:] = [d for d in dirs if not os.path.islink(os.path.join(folder, d))]
        for name in files:
            path = os.path.join(folder, name)
            if os.path.isfile(path) and not os.path.islink(path):
                relative = './' + os.path.relpath(path, top).replace(os.sep, '/')
                if '\\' in relative or '\n' in relative:
                    raise SystemExit(f'buildinfo: sha256sum would escape the name {relative!r}')
                paths.append(relative)
    listing = hashlib.sha256()
    for relative in sorted(paths, key=lambda p: p.encode('utf-8', 'surrogateescape')):
        with open(os.path.join(top, relative), 'rb') as f:
            digest = hashlib.sha256(f.read()).hexdigest()
        listing.update(f'{digest}  {relative}\n'.encode('utf-8', 'surrogateescape'))
    return listing.hexdigest()


def pe_checksum_offset(exe):
    return struct.unpack_from('<I', exe, 0x3C)[0] + 24 + 64


def pe_checksum(exe):
    """The PE checksum as Windows' CheckSumMappedFile computes it."""
    field = pe_checksum_offset(exe)
    data = exe[:field] + b'\0\0\0\0' + exe[field + 4:]
    if len(data) % 2:
        data += b'\0'
    total = sum(struct.unpack(f'<{len(data) // 2}H', data))
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return total + len(exe)


def package_versions():
    out = []
    for name in TOOLCHAIN:
        query = subprocess.run(['dpkg-query', '-W', '-f=${Version}', name], capture_output=True, text=True)
        if query.returncode != 0 or not query.stdout:
            raise SystemExit(f'buildinfo: the toolchain package {name} is not installed')
        out.append((name, query.stdout))
    return out


def heading(title):
    width = sum(2 if unicodedata.east_asian_width(c) in 'WFA' else 1 for c in title)
    return ['', title, '-' * width]


def buildinfo(root, sources, exe_path, version):
    with open(exe_path, 'rb') as f:
        exe = f.read()
    stored = struct.unpack_from('<I', exe, pe_checksum_offset(exe))[0]
    if stored != pe_checksum(exe):
        raise SystemExit(f'buildinfo: {exe_path} carries PE checksum {stored:#x}, not {pe_checksum(exe):#x}: '
                         'link it with /release (-Wl,--Xlink=-release), or a signature removed '
                         'from it would not give back these bytes')
    lines = [f'Kestrafen {version} 构建信息', '=' * 72] + heading('源代码')
    commit = git_commit(root)
    if commit and not commit[1]:
        lines += ['git 提交：', f'  {commit[0]}']
    elif commit:
        lines += ['git 提交（dirty：构建时工作区有未提交的改动）：', f'  {commit[0]}']
    lines += ['源代码 SHA-256：',
              f'  {sources_sha256(sources)}',
              '在源代码的顶层文件夹中用 Linux 的 shell 运行下面的命令，得到同一个值：',
              f'  {SOURCES_COMMAND}',
              '这只在与构建所用相同的文件上成立：不含 .git 和构建、发布文件夹（例如',
              '从源代码压缩包解出的文件夹），文本文件使用 LF 换行。Git for Windows 默',
              '认把换行转换为 CRLF，这样检出的文件得到的是另一个值。',
              ] + heading('构建工具（Debian 12 软件包及版本）')
    versions = package_versions()
    width = max(len(name) for name, _ in versions)
    lines += [f'{name.ljust(width)}  {v}' for name, v in versions]
    lines += heading('构建命令') + [
              '在源代码的顶层文件夹中运行（它先安装缺少的软件包，然后用 CMake 的',
              '“shipped”预设和 Ninja 构建，再打包）：',
              '  scripts/release.sh',
              '构建出的程序在 dist/ 下的压缩包中。']
    lines += heading('程序') + [
              '未签名的 kestrafen.exe 的 SHA-256：',
              f'  {hashlib.sha256(exe).hexdigest()}',
              '用同样版本的构建工具从同样的源代码构建，得到的 kestrafen.exe 与此逐字节',
              '相同。程序若带有数字签名，先去掉签名再比较：',
              '  osslsigncode remove-signature -in kestrafen.exe -out unsigned.exe',
              '  sha256sum unsigned.exe',
              '构建时已在程序文件头中写入校验和（PE CheckSum），去掉签名后得到的文件与',
              '签名前逐字节相同。']
    return '\n'.join(lines) + '\n'


def main(root, sources, exe, version, target):
    text = buildinfo(root, sources, exe, version)
    notepad_text.write(target, text)
    return 0


if __name__ == '__main__':
    if len(sys.argv) != 6:
        raise SystemExit(__doc__.rsplit('\n\n', 1)[-1])
    sys.exit(main(*sys.argv[1:]))
