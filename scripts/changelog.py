"""CHANGELOG.md as the release reads it: a section per version, newest
first, each under a heading "## <version>（YYYY-MM-DD）" and running to the
next such heading (its "###" subheadings belong to it).

Imported by the scripts beside it (guide-to-text.py, release-page.py)."""
import re


def _heading(version, changelog_text):
    """The version's heading (its date the group); the script stops without one."""
    found = re.search(r'^## +' + re.escape(version) + r' *（(\d{4}-\d{2}-\d{2})）[ \t]*$', changelog_text, re.M)
    if not found:
        raise SystemExit(f'CHANGELOG.md has no heading "## {version}（YYYY-MM-DD）" '
                         f'for the version the build has')
    return found


def release(facts, changelog_text):
    """(version, date): the build's version, and its date in the changelog."""
    return facts['VERSION'], _heading(facts['VERSION'], changelog_text).group(1)


def section(version, changelog_text):
    """The version's section without its heading: everything up to the next
    second-level heading (the version before it), or to the end."""
    rest = changelog_text[_heading(version, changelog_text).end():]
    following = re.search(r'^## ', rest, re.M)
    body = (rest[:following.start()] if following else rest).strip('\n')
    if not body.strip():
        raise SystemExit(f'CHANGELOG.md says nothing under its heading for {version}')
    return body + '\n'
