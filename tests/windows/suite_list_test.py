#!/usr/bin/env python3
"""The Windows suite's lists, against what uses them. The build writes the
suite's programs to SUITE_DIR/suite-programs.txt and the throwaway marker's
name to SUITE_DIR/throwaway-marker.txt; then:
- every listed program is in SUITE_DIR and is a test that ctest runs whole
  under Wine (through wine/run.sh), so the Windows job runs nothing that CI did not
  run here first;
- the workflow reads both files and names no program and no marker itself,
  so the list is written once, by the build;
- the Wine harness (wine/platform.sh) leaves the same marker in its prefix.

Usage: suite_list_test.py SUITE_DIR CTEST BUILD_DIR WORKFLOW PLATFORM_SH"""
import json
import os
import re
import subprocess
import sys


def read_lines(path):
    with open(path, encoding='utf-8') as f:
        return [line.strip() for line in f if line.strip()]


def wine_commands(ctest, build):
    """Each ctest test's command, for those that run through wine/run.sh."""
    listing = subprocess.run([ctest, '--show-only=json-v1'], cwd=build, capture_output=True, text=True,
                             check=True)
    commands = {}
    for test in json.loads(listing.stdout)['tests']:
        command = test.get('command') or []
        disabled = any(p['name'] == 'DISABLED' and p['value'] for p in test.get('properties', []))
        if command and command[0].endswith('wine/run.sh') and not disabled:
            commands[test['name']] = command
    return commands


def main():
    suite_dir, ctest, build, workflow, platform = sys.argv[1:6]
    failures = []
    programs = read_lines(os.path.join(suite_dir, 'suite-programs.txt'))
    marker = read_lines(os.path.join(suite_dir, 'throwaway-marker.txt'))[0]
    print(f'listed programs: {", ".join(programs)}; marker: {marker}')
    if not programs:
        failures.append('suite-programs.txt lists no program')

    commands = wine_commands(ctest, build)
    for program in programs:
        path = os.path.realpath(os.path.join(suite_dir, program))
        if not os.path.isfile(path):
            failures.append(f'{program}: not in {suite_dir}')
        # Whole, as the Windows job runs it: not narrowed to some checks.
        runs = [name for name, command in commands.items()
                if any(os.path.realpath(part) == path for part in command[1:])
                and not any(part.startswith('--gtest_filter') for part in command)]
        print(f'{program}: run under Wine by {", ".join(runs) or "no test"}')
        if not runs:
            failures.append(f'{program}: no ctest test runs it under Wine')

    with open(workflow, encoding='utf-8') as f:
        text = f.read()
    for needed in ('suite-programs.txt', 'throwaway-marker.txt'):
        if needed not in text:
            failures.append(f'the workflow does not read {needed}')
    for program in programs:
        if re.search(re.escape(os.path.splitext(program)[0]), text):
            failures.append(f'the workflow names {program} itself, beside the list')
    if marker in text:
        failures.append(f'the workflow names the marker {marker} itself')

    with open(platform, encoding='utf-8') as f:
        if 'drive_c/$KESTRAFEN_PREFIX_MARKER"' not in f.read():
            failures.append(f'{platform} does not leave the build\'s marker (PREFIX_MARKER) in its prefix')

    for failure in failures:
        print(f'FAIL: {failure}')
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
