#!/usr/bin/env python3
"""The Windows suite's lists, against what uses them. The build writes the
suite's programs to SUITE_DIR/suite-programs.txt and the throwaway marker's
name to SUITE_DIR/throwaway-marker.txt; then:
- every listed program is in SUITE_DIR, and ctest runs the suite runner
  from SUITE_DIR under Wine (through wine/run.sh), whole, on that list: the
  Windows job runs nothing that CI did not run here first;
- the Windows job runs that same runner, from the folder the suite's
  artefact is downloaded to, and reads the marker's file; it names no
  program of the list and no marker itself, so each is written once, by the
  build;
- the Windows job's `run:` steps hold no logic: each is one line, with no
  branch, loop or comparison (the runner decides, and ctest tests it);
- the Wine harness (wine/platform.sh) leaves the same marker in its prefix.

Usage: suite_list_test.py SUITE_DIR CTEST BUILD_DIR WORKFLOW PLATFORM_SH"""
import json
import os
import re
import subprocess
import sys

import yaml

RUNNER = 'windows_suite_runner.exe'
# PowerShell's and cmd's words for a branch, a loop or a comparison.
LOGIC = re.compile(r'\b(if|else|elseif|foreach|for|while|do|switch|try|catch|throw|trap|goto)\b|'
                   r'-(eq|ne|lt|le|gt|ge|i?like|i?match|notmatch|contains|in|not|and|or)\b|&&|\|\||[<>]=?', re.I)


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

    runner = os.path.realpath(os.path.join(suite_dir, RUNNER))
    if not os.path.isfile(runner):
        failures.append(f'{RUNNER}: not in {suite_dir}')
    for program in programs:
        if not os.path.isfile(os.path.join(suite_dir, program)):
            failures.append(f'{program}: not in {suite_dir}')
    # The runner, from the suite's folder, on its own list: no folder of
    # stand-ins named, nothing narrowed.
    runs = [name for name, command in wine_commands(ctest, build).items()
            if any(os.path.realpath(part) == runner for part in command[1:])
            and command[-1].endswith(RUNNER) and not any('--gtest' in part for part in command)]
    print(f'{RUNNER}: run on the list under Wine by {", ".join(runs) or "no test"}')
    if len(runs) != 1:
        failures.append(f'{len(runs)} ctest tests run the suite runner on the suite\'s own list, not one')

    with open(workflow, encoding='utf-8') as f:
        text = f.read()
    if 'throwaway-marker.txt' not in text:
        failures.append('the workflow does not read throwaway-marker.txt')
    for program in programs:
        if re.search(re.escape(os.path.splitext(program)[0]) + r'\b', text):
            failures.append(f'the workflow names {program} itself, beside the list')
    if marker in text:
        failures.append(f'the workflow names the marker {marker} itself')
    run_steps = [step['run'] for step in yaml.safe_load(text)['jobs']['windows']['steps'] if 'run' in step]
    if not any(step.strip() == f'suite\\{RUNNER}' for step in run_steps):
        failures.append(f'the Windows job does not run suite\\{RUNNER} as a step of its own')
    for step in run_steps:
        logic = LOGIC.search(step)
        if len(step.strip().splitlines()) != 1 or logic:
            failures.append(f'a run step of the Windows job holds logic ({logic.group(0) if logic else "lines"}): '
                            f'{step.strip()}')

    with open(platform, encoding='utf-8') as f:
        if 'drive_c/$KESTRAFEN_PREFIX_MARKER"' not in f.read():
            failures.append(f'{platform} does not leave the build\'s marker (PREFIX_MARKER) in its prefix')

    for failure in failures:
        print(f'FAIL: {failure}')
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
