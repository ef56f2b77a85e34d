#!/usr/bin/env python3
"""The release page (scripts/release-page.py) made from the zip that
Release.UnsignedZip checked and kept, and the workflow's release job
rehearsed with it:
- a tag publishes only if it is v<version> (or refs/tags/v<version>);
- the notes are the version's CHANGELOG.md section, all of it and no more:
  not the next version's section, and no page at all for a version without
  one;
- the folder holds the zip, its .sha256 (which sha256sum -c accepts), the
  notes and the zip's own exe;
- the release job's steps, run as the job runs them (its run: steps in a
  workspace laid out as download-artifact lays it, a scrubbed environment,
  a stand-in gh that logs its calls), in a public repository and a private
  one, for a new release and a rerun: everything it attests and uploads is
  a file the script made, the zip, its .sha256 and (public only) the
  attestation bundle, with the notes as the release's notes.

Usage: release_page_test.py SOURCE_DIR FACTS_JSON ZIP WORKFLOW"""
import fnmatch
import glob
import json
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile

import yaml

from checking import USER_PATH, read, report, script, user_environment  # beside this test

NOTES = 'notes.md'
# A stand-in for gh: it logs each call, as JSON, and answers "release view"
# as told (gh exits 1 for a release it doesn't find).
FAKE_GH = '''#!/usr/bin/python3
import json, os, sys
with open(os.environ['FAKE_GH_LOG'], 'a', encoding='utf-8') as log:
    log.write(json.dumps({'args': sys.argv[1:], 'cwd': os.getcwd()}) + '\\n')
if sys.argv[1:3] == ['release', 'view']:
    sys.exit(0 if os.environ['FAKE_GH_RELEASE_EXISTS'] else 1)
sys.exit(int(os.environ['FAKE_GH_EXIT']))
'''


def page(source, facts_json, changelog, zip_path, tag, out, home):
    return subprocess.run([sys.executable, os.path.join(source, 'scripts', 'release-page.py'), 'page',
                           facts_json, changelog, zip_path, tag, out],
                          capture_output=True, text=True, env=user_environment(home))


def check_tags(source, facts, facts_json, zip_path, work, fail):
    version = facts['VERSION']
    changelog = os.path.join(source, 'CHANGELOG.md')
    for n, (tag, publishes) in enumerate([
            (f'v{version}', True), (f'refs/tags/v{version}', True),
            (version, False), (f'v{version}.1', False), (f'v{version}-rc1', False),
            (f'v{version}0', False), ('v' + version.rsplit('.', 1)[0], False),
            (f'refs/heads/v{version}', False), (f'refs/tags/{version}', False)]):
        out = os.path.join(work, f'tag{n}')
        run = page(source, facts_json, changelog, zip_path, tag, out, work)
        if (run.returncode == 0) != publishes or os.path.exists(out) != publishes:
            fail(f'the tag {tag} {"should" if publishes else "must not"} publish {version}: '
                 f'exit {run.returncode}, {run.stderr.strip()}')
        elif not publishes and tag not in run.stderr:
            fail(f'refusing the tag {tag}, the script does not name it: {run.stderr.strip()}')


def check_notes(source, facts, facts_json, zip_path, work, fail):
    version = facts['VERSION']
    own = '### 修正\n\n- 本版的改动。\n\n### 已知限制\n\n- 本版的限制。\n'
    head = '# 更新记录\n\n说明。\n\n'
    newer = f'## {version}0（2031-01-01）\n\n- 开头相同的另一个版本。\n\n'
    ours = f'## {version}（2030-01-02）\n\n{own}\n'
    older = '## 0.0.1（2020-01-01）\n\n### 修正\n\n- 旧版的改动。\n'
    for name, text, notes in [
            ('followed by an older version', head + ours + older, own),
            ('last in the file', head + newer + ours, own),
            ('with no section', head + older, None),
            ('with only a longer version\'s section', head + newer + older, None),
            ('with nothing under its heading', head + f'## {version}（2030-01-02）\n\n' + older, None)]:
        changelog = os.path.join(work, 'CHANGELOG.md')
        with open(changelog, 'w', encoding='utf-8') as f:
            f.write(text)
        out = os.path.join(work, 'notes-' + name.replace(' ', '-').replace("'", ''))
        run = page(source, facts_json, changelog, zip_path, f'v{version}', out, work)
        if notes is None:
            if run.returncode == 0 or os.path.exists(out) or version not in run.stderr:
                fail(f'a changelog {name}: exit {run.returncode}, folder made: {os.path.exists(out)}, '
                     f'{run.stderr.strip()!r}')
            continue
        if run.returncode != 0:
            fail(f'a changelog {name}: {run.stderr.strip()}')
            continue
        got = read(os.path.join(out, NOTES))
        if got != notes:
            fail(f'a changelog {name}: the notes are {got!r}, not {notes!r}')


