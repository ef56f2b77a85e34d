#!/usr/bin/env python3
"""The suite runner's decisions, under Wine, each on stand-ins made to fail
it: a release (a folder of small files and its SHA256SUMS.txt) and a suite
(copies of the stand-in suite program, named for what they do, and their
suite-programs.txt), laid out as the workflow lays them out. For each case
the runner must pass or fail as stated and print the reason. A last check
asks the service manager (through Wine's net.exe) that the Spooler runs
after the case whose program stopped it.

Usage: suite_runner_test.py FACTS_SH WINE_RUN RUNNER STANDIN"""
import hashlib
import io
import os
import shutil
import subprocess
import sys
import tempfile

FILES = {'kestrafen.exe': b'MZ stand-in program', 'LICENSE.txt': b'licence\r\n'}
GOOD_SUMS = ''.join(f'{hashlib.sha256(data).hexdigest()}  {name}\r\n' for name, data in FILES.items())
# A hang detector, not a time limit: a case takes a few seconds.
RUNNER_LIMIT_S = 90
# name: (release files, SHA256SUMS.txt, suite programs, extra environment, passes, what it prints)
CASES = {
    'all good': (FILES, GOOD_SUMS, ['passes_1.exe', 'passes_2.exe'], {}, True, 'the suite passed'),
    'sums list nothing': (FILES, '', ['passes.exe'], {}, False, 'SHA256SUMS.txt lists no file'),
    'sums of another form': (FILES, GOOD_SUMS.replace('  ', ' :'), ['passes.exe'], {}, False,
                             'is not a checksum line'),
    'a member missing': (dict(FILES, **{'extra.txt': b'x'}), GOOD_SUMS, ['passes.exe'], {}, False,
                         'SHA256SUMS.txt does not list extra.txt'),
    'a listed file absent': ({'kestrafen.exe': FILES['kestrafen.exe']}, GOOD_SUMS, ['passes.exe'], {}, False,
                             'lists LICENSE.txt, which the release does not hold'),
    'a file listed twice': (FILES, GOOD_SUMS + GOOD_SUMS.splitlines(True)[0], ['passes.exe'], {}, False,
                            'lists kestrafen.exe more than once'),
    'a wrong hash': (dict(FILES, **{'LICENSE.txt': b'changed\r\n'}), GOOD_SUMS, ['passes.exe'], {}, False,
                     'LICENSE.txt: SHA-256'),
    'no program listed': (FILES, GOOD_SUMS, [], {}, False, 'lists no program'),
    'a program missing': (FILES, GOOD_SUMS, ['passes.exe', 'missing'], {}, False, 'missing: could not be started'),
    'a program fails': (FILES, GOOD_SUMS, ['passes.exe', 'fails.exe'], {}, False, 'fails.exe: exit code 1'),
    'a program crashes': (FILES, GOOD_SUMS, ['crashes.exe', 'passes.exe'], {}, False,
                          'crashes.exe: exit code 0xC0000005'),
    'a program skips, where allowed': (FILES, GOOD_SUMS, ['skips.exe'], {}, True, 'skips.exe: 1 checks skipped'),
    'a program skips, where Windows is required': (FILES, GOOD_SUMS, ['skips.exe'],
                                                   {'KESTRAFEN_REQUIRE_WINDOWS': '1'}, False,
                                                   'where KESTRAFEN_REQUIRE_WINDOWS asks for every check'),
    'a program leaves behind a process that holds its output': (FILES, GOOD_SUMS, ['leaves_a_child.exe'], {}, True,
                                                                 'the suite passed'),
    'a failing program leaves the Spooler stopped': (FILES, GOOD_SUMS, ['stops_spooler.exe'], {}, False,
                                                     'the Spooler after the suite, put back: running'),
}


def windows_path(path):
    return 'Z:' + path.replace('/', '\\')


def run_case(work, name, case, facts, wine_run, runner, standin):
    files, sums, programs, extra, passes, expected = case
    top = os.path.join(work, name.replace(' ', '-').replace(',', ''))
    release, suite, artefacts = (os.path.join(top, d) for d in ('release', 'suite', 'artefacts'))
    for folder in (release, suite, artefacts):
        os.makedirs(folder)
    for file, data in files.items():
        with open(os.path.join(release, file), 'wb') as f:
            f.write(data)
    with open(os.path.join(release, 'SHA256SUMS.txt'), 'w', encoding='utf-8', newline='') as f:
        f.write(sums)
    with open(os.path.join(suite, 'suite-programs.txt'), 'w', encoding='utf-8') as f:
        f.write(''.join(p + '\n' for p in programs))
    for program in programs:
        if program != 'missing':
            shutil.copy(standin, os.path.join(suite, program))
    env = {k: v for k, v in os.environ.items() if k != 'KESTRAFEN_REQUIRE_WINDOWS'}
    env.update(KESTRAFEN_RELEASE_DIR=windows_path(release), KESTRAFEN_ARTEFACTS_DIR=windows_path(artefacts),
               **extra)
    # Its output goes to files, not pipes: a process it leaves behind may
    # hold those open, and reading to their end would wait for it.
    with open(os.path.join(top, 'stdout'), 'w+', encoding='utf-8', errors='replace') as out, \
            open(os.path.join(top, 'stderr'), 'w+', encoding='utf-8', errors='replace') as err:
        try:
            run = subprocess.run([wine_run, facts, runner, windows_path(suite)], stdout=out, stderr=err,
                                 env=env, stdin=subprocess.DEVNULL, timeout=RUNNER_LIMIT_S)
        except subprocess.TimeoutExpired:
            return [f'{name}: the runner had not ended after {RUNNER_LIMIT_S} s']
        finally:
            # Whatever a stand-in left behind stops now.
            open(os.path.join(artefacts, 'stop-lingering'), 'w').close()
        out.seek(0)
        err.seek(0)
        run.stdout, run.stderr = out.read(), err.read()
    failures = []
    if (run.returncode == 0) != passes:
        failures.append(f'{name}: the runner exited with {run.returncode}, expected it to '
                        f'{"pass" if passes else "fail"}')
    if expected not in run.stdout:
        failures.append(f'{name}: the runner did not print "{expected}"')
    log = os.path.join(artefacts, 'suite.log')
    with open(log, encoding='utf-8', errors='replace') if os.path.exists(log) else io.StringIO() as f:
        if expected not in f.read():
            failures.append(f'{name}: suite.log does not say "{expected}"')
    print(f'{"ok  " if not failures else "FAIL"} {name}: exit {run.returncode}')
    if failures:
        print(run.stdout[-3000:], run.stderr[-2000:])
    return failures


def main(facts, wine_run, runner, standin):
    failures = []
    with tempfile.TemporaryDirectory(prefix='kestrafen-suite-runner.') as work:
        for name, case in CASES.items():
            failures += run_case(work, name, case, facts, wine_run, runner, standin)
    # Independently of the runner's own report: net start exits 1 when the
    # service is running already (and starts it otherwise).
    net = subprocess.run([wine_run, facts, 'net', 'start', 'spooler'], capture_output=True, text=True,
                         errors='replace', stdin=subprocess.DEVNULL)
    if net.returncode != 1:
        failures.append(f'the Spooler was not running after the runner ended (net start exited {net.returncode})')
    for failure in failures:
        print('FAIL:', failure)
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main(*sys.argv[1:5]))
