#!/usr/bin/env python3
"""Writes the compilation database that the analysers read: every C++ source
of the project once, with the flags of the build that compiles it.

- src/ and the shipped build's own programs: the shipped build's entries
  (LLVM, as shipped);
- tests/: the tests' build's entries (mingw-w64 GCC), with clang told the
  target and GCC's C++ library folders (GCC_INCLUDE_DIR...);
- a source that neither build compiles here (bench/, built only for the
  benchmarks): the entry of a tests' source, with its file in place.

OUTPUT_DIR/compile_commands.json is for clang-tidy;
OUTPUT_DIR/cppcheck/compile_commands.json the same for cppcheck, which reads
only -I folders: the system folders (GoogleTest's) are given as -I, except
GCC's C++ library, whose headers cppcheck's preprocessor can't read (it
skips the whole file then); cppcheck knows the standard library itself.

Usage: analysis-database.py SOURCE_DIR SHIPPED_BUILD TESTS_BUILD OUTPUT_DIR GCC_INCLUDE_DIR..."""
import json
import os
import shlex
import sys

TARGET = 'x86_64-w64-mingw32'


def entries(build):
    with open(os.path.join(build, 'compile_commands.json'), encoding='utf-8') as f:
        return {os.path.realpath(e['file']): e for e in json.load(f)}


def arguments(entry):
    return entry['arguments'] if 'arguments' in entry else shlex.split(entry['command'])


def main(source, shipped_build, tests_build, output, *gcc_include):
    source = os.path.realpath(source)
    shipped, tests = entries(shipped_build), entries(tests_build)
    sources = sorted(os.path.realpath(os.path.join(folder, name))
                     for top in ('src', 'tests', 'bench')
                     for folder, _, names in os.walk(os.path.join(source, top))
                     for name in names if name.endswith('.cpp'))
    template = next(e for f, e in sorted(tests.items()) if f.startswith(os.path.join(source, 'tests', '')))
    database = []
    for path in sources:
        relative = os.path.relpath(path, source)
        if relative.startswith('src/') or (path in shipped and path not in tests):
            entry = shipped.get(path)
            if not entry:
                raise SystemExit(f'analysis-database: the shipped build does not compile {relative}')
            database.append({'directory': entry['directory'], 'file': path, 'arguments': arguments(entry)})
            continue
        entry = tests.get(path)
        args = arguments(entry or template)
        if not entry:
            # The template's own file and output give way to this one's.
            old = os.path.realpath(template['file'])
            args = [path if os.path.isabs(a) and os.path.realpath(a) == old or a == template['file']
                    else a for a in args]
        args = [args[0], f'--target={TARGET}'] + [f'-isystem{d}' for d in gcc_include] + args[1:]
        database.append({'directory': (entry or template)['directory'], 'file': path, 'arguments': args})
    write(output, database)
    write(os.path.join(output, 'cppcheck'),
          [dict(e, arguments=as_include(e['arguments'])) for e in database])
    return 0


def as_include(args):
    out, system = [], False
    for a in args:
        folder = a if system else a[len('-isystem'):] if a.startswith('-isystem') else None
        if folder and not folder.startswith('/usr/lib/gcc/'):
            out.append('-I' + folder)
        elif folder is None and a != '-isystem':
            out.append(a)
        system = a == '-isystem'
    return out


def write(folder, database):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, 'compile_commands.json'), 'w', encoding='utf-8') as f:
        json.dump(database, f, indent=1)


if __name__ == '__main__':
    if len(sys.argv) < 5:
        raise SystemExit(__doc__.rsplit('\n\n', 1)[-1])
    sys.exit(main(*sys.argv[1:]))
