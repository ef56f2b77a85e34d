#!/usr/bin/env python3
"""The release scripts' parts checked on their own, without a release build,
in an environment of the test's own (a plain PATH, a scratch home):
- dirty-tree: BUILDINFO.txt calls a checkout's commit dirty when the tree has
  a changed or an untracked file, and only then (a scratch git repository);
- linker-package: the Debian package of the linker that the shipped build's
  link command runs (found as the notices script finds it) is one that
  BUILDINFO.txt gives the version of;
- licence-versions: each licence address the notices give has the version
  that the licence's name has (GPL-3 must not lead to the GPL-2 text);
- readme-commands: each command in README.md's table of commands starts a
  program of the tree that runs as written (executable, with a #! line).

Usage: release_scripts_test.py CHECK SOURCE_DIR FACTS_JSON SHIPPED_EXE SHIPPED_BUILD_DIR"""
import json
import os
import re
import subprocess
import sys
import tempfile

from checking import read, report, script, user_environment  # beside this test


def buildinfo_text(source, facts, exe, root):
    return script(source, 'buildinfo').buildinfo(facts, root, root, exe)


def dirty_tree(source, facts, exe, _build, fail):
    with tempfile.TemporaryDirectory(prefix='kestrafen-dirty-tree.') as repo:
        def git(*args):
            return subprocess.run(['git', '-C', repo, '-c', 'user.name=t', '-c', 'user.email=t@example.invalid',
                                   *args], check=True, capture_output=True, text=True).stdout.strip()
        git('init', '-q')
        with open(os.path.join(repo, 'tracked'), 'w', encoding='utf-8') as f:
            f.write('one\n')
        git('add', 'tracked')
        git('commit', '-q', '-m', 'one')
        commit = git('rev-parse', 'HEAD')
        states = [('clean', None, False), ('a changed file', 'tracked', True), ('an untracked file', 'new', True)]
        for state, touched, dirty in states:
            if touched:
                git('checkout', '-q', '--', '.')
                with open(os.path.join(repo, touched), 'w', encoding='utf-8') as f:
                    f.write('two\n')
            lines = buildinfo_text(source, facts, exe, repo).splitlines()
            at = lines.index(f'  {commit}') if f'  {commit}' in lines else None
            if at is None:
                fail(f'{state}: BUILDINFO.txt does not name the commit {commit}')
            elif ('dirty' in lines[at - 1]) != dirty:
                fail(f'{state}: BUILDINFO.txt says "{lines[at - 1]}"')


def linker_package(source, facts, exe, build, fail):
    notices = script(source, 'third-party-notices')
    linker = notices.linker_command(build)[0]
    notices.find_owners([linker])
    package = notices.package(linker)
    buildinfo = script(source, 'buildinfo')
    with tempfile.TemporaryDirectory(prefix='kestrafen-sources.') as sources:
        text = buildinfo_text(source, facts, exe, sources)
    given = [name.strip() for name, _ in buildinfo.field(text, buildinfo.PACKAGE_LINE, r'\S+ *')]
    if package is None or package not in given:
        fail(f'the linker {linker} comes from {package}, which BUILDINFO.txt does not list: {given}')


def licence_versions(source, _facts, _exe, _build, fail):
    def version(text):  # 2, 2.0 -> (2,)
        found = re.findall(r'\d+(?:\.\d+)*', text)
        return found and tuple(int(n) for n in re.sub(r'(\.0)+$', '', found[-1]).split('.'))
    notices = script(source, 'third-party-notices')
    for name in notices.LICENCE_ADDRESSES:
        # As Debian's copyright files cite a licence.
        address = notices.public_addresses(f"in `/usr/share/common-licenses/{name}'.")[len('in `'):-len("'.")]
        if version(name) != version(address.rsplit('/', 1)[-1]):
            fail(f'{name} leads to {address}')


def readme_commands(source, _facts, _exe, _build, fail):
    table = read(os.path.join(source, 'README.md')).split('| What | Command |', 1)[-1].split('\n\n', 1)[0]
    commands = re.findall(r'^\|.*\| `([^`]+)` \|$', table, flags=re.M)
    if not commands:
        fail("README.md's table of commands is gone: adapt this check")
    for command in commands:
        program = os.path.join(source, command.split()[0])
        with open(program, 'rb') as f:
            runnable = f.read(2) == b'#!' and os.access(program, os.X_OK)
        if not runnable:
            fail(f'README.md says to run "{command}", but {command.split()[0]} is not executable with a #! line')


CHECKS = {'dirty-tree': dirty_tree, 'linker-package': linker_package, 'licence-versions': licence_versions,
          'readme-commands': readme_commands}


def main(check, source, facts_json, exe, build):
    facts = json.loads(read(facts_json))
    home = tempfile.mkdtemp(prefix='kestrafen-home.')
    os.environ.clear()
    os.environ.update(user_environment(home))
    failures = []
    CHECKS[check](source, facts, exe, build, failures.append)
    os.rmdir(home)
    return report(failures, f'{check}: {"failed" if failures else "passed"}')


if __name__ == '__main__':
    if len(sys.argv) != 6 or sys.argv[1] not in CHECKS:
        raise SystemExit(__doc__.rsplit('\n\n', 1)[-1])
    sys.exit(main(*sys.argv[1:]))
