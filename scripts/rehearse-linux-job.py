#!/usr/bin/env python3
"""The Windows workflow's Linux job, rehearsed on this machine as GitHub runs
it in its container (.github/workflows/windows.yml, job "linux").

  rehearse-linux-job.py --dry WORKFLOW WORKSPACE
      Reads the job's steps, in order, and resolves every path it uploads
      to files in WORKSPACE that the build made (not files of the sources);
      checks that each artefact another job downloads is one this job
      uploads. Quick: ctest runs it after the release test.
  rehearse-linux-job.py --full WORKFLOW SOURCE [SCRATCH]
      Runs the job: a fresh clone of SOURCE's committed HEAD, owned by
      another user (uid 1001, the runner's), in SCRATCH (made if missing, a
      new folder under /tmp if not given); each `run:` step taken from the
      workflow, as root, in the order given, through `bash -e` (GitHub's
      shell for a step that names none), with the container's environment:
      HOME=<scratch>/github/home, GITHUB_WORKSPACE=<scratch>/__w/<repo>/<repo>,
      RUNNER_TEMP, CI=true, GITHUB_ACTIONS=true, the image's PATH and
      nothing else (debian:bookworm sets no LANG), no standard input.
      actions/checkout is the clone; actions/upload-artifact copies what
      it uploads to <scratch>/artifacts/<name>/ as download-artifact lays
      it out. apt-get is a stand-in that installs nothing: it fails if a
      package the step asks for is missing here. So this can't rehearse a
      bare bookworm image, only one with the packages already installed.
      Needs root (the chown); writes nothing outside SCRATCH.

Sources: a container job's HOME is /github/home (actions/runner#863), its
workspace /__w/<repo>/<repo> and RUNNER_TEMP /__w/_temp (actions/runner#2058,
actions/checkout#785); the workspace belongs to the runner's user while the
steps run as root (actions/checkout#766, actions/runner#2033).

The functions steps() and uploads() are for other checks on the workflow."""
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import time

import yaml

JOB = 'linux'
RUNNER_UID = 1001
# debian:bookworm's own environment (its image config): PATH alone.
IMAGE_PATH = '/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin'
REPOSITORY = 'kestrafen'


def workflow_jobs(workflow):
    with open(workflow, encoding='utf-8') as f:
        return yaml.safe_load(f)['jobs']


def steps(workflow, job=JOB):
    """The job's steps, in order, as the workflow gives them (dicts)."""
    return workflow_jobs(workflow)[job]['steps']


def inputs(workflow, job, action):
    """The `with:` of each step of the job that uses actions/<action>."""
    return [step['with'] for step in steps(workflow, job) if step.get('uses', '').startswith(f'actions/{action}@')]


def paths(given):
    """The path patterns an upload-artifact step's `with:` gives, one a line."""
    return [p.strip() for p in str(given['path']).splitlines() if p.strip()]


def uploads(workflow, job=JOB):
    """(artefact name, [path patterns]) for each upload-artifact step of the job."""
    return [(given['name'], paths(given)) for given in inputs(workflow, job, 'upload-artifact')]


def resolve(workspace, pattern):
    """The files a path of upload-artifact names, relative to the workspace:
    a glob, or a folder (all files under it)."""
    files = []
    for match in sorted(glob.glob(os.path.join(workspace, pattern))):
        if os.path.isdir(match):
            files += sorted(os.path.join(d, f) for d, _, names in os.walk(match) for f in names)
        elif os.path.isfile(match):
            files.append(match)
    return files


def artefact_layout(workspace, patterns):
    """{path in the artefact: file}: upload-artifact stores the files under
    the least common ancestor of the paths, which download-artifact (by
    name) extracts into its `path`."""
    files = [f for p in patterns for f in resolve(workspace, p)]
    if not files:
        return {}
    top = os.path.commonpath([os.path.dirname(f) for f in files])
    return {os.path.relpath(f, top): f for f in files}


def tracked(workspace):
    listing = subprocess.run(['git', '-C', workspace, 'ls-files', '-z'], capture_output=True, check=True)
    return {os.path.join(workspace, p) for p in listing.stdout.decode().split('\0') if p}


def dry(workflow, workspace):
    failures = []
    for number, step in enumerate(steps(workflow), 1):
        what = step.get('name') or step.get('uses') or step['run'].splitlines()[0]
        print(f'step {number}: {what}')
        if 'run' in step and '${{' in step['run']:
            failures.append(f'step {number} has an expression in its run: the rehearsal can\'t evaluate it')
    sources = tracked(workspace)
    uploaded = set()
    for name, patterns in uploads(workflow):
        uploaded.add(name)
        layout = artefact_layout(workspace, patterns)
        for pattern in patterns:
            if not resolve(workspace, pattern):
                failures.append(f'artefact {name}: {pattern} names no file the build made')
        made = [f for f in layout.values() if f not in sources]
        if len(made) != len(layout):
            failures.append(f'artefact {name} holds files of the sources, not of the build')
        print(f'artefact {name}: {len(made)} files, ' + ', '.join(sorted(layout)[:8]) +
              (', ...' if len(layout) > 8 else ''))
    for job in workflow_jobs(workflow):
        for name in (given['name'] for given in inputs(workflow, job, 'download-artifact')):
            if name not in uploaded:
                failures.append(f'job {job} downloads {name}, which job {JOB} does not upload')
    for failure in failures:
        print('FAIL:', failure)
    return 1 if failures else 0


