#!/usr/bin/env python3
"""The user guide as the release ships it (使用说明.txt, made by
scripts/guide-to-text.py from README.zh-CN.md) fits what an administrator
reads first: at most 300 lines, and its three numbered steps within the
first 40. The limits are checked on a guide padded past them too, which
must fail.

Usage: guide_length_test.py SOURCE_DIR FACTS_JSON"""
import json
import os
import runpy
import sys

MAX_LINES, STEPS_WITHIN = 300, 40
START = '<!-- guide:start -->'


def shape(lines):
    """Failures of the text's lines against the limits."""
    failures = []
    if len(lines) > MAX_LINES:
        failures.append(f'{len(lines)} lines, more than {MAX_LINES}')
    last_step = next((n for n, line in enumerate(lines, 1) if line.startswith('3. ')), None)
    if last_step is None or last_step > STEPS_WITHIN or not any(l.startswith('1. ') for l in lines[:last_step]):
        failures.append(f'the three steps do not end within the first {STEPS_WITHIN} lines (step 3: {last_step})')
    return failures


def main(source, facts_json):
    sys.dont_write_bytecode = True
    sys.path.insert(0, os.path.join(source, 'scripts'))
    converter = runpy.run_path(os.path.join(source, 'scripts', 'guide-to-text.py'))
    with open(facts_json, encoding='utf-8') as f:
        facts = json.load(f)
    with open(os.path.join(source, 'CHANGELOG.md'), encoding='utf-8') as f:
        version, date = converter['release'](facts, f.read())
    with open(os.path.join(source, 'README.zh-CN.md'), encoding='utf-8') as f:
        readme = f.read()

    def text(markdown):
        return converter['convert'](markdown, facts['WINDOW_TITLE'], version, date).split('\n')[:-1]

    lines = text(readme)
    failures = shape(lines)
    padding = '\n\n'.join(f'填充段落 {n}。' for n in range(STEPS_WITHIN))
    for name, bad in [('a guide padded past the limits', readme.replace(START, START + '\n\n' + padding, 1))]:
        if len(shape(text(bad))) < 2:
            failures.append(f'the check does not notice {name}')
    print(f'使用说明.txt: {len(lines)} lines')
    for failure in failures:
        print('FAIL:', failure)
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main(*sys.argv[1:]))
