#!/usr/bin/env python3
"""The user guide as the release ships it (使用说明.txt, made by
scripts/guide-to-text.py from README.zh-CN.md) fits what an administrator
reads first: at most 300 lines, and its three numbered steps within the
first 40. The limits are checked on a guide padded past them too, which
must fail.

Usage: guide_length_test.py SOURCE_DIR FACTS_JSON"""
import json
import os
import sys

from checking import read, report, script, unnoticed  # beside this test

MAX_LINES, STEPS_WITHIN = 300, 40


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
    converter = script(source, 'guide-to-text')
    facts = json.loads(read(facts_json))
    version, date = converter.release(facts, read(os.path.join(source, 'CHANGELOG.md')))
    readme = read(os.path.join(source, 'README.zh-CN.md'))

    def text(markdown):
        return converter.convert(markdown, facts['WINDOW_TITLE'], version, date).split('\n')[:-1]

    lines = text(readme)
    padding = '\n\n'.join(f'填充段落 {n}。' for n in range(STEPS_WITHIN))
    padded = readme.replace(converter.START, converter.START + '\n\n' + padding, 1)
    # Padded past both limits, the guide must fail on each.
    failures = shape(lines) + unnoticed(lambda markdown: len(shape(text(markdown))) == 2, [readme],
                                        [('a guide padded past the limits', padded)])
    return report(failures, f'使用说明.txt: {len(lines)} lines')


if __name__ == '__main__':
    sys.exit(main(*sys.argv[1:]))
