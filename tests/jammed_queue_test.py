#!/usr/bin/env python3
"""A jammed queue: 10,000 entries in the job directory of the throwaway Wine
prefix (mixed names, attributes, a busy file, subdirectories with content, a
directory linked from outside), cleared by the real program. Afterwards
exactly the deletable job files must be gone and nothing else on the
prefix's drive may differ in name, size or content.

Usage: jammed_queue_test.py FACTS_JSON WINE_RUN QUEUE_RUNNER"""
import json
import hashlib
import os
import random
import shutil
import subprocess
import sys

from checking import read, report  # beside this test

ENTRIES = 10_000
LOCKED = 'locked-by-spooler.SPL'
# Job files given DOS attributes by the runner (H hidden, S system, R
# read-only, from the name), and how many of each.
ATTRIBUTES = (('H', 50), ('S', 50), ('R', 50), ('HS', 25), ('HSR', 25))
# The program's working directory, made by the test before it looks at the
# drive: whatever the program leaves in it counts as a change.
WORKING_DIRECTORY = 'kestrafen-queue-cwd'


def clear(path):
    """Empties a directory without ever following a link out of it."""
    for name in os.listdir(path):
        entry = os.path.join(path, name)
        if os.path.isdir(entry) and not os.path.islink(entry):
            shutil.rmtree(entry)
        else:
            os.unlink(entry)


def job_names(count):
    """Mixed job-file names, each unique."""
    kinds = [
        lambda n: f'{n:05d}.SPL',
        lambda n: f'{n:05d}.SHD',
        lambda n: f'打印任务 {n}.SPL',
        lambda n: f'job {n} with spaces.tmp',
        lambda n: f'noextension{n}',
        lambda n: f'.leading-dot-{n}',
        lambda n: f'..two-leading-dots-{n}',
        lambda n: f'FP{n:05d}.SPL',
        lambda n: f'Ünïcödé-{n}.spl',
        lambda n: f'{n}-' + 'long' * 50 + '.SPL',  # about 210 characters
    ]
    return [kinds[n % len(kinds)](n) for n in range(count)]


def write(path, rng):
    with open(path, 'wb') as f:
        f.write(rng.randbytes(rng.randrange(0, 4096)))


def build_corpus(jobs, outside, rng):
    """Returns the names of the top-level files the run may delete."""
    os.makedirs(outside, exist_ok=True)
    for i in range(20):
        write(os.path.join(outside, f'outside-{i}.dat'), rng)
    os.makedirs(os.path.join(outside, 'nested'), exist_ok=True)
    write(os.path.join(outside, 'nested', 'deep.dat'), rng)

    entries = 0
    for d in range(20):  # 20 subdirectories of 15 entries each
        sub = os.path.join(jobs, f'subdir {d}')
        os.mkdir(sub)
        for i in range(9):
            write(os.path.join(sub, f'{i:05d}.SPL'), rng)
        os.mkdir(os.path.join(sub, 'deeper'))
        for i in range(4):
            write(os.path.join(sub, 'deeper', f'{i}.SHD'), rng)
        entries += 15
    os.symlink(outside, os.path.join(jobs, 'linked from outside'))
    entries += 1

    deletable = set()
    write(os.path.join(jobs, LOCKED), rng)
    entries += 1
    for attrs, count in ATTRIBUTES:
        for i in range(count):
            name = f'attr-{attrs}-{i}.SPL'
            write(os.path.join(jobs, name), rng)
            if 'R' not in attrs:
                deletable.add(name)
        entries += count
    for name in job_names(ENTRIES - entries):
        write(os.path.join(jobs, name), rng)
        deletable.add(name)
    return deletable