def apt_get_standin(bin_dir):
    """apt-get that installs nothing: it checks what it is asked for is here."""
    path = os.path.join(bin_dir, 'apt-get')
    with open(path, 'w', encoding='utf-8') as f:
        f.write('''#!/bin/bash
# The rehearsal's apt-get: installs nothing, fails on a package not installed.
[ "${1:-}" = install ] || { echo "apt-get $* (skipped in the rehearsal)"; exit 0; }
status=0
for p in "$@"; do
  case $p in install|-*) continue ;; esac
  [ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)" = "install ok installed" ] ||
    { echo "apt-get: $p is not installed on this machine, and the rehearsal installs nothing" >&2; status=100; }
done
echo "apt-get $* (all installed already)"
exit $status
''')
    os.chmod(path, 0o755)


def full(workflow, source, scratch):
    if os.getuid() != 0:
        raise SystemExit('the rehearsal runs the steps as root, as the container does: run it as root')
    os.makedirs(scratch, exist_ok=True)
    scratch = os.path.realpath(scratch)
    home = os.path.join(scratch, 'github', 'home')
    workspace = os.path.join(scratch, '__w', REPOSITORY, REPOSITORY)
    temp = os.path.join(scratch, '__w', '_temp')
    bin_dir = os.path.join(scratch, 'bin')
    # The workspace is there, empty, before the checkout: the steps start in it.
    shutil.rmtree(workspace, ignore_errors=True)
    for folder in (home, temp, bin_dir, workspace):
        os.makedirs(folder, exist_ok=True)
    apt_get_standin(bin_dir)
    env = {'PATH': f'{bin_dir}:{IMAGE_PATH}', 'HOME': home, 'CI': 'true', 'GITHUB_ACTIONS': 'true',
           'GITHUB_WORKSPACE': workspace, 'RUNNER_WORKSPACE': os.path.dirname(workspace),
           'RUNNER_TEMP': temp, 'RUNNER_OS': 'Linux', 'GITHUB_JOB': JOB,
           'GITHUB_REPOSITORY': f'{REPOSITORY}/{REPOSITORY}'}
    # This machine's git, for the clone, with the rehearsal's home: no
    # global configuration of this machine's user comes in, none is written.
    git_env = dict(env, PATH=IMAGE_PATH)
    commit = subprocess.run(['git', '-C', source, 'rev-parse', 'HEAD'], capture_output=True, text=True,
                            check=True, env=dict(git_env, GIT_CONFIG_COUNT='1', GIT_CONFIG_KEY_0='safe.directory',
                                                 GIT_CONFIG_VALUE_0=os.path.realpath(source))).stdout.strip()
    job_env = workflow_jobs(workflow)[JOB].get('env', {})
    started = time.monotonic()
    for number, step in enumerate(steps(workflow), 1):
        what = step.get('name') or step.get('uses') or step['run'].splitlines()[0]
        print(f'== step {number}: {what}', flush=True)
        begun = time.monotonic()
        uses = step.get('uses', '')
        if uses.startswith('actions/checkout@'):
            subprocess.run(['git', 'clone', '-q', '--no-local', '--no-checkout', source, workspace],
                           check=True, env=git_env, stdin=subprocess.DEVNULL)
            subprocess.run(['git', '-C', workspace, 'checkout', '-q', '--detach', commit], check=True,
                           env=git_env)
            # The runner's user owns everything under its work folder, the
            # job's home included; the steps run as root.
            for folder in (os.path.join(scratch, '__w'), os.path.join(scratch, 'github')):
                subprocess.run(['chown', '-R', f'{RUNNER_UID}:{RUNNER_UID}', folder], check=True)
            print(f'cloned {commit}, owned by uid {RUNNER_UID}')
        elif uses.startswith('actions/upload-artifact@'):
            name = step['with']['name']
            layout = artefact_layout(workspace, paths(step['with']))
            if not layout:
                print(f'FAIL: artefact {name}: no files')
                return 1
            for relative, file in layout.items():
                target = os.path.join(scratch, 'artifacts', name, relative)
                os.makedirs(os.path.dirname(target), exist_ok=True)
                shutil.copy(file, target)
            print(f'artefact {name}: {", ".join(sorted(layout))}')
        elif 'run' in step:
            script = os.path.join(temp, f'step-{number}.sh')
            with open(script, 'w', encoding='utf-8') as f:
                f.write(step['run'])
            run = subprocess.run(['bash', '-e', script], cwd=workspace, stdin=subprocess.DEVNULL,
                                 env=dict(env, **job_env, **step.get('env', {})))
            if run.returncode != 0:
                print(f'FAIL: step {number} ({what}) exited with {run.returncode}, '
                      f'after {time.monotonic() - started:.0f} s')
                return 1
        else:
            print(f'FAIL: step {number} uses {uses}, which the rehearsal does not know')
            return 1
        print(f'-- step {number}: {time.monotonic() - begun:.0f} s', flush=True)
    print(f'the job passed, in {time.monotonic() - started:.0f} s; in {scratch}')
    return 0


def main(argv):
    if len(argv) == 3 and argv[0] == '--dry':
        return dry(argv[1], argv[2])
    if len(argv) in (3, 4) and argv[0] == '--full':
        scratch = argv[3] if len(argv) == 4 else tempfile.mkdtemp(prefix='kestrafen-rehearsal.')
        return full(argv[1], os.path.realpath(argv[2]), scratch)
    raise SystemExit(__doc__)


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
