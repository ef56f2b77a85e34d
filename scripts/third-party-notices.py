#!/usr/bin/env python3
"""Writes THIRD-PARTY-NOTICES.txt for the shipped kestrafen.exe: each
third-party component the linker put into it, with the copyright notices and
licence texts of the Debian package it came from, read from that package's
/usr/share/doc/<package>/copyright as installed.

What went in comes from the linker map that the shipped build's link
command writes (its -Map, kestrafen.map beside the exe): lld lists each input section it kept with its object
file, or, for a member of an archive, with the member's name alone. Members
are traced to their archives the way the linker found them: the build's link
command (from ninja) is handed back to the compiler driver with -###, which
shows the linker's command line, its library folders and libraries, and the
first of those archives that holds a member of that name is the one it came
from. Objects and archives inside the build tree are this project's own.
Everything else must belong to an installed Debian package. Anything that
can't be traced that way stops the script: the notices must not leave out a
component that was linked.

Components are Debian source packages; several binary packages of one source
(gcc-mingw-w64's libgcc and libstdc++) share one notice. The whole copyright
file is given, except where PARTS below names the parts that apply.

Usage: third-party-notices.py BUILD_DIR OUTPUT"""
import collections
import os
import re
import shlex
import subprocess
import sys

import notepad_text  # scripts/notepad_text.py, beside this script

RULE = '=' * 72
# Debian's copyright files point at licence texts under /usr/share/common-licenses,
# which a reader on Windows doesn't have: the notices give their public
# addresses instead. A licence not listed here stops the script.
COMMON_LICENSES = re.compile(r'/usr/share/common-licenses/([\w.+-]+?)(?=[\'\s.,;)]*(?:\s|$|\'))')
LICENCE_ADDRESSES = {
    'GPL': 'https://www.gnu.org/licenses/gpl.html',
    'GPL-2': 'https://www.gnu.org/licenses/old-licenses/gpl-2.0.html',
    'GPL-3': 'https://www.gnu.org/licenses/gpl-3.0.html',
    'LGPL': 'https://www.gnu.org/licenses/lgpl.html',
    'LGPL-2': 'https://www.gnu.org/licenses/old-licenses/lgpl-2.0.html',
    'LGPL-2.1': 'https://www.gnu.org/licenses/old-licenses/lgpl-2.1.html',
    'LGPL-3': 'https://www.gnu.org/licenses/lgpl-3.0.html',
    'GFDL-1.2': 'https://www.gnu.org/licenses/old-licenses/fdl-1.2.html',
    'GFDL-1.3': 'https://www.gnu.org/licenses/fdl-1.3.html',
    'Artistic': 'https://dev.perl.org/licenses/artistic.html',
    'Apache-2.0': 'https://www.apache.org/licenses/LICENSE-2.0',
}
THIN = '-' * 72

# Source package: the copyright file's parts (from a line starting with the
# first text up to the line starting with the second) that cover what can be
# linked from it. GCC's file covers the whole compiler collection; the
# runtime libraries are under the GPL with the GCC Runtime Library Exception.
PARTS = {
    'gcc-mingw-w64': [('COPYRIGHT STATEMENTS AND LICENSING TERMS', 'The libbacktrace library'),
                      ('GCC RUNTIME LIBRARY EXCEPTION', 'libquadmath/')],
}


def run(args, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, check=True, **kwargs).stdout


def map_inputs(path):
    """{input: set of section names} from an lld map: each input section kept."""
    inputs = collections.defaultdict(set)
    with open(path, encoding='utf-8') as f:
        for line in f:
            m = re.match(r'^[0-9a-f]+ +[0-9a-f]+ +[0-9a-f]+ {9}(\S.*):\(([^()]*)\)$', line.rstrip('\n'))
            if m:
                inputs[m.group(1)].add(m.group(2))
    if not inputs:
        raise SystemExit(f'third-party-notices: no input sections in {path}')
    return inputs