def check_folder(source, facts, facts_json, zip_path, work, fail):
    """The page of the project's own changelog."""
    out = os.path.join(work, 'page')
    run = page(source, facts_json, os.path.join(source, 'CHANGELOG.md'), zip_path, f'v{facts["VERSION"]}',
               out, work)
    if run.returncode != 0:
        fail(f'the page of CHANGELOG.md: {run.stderr.strip()}')
        return
    name, exe = os.path.basename(zip_path), facts['RELEASE_FILES'][0]
    made = sorted(os.listdir(out))
    if made != sorted([name, name + '.sha256', NOTES, exe]):
        fail(f'the folder holds {made}')
        return
    check = subprocess.run(['sha256sum', '--strict', '-c', name + '.sha256'], cwd=out, capture_output=True,
                           text=True)
    if check.returncode != 0:
        fail(f'sha256sum -c rejects {name}.sha256: {check.stdout}{check.stderr}')
    with zipfile.ZipFile(zip_path) as archive, open(os.path.join(out, exe), 'rb') as f:
        if f.read() != archive.read(exe):
            fail(f'the folder\'s {exe} is not the zip\'s')
    notes = read(os.path.join(out, NOTES))
    if not notes.strip() or any(line.startswith('## ') for line in notes.splitlines()):
        fail(f'the notes from CHANGELOG.md are empty or take in another version: {notes[:200]!r}')


# --- The release job, rehearsed --------------------------------------------

def uploaded_artifacts(source, workflow_path, files):
    """Artifact name -> the local file that stands for what the workflow's
    other jobs upload under it (as the Linux job's rehearsal reads uploads).
    files maps a name to its local file, which must match the upload's path
    pattern (a file download-artifact puts straight into the download path)."""
    rehearsal = script(source, 'rehearse-linux-job')
    return {name: files[name] for job in rehearsal.workflow_jobs(workflow_path)
            for name, paths in rehearsal.uploads(workflow_path, job)
            if name in files
            and any(fnmatch.fnmatch(os.path.basename(files[name]), os.path.basename(p)) for p in paths)}


def expression(value, values):
    """A step's value with its ${{ }} expressions filled in from values;
    None if it holds one the rehearsal doesn't know."""
    text = str(value)
    for key, filled in values.items():
        text = text.replace('${{ ' + key + ' }}', filled)
    return None if '${{' in text else text


