#!/usr/bin/env python3
"""scripts/guide-to-text.py against a golden file: tests/guide_golden/input.md,
with build facts (version, window title) and a changelog of its own, must give expected.txt byte
for byte. Without a changelog heading for the project's version (a heading
missing, or one for a version that merely starts alike) it must stop with an
error and write nothing.

Usage: guide_to_text_test.py SOURCE_DIR"""
import difflib
import os
import subprocess
import sys
import tempfile

from checking import read, report  # beside this test


def convert(source, golden, changelog, output):
    return subprocess.run([sys.executable, '-B', os.path.join(source, 'scripts', 'guide-to-text.py'),
                           os.path.join(golden, 'input.md'), os.path.join(golden, 'facts.json'),
                           changelog, output], capture_output=True, text=True)


def main(source):
    golden = os.path.join(source, 'tests', 'guide_golden')
    failures = []
    with tempfile.TemporaryDirectory(prefix='kestrafen-guide-test.') as work:
        output = os.path.join(work, 'out.txt')
        run = convert(source, golden, os.path.join(golden, 'changelog.md'), output)
        if run.returncode != 0:
            failures.append(f'the converter failed: {run.stderr.strip()}')
        else:
            with open(output, 'rb') as f, open(os.path.join(golden, 'expected.txt'), 'rb') as g:
                got, want = f.read(), g.read()
            if got != want:
                diff = difflib.unified_diff(want.decode('utf-8-sig').splitlines(),
                                            got.decode('utf-8-sig').splitlines(),
                                            'expected.txt', 'output', lineterm='')
                print('\n'.join(diff))
                failures.append('the output differs from expected.txt'
                                + (' (in its bytes: BOM or line ends)' if got.decode('utf-8-sig').splitlines()
                                   == want.decode('utf-8-sig').splitlines() else ''))

        changelog = read(os.path.join(golden, 'changelog.md'))
        for name, text in [
                ('no heading for 2.3.4', changelog.replace('## 2.3.4（2030-02-03）', '## 旧版')),
                ('only a heading for 2.3.45', changelog.replace('## 2.3.4（', '## 2.3.45（'))]:
            path = os.path.join(work, 'changelog.md')
            with open(path, 'w', encoding='utf-8') as f:
                f.write(text)
            if os.path.exists(output):
                os.remove(output)
            run = convert(source, golden, path, output)
            if run.returncode == 0 or os.path.exists(output) or '2.3.4' not in run.stderr:
                failures.append(f'{name}: exit {run.returncode}, output written: {os.path.exists(output)}, '
                                f'message: {run.stderr.strip()!r}')
    return report(failures)


if __name__ == '__main__':
    sys.exit(main(sys.argv[1]))
