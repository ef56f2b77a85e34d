"""What the Python checks beside this file share: a script of scripts/ loaded
from its file, the environment a user's shell gives the scripts, the faults a
check is tried on before its result is trusted, and the verdict."""
import glob
import os
import runpy
import sys
import types

USER_PATH = '/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin'


def script(source, name):
    """A script of scripts/, loaded from its file: its functions and constants."""
    sys.dont_write_bytecode = True
    sys.path.insert(0, os.path.join(source, 'scripts'))
    return types.SimpleNamespace(**runpy.run_path(os.path.join(source, 'scripts', name + '.py')))


def user_environment(home, **extra):
    """What a user's shell gives the release scripts: a plain PATH, a home of
    its own and a UTF-8 locale; nothing else of the caller's (no PYTHON*
    settings, no signing variables), so that the suite sees what a user's
    machine sees. extra adds to it, or replaces a part."""
    return {'PATH': USER_PATH, 'HOME': home, 'LANG': 'C.UTF-8', **extra}


def read(path):
    with open(path, encoding='utf-8') as f:
        return f.read()


def program_sources(source):
    """{path from source: text} of the program's sources and headers (src/)."""
    paths = [p for pattern in ('*.cpp', '*.h') for p in glob.glob(os.path.join(source, 'src', '**', pattern),
                                                                    recursive=True)]
    return {os.path.relpath(path, source): read(path) for path in sorted(paths)}


def unnoticed(check, good, planted):
    """Failures for the planted faults, (name, *check's arguments) each, that
    check finds nothing wrong with; and for those that could not be planted
    (the arguments are good's: what they were planted in has changed)."""
    failures = []
    for name, *bad in planted:
        if bad == list(good):
            failures.append(f'could not plant {name}: what it is planted in changed, adapt this test')
        elif not check(*bad):
            failures.append(f'the check does not notice {name}')
    return failures


def report(failures, summary=None):
    """Prints the summary, if any, and each failure; the exit status."""
    if summary:
        print(summary)
    for failure in failures:
        print('FAIL:', failure)
    return 1 if failures else 0