def rehearse(workflow, checkout, artifacts, work, tag, private, exists, gh_exit=0):
    """Runs the release job's steps in work/workspace as the runner would,
    the checkout's files standing for the tagged commit's.
    Returns (failures, gh calls, the workspace, the attested files). A step
    with a key the rehearsal doesn't act on (a condition, a shell, a
    working directory) fails it, unless it is the attestation's condition."""
    failures = []
    job = workflow['jobs']['release']
    workspace, temp, fake_bin = (os.path.join(work, folder) for folder in ('workspace', 'runner-temp', 'bin'))
    for folder in (workspace, temp, fake_bin):
        os.makedirs(folder)
    with open(os.path.join(fake_bin, 'gh'), 'w', encoding='utf-8') as f:
        f.write(FAKE_GH)
    os.chmod(os.path.join(fake_bin, 'gh'), 0o755)
    log = os.path.join(work, 'gh.log')
    subjects = []
    values = {'github.token': 'rehearsal-token', 'github.repository': 'owner/kestrafen'}
    for n, step in enumerate(job['steps']):
        label = step.get('name') or step.get('uses') or f'step {n + 1}'
        uses = str(step.get('uses', ''))
        known = {'name', 'env', 'run'} if 'run' in step else {'name', 'uses', 'with', 'id'}
        if uses.startswith('actions/attest-build-provenance@'):
            known.add('if')
        if set(step) - known:
            failures.append(f'{label}: the rehearsal does not act on {sorted(set(step) - known)}')
        if uses.startswith('actions/checkout@'):
            shutil.copytree(checkout, workspace, ignore=shutil.ignore_patterns('__pycache__'), dirs_exist_ok=True)
        elif uses.startswith('actions/download-artifact@'):
            name, path = step['with']['name'], step['with']['path']
            if name not in artifacts:
                failures.append(f'{label}: no job uploads an artifact "{name}" that the rehearsal knows')
                continue
            os.makedirs(os.path.join(workspace, path), exist_ok=True)
            shutil.copy(artifacts[name], os.path.join(workspace, path))
        elif uses.startswith('actions/attest-build-provenance@'):
            if step.get('if') != '${{ !github.event.repository.private }}':
                failures.append(f'{label}: runs under "{step.get("if")}", not in public repositories alone')
            if private:
                values[f'steps.{step["id"]}.outputs.bundle-path'] = ''  # a skipped step's outputs are empty
                continue
            for pattern in step['with']['subject-path'].split():
                matched = glob.glob(os.path.join(workspace, pattern))
                if not matched:
                    failures.append(f'{label}: the subject {pattern} matches no file')
                subjects += matched
            bundle = os.path.join(temp, 'attestation.json')
            with open(bundle, 'w', encoding='utf-8') as f:
                f.write('{"mediaType": "application/vnd.dev.sigstore.bundle.v0.3+json"}\n')
            values[f'steps.{step["id"]}.outputs.bundle-path'] = bundle
        elif 'run' in step and not uses:
            env = user_environment(os.path.join(work, 'home'), GITHUB_REF=tag, GITHUB_WORKSPACE=workspace,
                                   RUNNER_TEMP=temp, CI='true', GITHUB_ACTIONS='true',
                                   FAKE_GH_LOG=log, FAKE_GH_RELEASE_EXISTS='1' if exists else '',
                                   FAKE_GH_EXIT=str(gh_exit), PATH=f'{fake_bin}:{USER_PATH}')
            for key, value in (step.get('env') or {}).items():
                filled = expression(value, values)
                if filled is None:
                    failures.append(f'{label}: the rehearsal cannot fill in {key}: {value}')
                    continue
                env[key] = filled
            if '${{' in step['run']:
                failures.append(f'{label}: its command holds an expression; pass it in env: instead')
            # bash -e, the runner's shell for a step that names none.
            run = subprocess.run(['bash', '-e', '-c', step['run']],
                                 cwd=workspace, env=env, capture_output=True, text=True, stdin=subprocess.DEVNULL)
            if run.returncode != 0:
                failures.append(f'{label}: exit {run.returncode}: {run.stdout}{run.stderr}')
                break
        else:
            failures.append(f'{label}: a step the rehearsal does not know ({uses or "no run"})')
    calls = [json.loads(line) for line in read(log).splitlines()] if os.path.exists(log) else []
    return failures, calls, workspace, subjects


def release_uploads_resolve(calls, folder, expected):
    """Failures unless gh made or updated the release with exactly the
    expected files (names), each a file in the folder the script made, and
    with that folder's notes."""
    failures = []
    uploads, notes = [], []
    for call in calls:
        args = call['args']
        if args[:2] in (['release', 'create'], ['release', 'upload']):
            options = {'--title', '--notes-file'}
            positional = [a for i, a in enumerate(args[3:], 3) if not a.startswith('--')
                          and args[i - 1] not in options]
            uploads += [os.path.join(call['cwd'], p) for p in positional]
        if '--notes-file' in args:
            notes.append(os.path.join(call['cwd'], args[args.index('--notes-file') + 1]))
    for path in uploads + notes:
        real = os.path.realpath(path)
        if os.path.dirname(real) != os.path.realpath(folder) or not os.path.isfile(real):
            failures.append(f'gh uploads {path}, which is not a file of the folder {folder}')
    if sorted(os.path.basename(p) for p in uploads) != sorted(expected):
        failures.append(f'gh uploads {sorted(os.path.basename(p) for p in uploads)}, not {sorted(expected)}')
    if [os.path.basename(p) for p in notes] != [NOTES]:
        failures.append(f'the release\'s notes come from {notes}, not {NOTES} alone')
    return failures


