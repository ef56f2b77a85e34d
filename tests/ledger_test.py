#!/usr/bin/env python3
"""Every row of docs/windows-facts.md, the ledger of what the user guide says
about Windows, names its source: a web address or a file of this
repository, or a test together with where it runs (Wine, Linux or the
Windows suite). A row that says "not confirmed" also names, after "Check:",
the Windows-suite test that will settle it, or "none". Every test a row
names must exist: a GoogleTest case (TEST(Suite, Name) or TEST_F) under
tests/, or a ctest name given to add_test.

Before trusting the result, the check is run on altered copies of the
ledger (a row without a source, a "not confirmed" without its check, a test
that doesn't exist) and must fail on each.

Usage: ledger_test.py SOURCE_DIR"""
import glob
import os
import re
import sys

from checking import read, report, unnoticed  # beside this test

TEST_NAME = re.compile(r'`([A-Z]\w*\.[A-Z]\w*)`')
PLACE = re.compile(r'\b(Wine|Linux|Windows suite)\b')
CHECK = re.compile(r'Check: (none|`[A-Z]\w*\.[A-Z]\w*`)')
PATH = re.compile(r'`([\w.-]+(?:/[\w.-]+)+|README\.md)`')


def known_tests(source):
    names = set()
    for path in glob.glob(os.path.join(source, 'tests', '**', '*'), recursive=True):
        if path.endswith(('.cpp', 'CMakeLists.txt')):
            text = read(path)
            names |= {f'{s}.{n}' for s, n in re.findall(r'\bTEST(?:_F)?\(\s*(\w+)\s*,\s*(\w+)\s*\)', text)}
            names |= set(re.findall(r'add_test\(\s*NAME\s+([\w.]+)', text))
    return names


def rows(ledger):
    """(statement, source) of every table row but the headers."""
    out = []
    for line in ledger.split('\n'):
        if line.startswith('|') and not re.match(r'^\|[-| ]+\|$', line):
            cells = [c.strip() for c in line.strip().strip('|').split(' | ')]
            if cells[0] != 'Statement in the guide':
                out.append((cells[0], cells[-1] if len(cells) > 1 else ''))
    return out


def check(source, ledger, tests):
    failures = []
    found = rows(ledger)
    if not found:
        failures.append('the ledger has no rows')
    for statement, cell in found:
        where = f'row "{statement[:60]}"'
        named = TEST_NAME.findall(cell)
        for name in named:
            if name not in tests:
                failures.append(f'{where}: names {name}, which is no test here')
        paths = [p for p in PATH.findall(cell) if os.path.exists(os.path.join(source, p))]
        sourced = re.search(r'https?://\S', cell) or paths or (named and PLACE.search(cell))
        if 'not confirmed' in cell.lower():
            if not CHECK.search(cell):
                failures.append(f'{where}: "not confirmed" without "Check: none" or the test that will settle it')
        elif not sourced:
            failures.append(f'{where}: no address, file, or test with where it runs')
    return failures


def altered(ledger):
    """(name, ledger) with one fault each, which check must find."""
    sourced = next(line for line in ledger.split('\n') if line.startswith('|') and 'https://' in line
                   and 'not confirmed' not in line.lower())
    unconfirmed = next(line for line in ledger.split('\n') if line.startswith('|') and 'Check: none' in line)
    named = next(line for line in ledger.split('\n') if line.startswith('|') and TEST_NAME.search(line))
    statement = sourced.split(' | ')[0]
    return [
        ('a row without a source', ledger.replace(sourced, statement + ' | Seen somewhere. |', 1)),
        ('"not confirmed" without its check', ledger.replace(unconfirmed, unconfirmed.replace('Check: none', ''), 1)),
        ('a test that does not exist', ledger.replace(named, TEST_NAME.sub('`NoSuch.TestAnywhere`', named, 1), 1)),
    ]


def main(source):
    ledger = read(os.path.join(source, 'docs', 'windows-facts.md'))
    tests = known_tests(source)
    failures = check(source, ledger, tests) + unnoticed(lambda text: check(source, text, tests), [ledger],
                                                         altered(ledger))
    return report(failures, f'{len(rows(ledger))} ledger rows, {len(tests)} tests known')


if __name__ == '__main__':
    sys.exit(main(sys.argv[1]))