def snapshot(drive):
    """{relative path: (kind, size, sha256 or link target)} of the whole drive,
    links recorded as links and never followed."""
    result = {}
    for root, dirs, files in os.walk(drive):
        for name in dirs + files:
            path = os.path.join(root, name)
            rel = os.path.relpath(path, drive)
            if os.path.islink(path):
                result[rel] = ('link', 0, os.readlink(path))
            elif os.path.isdir(path):
                result[rel] = ('dir', 0, '')
            else:
                with open(path, 'rb') as f:
                    digest = hashlib.sha256(f.read()).hexdigest()
                result[rel] = ('file', os.path.getsize(path), digest)
    return result


def main(facts_json, wine_run, runner):
    facts = json.loads(read(facts_json))
    prefix = facts['TEST_PREFIX']

    drive = os.path.join(prefix, 'drive_c')
    if not os.path.exists(os.path.join(drive, facts['PREFIX_MARKER'])):
        return report(['not the harness\'s throwaway prefix'])
    # Windows names are case-blind: use the job directory whatever its case.
    *parents, leaf = [p for p in facts['JOB_SUBDIRECTORY'].split('\\') if p]
    spool = os.path.join(drive, 'windows', 'system32', *parents)
    found = [n for n in os.listdir(spool) if n.lower() == leaf.lower()]
    if len(found) > 1:
        return report([f'the spool directory holds {found}'])
    jobs = os.path.join(spool, found[0] if found else leaf)
    outside = os.path.join(drive, 'kestrafen-outside')
    os.makedirs(jobs, exist_ok=True)
    clear(jobs)
    cwd = os.path.join(drive, WORKING_DIRECTORY)
    os.makedirs(cwd, exist_ok=True)
    clear(cwd)
    shutil.rmtree(outside, ignore_errors=True)
    deletable = build_corpus(jobs, outside, random.Random(20261208))

    total = sum(len(d) + len(f) for _, d, f in os.walk(jobs))
    print(f'corpus: {total} entries in the job directory, {len(deletable)} deletable job files')
    before = snapshot(drive)

    facts_sh = os.path.join(os.path.dirname(facts_json), 'facts.sh')
    run = subprocess.run([wine_run, facts_sh, runner, 'C:\\' + WORKING_DIRECTORY],
                         capture_output=True, text=True)
    print(run.stdout.strip())
    after = snapshot(drive)

    failures = []
    if run.returncode != 0:
        failures.append(f'the run did not end in success (runner exit {run.returncode})')
    # What the corpus needs of the runner before the program starts.
    attributed = sum(count for _, count in ATTRIBUTES)
    if f'attributes set on {attributed} files' not in run.stdout:
        failures.append(f'the runner did not give all {attributed} attributed files their attributes')
    if 'held open without delete sharing: yes' not in run.stdout:
        failures.append(f'the runner did not hold {LOCKED} open')
    gone = {p for p in before if p not in after}
    added = {p for p in after if p not in before}
    changed = {p for p in before if p in after and before[p] != after[p]}
    expected_gone = {os.path.relpath(os.path.join(jobs, n), drive) for n in deletable}
    if gone != expected_gone:
        failures.append(f'{len(expected_gone - gone)} deletable files stayed, e.g. '
                        f'{sorted(expected_gone - gone)[:5]}; '
                        f'{len(gone - expected_gone)} other entries vanished, e.g. '
                        f'{sorted(gone - expected_gone)[:5]}')
    # Nothing is excused: the harness makes what it needs before the first
    # look, and Wine itself adds nothing on the drive during a run.
    unexpected = sorted(added | changed)
    if unexpected:
        failures.append(f'{len(unexpected)} entries were added or changed, e.g. {unexpected[:5]}')

    kept = sum(len(d) + len(f) for _, d, f in os.walk(jobs))
    print(f'deleted: {len(gone & expected_gone)} of {len(expected_gone)}; '
          f'kept in the job directory: {kept} of {total}; '
          f'drive entries compared: {len(before)}')
    clear(jobs)
    shutil.rmtree(cwd)
    shutil.rmtree(outside)
    return report(failures)


if __name__ == '__main__':
    sys.exit(main(*sys.argv[1:4]))