def check_release_job(source, facts, facts_json, zip_path, workflow_path, work, fail):
    workflow = yaml.safe_load(read(workflow_path))
    job = workflow['jobs'].get('release')
    if not job:
        fail('the workflow has no release job')
        return
    if job.get('if') != "startsWith(github.ref, 'refs/tags/v')" or 'windows' not in str(job.get('needs')):
        fail(f'the release job runs under "{job.get("if")}" after {job.get("needs")}')
    writes = {'contents': 'write', 'id-token': 'write', 'attestations': 'write'}
    if job.get('permissions') != writes:
        fail(f'the release job has the permissions {job.get("permissions")}, not {writes}')
    for job_id, other in workflow['jobs'].items():
        if job_id != 'release' and 'write' in json.dumps(other.get('permissions', {})):
            fail(f'the job {job_id} writes: {other.get("permissions")}')
    if workflow.get('permissions') not in ({}, {'contents': 'read'}):
        fail(f'the workflow gives every job {workflow.get("permissions")}')

    artifacts = uploaded_artifacts(source, workflow_path, {'release': zip_path, 'facts': facts_json})
    version = facts['VERSION']
    name = os.path.basename(zip_path)
    tag = f'refs/tags/v{version}'
    for private in (False, True):
        for exists in (False, True):
            case = f'{"private" if private else "public"} repository, {"rerun" if exists else "new release"}'
            case_dir = os.path.join(work, case.replace(' ', '-').replace(',', ''))
            failures, calls, workspace, subjects = rehearse(workflow, source, artifacts, case_dir, tag,
                                                            private, exists)
            for failure in failures:
                fail(f'{case}: {failure}')
            if failures:
                continue
            # The folder the script made: where its notes are.
            folders = glob.glob(os.path.join(glob.escape(workspace), '**', NOTES), recursive=True)
            if len(folders) != 1:
                fail(f'{case}: the script made {len(folders)} folders with notes')
                continue
            folder = os.path.dirname(folders[0])
            exe = facts['RELEASE_FILES'][0]
            attested = sorted(os.path.relpath(s, folder) for s in subjects)
            if attested != ([] if private else sorted([name, exe])):
                fail(f'{case}: the attested files are {attested}, not the zip and {exe} of {folder}')
            expected = [name, name + '.sha256'] + ([] if private else [name.removesuffix('.zip') + '.sigstore.json'])
            for failure in release_uploads_resolve(calls, folder, expected):
                fail(f'{case}: {failure}')
            made = [c['args'][1] for c in calls]
            want = ['view', 'edit', 'upload'] if exists else ['view', 'create']
            if made != want:
                fail(f'{case}: gh release {made}, not {want}')
            elif exists and '--clobber' not in calls[2]['args']:
                fail(f'{case}: a rerun uploads without --clobber: {calls[2]["args"]}')
            if any(c['args'][2] != f'v{version}' for c in calls):
                fail(f'{case}: gh is called for other tags: {[c["args"][2] for c in calls]}')

    # gh failing fails the job.
    failures, _, _, _ = rehearse(workflow, source, artifacts, os.path.join(work, 'gh-fails'), tag, False, False,
                                 gh_exit=1)
    if not any('exit' in failure for failure in failures):
        fail(f'the job passes with gh failing: {failures}')


def main(source, facts_json, zip_path, workflow):
    failures = []
    fail = failures.append
    facts = json.loads(read(facts_json))
    with tempfile.TemporaryDirectory(prefix='kestrafen-release-page-test.') as work:
        # The script runs as users run it, writing bytecode beside itself:
        # from a copy, as the release job runs it from its checkout.
        checkout = os.path.join(work, 'checkout')
        shutil.copytree(os.path.join(source, 'scripts'), os.path.join(checkout, 'scripts'),
                        ignore=shutil.ignore_patterns('__pycache__'))
        shutil.copy(os.path.join(source, 'CHANGELOG.md'), checkout)
        for n, check in enumerate([check_tags, check_notes, check_folder]):
            folder = os.path.join(work, str(n))
            os.mkdir(folder)
            check(checkout, facts, facts_json, zip_path, folder, fail)
        check_release_job(checkout, facts, facts_json, zip_path, workflow, os.path.join(work, 'job'), fail)
    return report(failures, None if failures else f'release page of {os.path.basename(zip_path)}: every check passed')


if __name__ == '__main__':
    sys.exit(main(*sys.argv[1:5]))