def linker_command(build_dir):
    """The linker's own command line for kestrafen.exe."""
    link = run(['ninja', '-C', build_dir, '-t', 'commands', 'kestrafen.exe']).splitlines()[-1]
    link = re.sub(r'^: && |&& :$', '', link).strip()
    driver = subprocess.run(shlex.split(link) + ['-###'], cwd=build_dir, capture_output=True, text=True)
    lines = [x for x in driver.stderr.splitlines() if re.search(r'lld', x) and x.startswith(' "')]
    if driver.returncode != 0 or len(lines) != 1:
        raise SystemExit(f'third-party-notices: no linker command from {link!r}:\n{driver.stderr}')
    return shlex.split(lines[0])


def linked_files(args, build_dir):
    """The objects and archives the linker was given, in order."""
    dirs, files, static = [arg[2:] for arg in args[1:] if arg.startswith('-L')], [], False
    for before, arg in zip(args, args[1:]):
        if before in ('-o', '--out-implib', '-Map', '--output-def', '--pdb', '--Xlink'):
            continue  # an output, not an input
        if arg in ('-Bstatic', '-static', '--Bstatic'):
            static = True
        elif arg in ('-Bdynamic', '--Bdynamic', '-dy', '-call_shared'):
            static = False
        elif arg.startswith('-l'):
            name = arg[2:]
            names = [name[1:]] if name.startswith(':') else (
                ([] if static else [f'lib{name}.dll.a', f'{name}.dll.a'])
                + [f'lib{name}.a'] + ([] if static else [f'lib{name}.lib']) + [f'{name}.lib'])
            found = [os.path.join(d, n) for d in dirs for n in names if os.path.isfile(os.path.join(d, n))]
            if not found:
                raise SystemExit(f'third-party-notices: the linker finds no library for {arg}')
            files.append(found[0])
        elif not arg.startswith('-') and re.search(r'\.(o|obj|a|lib|res)$', arg):
            files.append(os.path.normpath(os.path.join(build_dir, arg)))
    return files


def members(archive):
    return set(run(['x86_64-w64-mingw32-ar', 't', archive]).split('\n')) - {''}


def trace(inputs, files, build_dir):
    """{linked file: {member or None: sections}} for every input in the map."""
    archives = [(f, members(f)) for f in dict.fromkeys(files) if re.search(r'\.(a|lib)$', f)]
    objects = set(files)
    traced = collections.defaultdict(dict)
    for name, sections in sorted(inputs.items()):
        path = os.path.normpath(os.path.join(build_dir, name))
        if path in objects:
            traced[path][None] = sections
            continue
        holders = [a for a, names in archives if name in names]
        if not holders:
            raise SystemExit(f'third-party-notices: {name} is in the map but in none of the linked archives')
        if len({package(h) for h in holders}) > 1:
            raise SystemExit(f'third-party-notices: {name} could come from any of {holders}')
        traced[holders[0]][name] = sections
    return traced


OWNERS = {}


def find_owners(paths):
    """Notes the Debian package that installed each file (or its real path),
    asking dpkg once: it reads its whole database on every call."""
    candidates = sorted({c for p in paths for c in (p, os.path.realpath(p))})
    listing = subprocess.run(['dpkg', '-S', *candidates], capture_output=True, text=True).stdout
    found = {}
    for line in listing.splitlines():
        owner, _, owned = line.rpartition(': ')
        found[owned] = owner.split(':', 1)[0]
    for p in paths:
        OWNERS[p] = found.get(p) or found.get(os.path.realpath(p))


def package(path):
    """The Debian package that installed the file, or None for none."""
    return OWNERS.get(path)


def copyright_text(source, binary):
    path = f'/usr/share/doc/{binary}/copyright'
    with open(path, encoding='utf-8') as f:
        text = f.read()
    if source not in PARTS:
        return path, text.rstrip('\n')
    lines = text.split('\n')
    taken = []
    for start, end in PARTS[source]:
        first = next((i for i, x in enumerate(lines) if x.startswith(start)), None)
        last = next((i for i, x in enumerate(lines) if first is not None and i > first and x.startswith(end)), None)
        if first is None or last is None:
            raise SystemExit(f'third-party-notices: {path} has no part from "{start}" to "{end}"')
        taken.append('\n'.join(lines[first:last]).strip('\n'))
    return path, '\n\n'.join(taken)


