"""CHANGELOG.md as the release reads it: a section per version, newest
first, each under a heading "## <version>（YYYY-MM-DD）" and running to the
next such heading (its "###" subheadings belong to it).

Imported by the scripts beside it (guide-to-text.py, release-page.py)."""
import re


def _heading(version):
    return re.compile(r'^## +' + re.escape(version) + r' *（(\d{4}-\d{2}-\d{2})）[ \t]*$', re.M)


def _missing(version):
    return SystemExit(f'CHANGELOG.md has no heading "## {version}（YYYY-MM-DD）" '
                      f'for the version the build has')


def release(facts, changelog_text):
    """(version, date): the build's version, and its date in the changelog."""
    version = facts['VERSION']
    date = _heading(version).search(changelog_text)
    if not date:
        raise _missing(version)
    return version, date.group(1)


def section(version, changelog_text):
    """The version's section without its heading: everything up to the next
    second-level heading (the version before it), or to the end."""
    found = _heading(version).search(changelog_text)
    if not found:
        raise _missing(version)
    rest = changelog_text[found.end():]
    following = re.search(r'^## ', rest, re.M)
    body = (rest[:following.start()] if following else rest).strip('\n')
    if not body.strip():
        raise SystemExit(f'CHANGELOG.md says nothing under its heading for {version}')
    return body + '\n'