def public_addresses(text):
    """The text with each /usr/share/common-licenses path replaced by the
    licence's public address."""
    def address(m):
        if m.group(1) not in LICENCE_ADDRESSES:
            raise SystemExit(f'third-party-notices: no public address known for {m.group(0)}')
        return LICENCE_ADDRESSES[m.group(1)]
    text = COMMON_LICENSES.sub(address, text)
    if '/usr/share/common-licenses' in text:
        raise SystemExit('third-party-notices: a licence path is left that has no public address')
    return text


def import_member(sections):
    """An import library's member: a jump stub and import-table entries."""
    return any(s.startswith('.idata$') for s in sections) and all(
        s in ('.text', '.data', '.bss') or s.startswith('.idata$') for s in sections)


def notices(build_dir):
    build_dir = os.path.abspath(build_dir)
    args = linker_command(build_dir)
    files = linked_files(args, build_dir)
    find_owners(files)
    maps = [a.removeprefix('-Map=') for a in args if a.startswith('-Map=')]
    if len(maps) != 1:
        raise SystemExit(f'third-party-notices: the link command writes no one map: {args}')
    traced = trace(map_inputs(os.path.join(build_dir, maps[0])), files, build_dir)
    components = collections.defaultdict(lambda: collections.defaultdict(dict))
    for path, parts in traced.items():
        if os.path.abspath(path).startswith(build_dir + os.sep):
            continue  # built here from this project's sources
        binary = package(path)
        if binary is None:
            raise SystemExit(f'third-party-notices: {path} is linked but no Debian package owns it')
        source, version = run(['dpkg-query', '-W', '-f=${source:Package}\t${Version}', binary]).split('\t')
        components[(source, version)][binary][path] = parts

    out = ['kestrafen.exe 的第三方组件声明 / Third-party notices for kestrafen.exe', RULE, '',
           'kestrafen.exe 包含下列第三方组件的代码（构建时静态链接）。各组件的许可',
           '协议要求随程序一起提供的版权声明和许可文本附在后面，原样取自构建时所用',
           'Debian 软件包的版权文件；版权文件中指向 Debian 系统内许可文本的路径，',
           '已换成该许可文本的公开网址。',
           '',
           'kestrafen.exe contains code from the third-party components below,',
           'linked in statically when it was built. The copyright notices and',
           'licence texts their licences require are reproduced after the list,',
           'as found in the copyright files of the Debian packages used; where',
           'those files point at a licence text installed with Debian, the',
           'notices give the licence\'s public address instead.',
           '']
    ordered = sorted(components.items())
    for n, ((source, version), _) in enumerate(ordered, 1):
        out.append(f'{n}. {source} {version}')
    for n, ((source, version), binaries) in enumerate(ordered, 1):
        out += ['', RULE, f'{n}. {source} {version}', '']
        for binary, files in sorted(binaries.items()):
            out.append(f'  Debian package {binary}, linked from:')
            for path, parts in sorted(files.items()):
                picked = [m for m in parts if m is not None]
                stubs = [m for m in picked if import_member(parts[m])]
                code = len(picked) - len(stubs)
                counts = ', '.join(f'{n} {kind}member{"s" if n > 1 else ""}'
                                   for n, kind in [(code, ''), (len(stubs), 'import ')] if n)
                out.append(f'    {path} ({counts})' if picked else f'    {path}')
        if any(import_member(s) for files in binaries.values() for parts in files.values()
               for m, s in parts.items() if m is not None):
            out += ['', '  An import library\'s members hold no code of the component: each is a',
                    '  jump to a function of a Windows DLL, or an entry of the import table',
                    '  that names it. They come with the component and fall under its notice.']
        path, text = copyright_text(source, sorted(binaries)[0])
        out += ['', f'  Text: {path}', THIN, public_addresses(text)]
    return '\n'.join(out) + '\n'


def main(build_dir, target):
    notepad_text.write(target, notices(build_dir))
    return 0


if __name__ == '__main__':
    if len(sys.argv) != 3:
        raise SystemExit(__doc__.rsplit('\n\n', 1)[-1])
    sys.exit(main(*sys.argv[1:]))
