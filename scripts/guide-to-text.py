#!/usr/bin/env python3
"""Makes the plain-text user guide for the release from README.zh-CN.md: the
part between the guide markers, as text that Notepad shows as it is (UTF-8
with a byte-order mark, CRLF line ends, no line wider than 72 columns).

Widths are counted as a fixed-width CJK font shows them: East-Asian wide,
full-width and ambiguous characters (Chinese, full-width punctuation, curly
quotes) take two columns. Lines break at spaces and between Chinese
characters, never inside a run of Latin letters, digits and signs (a word, a
path, a command), inside inline code or inside a short quoted text such as
“清理完成！”, and never before closing or after opening punctuation. Code
blocks are not wrapped. List items and table rows keep their continuation
lines under their first line's text.

Tables become one block per row: the first cell as a list item, then each
further cell under its column's heading. Images are left out, and so are
their captions (paragraphs that start with "示意图："), which would point at
pictures the text doesn't carry; links keep their text (and the address, if
it is a web address).

The title is the program's window title and the version the project's,
both from the build's facts (facts.json); the release date comes from the
CHANGELOG.md heading "## <version>（YYYY-MM-DD）", without which the
conversion fails.

Usage: guide-to-text.py README.zh-CN.md FACTS_JSON CHANGELOG.md OUTPUT.txt"""
import json
import re
import sys

import notepad_text  # scripts/notepad_text.py, beside this script
from changelog import release  # scripts/changelog.py, beside it too
from notepad_text import columns, wide

START, END = '<!-- guide:start -->', '<!-- guide:end -->'
CAPTION = '示意图：'
WIDTH = 72
QUOTE_ATOM_MAX = 36  # quoted texts up to this width are kept on one line
CLOSING = set('，。、；：！？）」』”’》〉】…%),.;:!?]}')
OPENING = set('（「『“‘《〈【([{')


# --- Inline Markdown to words --------------------------------------------

def plain(text):
    """Inline Markdown outside code spans, as plain text."""
    text = re.sub(r'<!--.*?-->', '', text)
    text = re.sub(r'!\[[^\]]*\]\([^)]*\)', '', text)

    def link(m):
        label, url = m.group(1), m.group(2)
        return f'{label}（{url}）' if re.match(r'https?://', url) and label != url else label
    text = re.sub(r'\[([^\]]*)\]\(([^)\s]*)(?:\s+"[^"]*")?\)', link, text)
    text = re.sub(r'<(https?://[^>\s]+)>', r'\1', text)
    text = re.sub(r'\*\*(.+?)\*\*|__(.+?)__', lambda m: m.group(1) or m.group(2), text)
    text = re.sub(r'(?<![A-Za-z0-9*\\])\*(?![\s*])(.+?)(?<![\s*])\*(?![A-Za-z0-9*])', r'\1', text)
    text = re.sub(r'(?<![A-Za-z0-9_])_(?![\s_])(.+?)(?<![\s_])_(?![A-Za-z0-9_])', r'\1', text)
    return re.sub(r'\\([\\`*_{}\[\]()#+\-.!|<>])', r'\1', text)


CODE = re.compile(r'(`+)(.+?)\1')
QUOTES = {'“': '”', '‘': '’', '「': '」'}
HIDDEN = re.compile('[\ue000-\uf8ff]')  # inline code, set aside while the text is split


def pieces(text):
    """The inline text as (joint, piece) pairs. The joint tells what lies
    between a piece and the one before: ' ' (a space, where a line may break),
    '' (a line may break there) or None (no break)."""
    codes = []

    def hide(m):
        body = m.group(2)
        if len(body) > 2 and body[0] == body[-1] == ' ' and body.strip():
            body = body[1:-1]
        codes.append(body)
        return chr(0xE000 + len(codes) - 1)

    def shown(piece):
        return HIDDEN.sub(lambda m: codes[ord(m.group()) - 0xE000], piece)

    def atoms(text, keep_quotes=True):
        """' ' for a space, else a piece that no line break may enter: a wide
        character, inline code, a short quoted text or a run of narrow ones."""
        out, narrow = [], []
        i = 0
        while i < len(text):
            c = text[i]
            end = text.find(QUOTES[c], i + 1) if keep_quotes and c in QUOTES else -1
            if end != -1 or c == ' ' or wide(c):
                if narrow:
                    out.append(''.join(narrow))
                    narrow = []
            if end != -1:
                quote = text[i:end + 1]
                keep = columns(shown(quote)) <= QUOTE_ATOM_MAX
                out.extend([quote] if keep else atoms(quote, keep_quotes=False))
                i = end + 1
                continue
            if c == ' ' or wide(c):
                out.append(c)
            else:
                narrow.append(c)
            i += 1
        if narrow:
            out.append(''.join(narrow))
        return out

    out = []
    space = False
    for atom in atoms(plain(CODE.sub(hide, text))):
        if atom == ' ':
            space = True
            continue
        atom = shown(atom)
        joint = '' if not out else ' ' if space else joint_between(out[-1][1], atom)
        out.append((joint, atom))
        space = False
    return out


def joint_between(before, after):
    """'' where a line may break between two touching pieces, else None."""
    if not (wide(before[-1]) or wide(after[0])):
        return None  # Latin text, paths and commands stay whole
    if after[0] in CLOSING or before[-1] in OPENING:
        return None
    return ''


def words(text, room):
    """(separator, word) pairs; a line may break before any word. A word
    wider than room (inline code holding a long command) is split at its
    spaces."""
    out = []
    for joint, piece in pieces(text):
        if joint is None and out:
            out[-1] = (out[-1][0], out[-1][1] + piece)
        else:
            out.append((joint or '', piece))
    split = []
    for sep, word in out:
        parts = word.split(' ') if columns(word) > room else [word]
        split.append((sep, parts[0]))
        split.extend((' ', part) for part in parts[1:])
    return split


def wrap(text, first, rest):
    """Lines of at most WIDTH columns: the first starts with first, the others
    with rest. A word wider than a line (a long path) has a line to itself."""
    lines = []
    line, used = first, columns(first)
    empty = True
    for sep, word in words(text, WIDTH - columns(rest)):
        need = columns(word) + (0 if empty else columns(sep))
        if not empty and used + need > WIDTH:
            lines.append(line)
            line, used, empty = rest, columns(rest), True
            need = columns(word)
        line += word if empty else sep + word
        used += need
        empty = False
    lines.append(line)
    return [x.rstrip() for x in lines]


# --- Blocks ---------------------------------------------------------------

LIST_ITEM = re.compile(r'^( *)([-*+]|\d+[.)]) +(.*)$')
RULE = re.compile(r'^ *([-*_])( *\1){2,} *$')


def join_lines(lines):
    """Source lines of one paragraph as one line: no space between Chinese."""
    text = ''
    for line in lines:
        line = line.strip()
        if text and line and not (wide(text[-1]) and wide(line[0])):
            text += ' '
        text += line
    return text


def cells(row):
    """A table row's cells; '|' inside inline code, or escaped, does not split."""
    row = row.strip()
    row = row[1:] if row.startswith('|') else row
    row = row[:-1] if row.endswith('|') and not row.endswith('\\|') else row
    out = ['']
    for token in re.findall(r'`[^`]*`?|\\\||[^`|\\]+|\\|\|', row):
        if token == '|':
            out.append('')
        else:
            out[-1] += token.replace('\\|', '|')
    return [cell.strip() for cell in out]


def table(rows):
    header = cells(rows[0])
    body = [cells(r) for r in rows[1:] if not re.match(r'^ *\|?[-| :]+\|? *$', r)]
    out = []
    for row in body:
        out.extend(wrap(row[0], '- ', '  '))
        for name, value in zip(header[1:], row[1:]):
            if value:
                label = f'  {plain(name)}：'
                out.extend(wrap(value, label, ' ' * columns(label)))
    return out


def heading(level, text):
    lines = wrap(text, '', '')
    rule = '=' if level <= 2 else '-'
    return lines + [rule * max(columns(x) for x in lines)]


def convert_body(body):
    """The guide's Markdown as a list of blocks, each a list of lines."""
    lines = body.split('\n')
    blocks = []
    in_list = False  # the last block is a list, which further items join
    i = 0
    while i < len(lines):
        line = lines[i]
        stripped = line.strip()
        if not stripped or RULE.match(line):
            i += 1
            continue
        if stripped.startswith('<!--'):
            while i < len(lines) and '-->' not in lines[i]:
                i += 1
            i += 1
            continue
        fence = re.match(r'^( *)(```|~~~)', line)
        if fence:
            indent, mark = fence.groups()
            code = []
            i += 1
            while i < len(lines) and not lines[i].strip().startswith(mark):
                code.append(lines[i][len(indent):] if lines[i].startswith(indent) else lines[i])
                i += 1
            i += 1
            blocks.append([(indent + '    ' + c).rstrip() for c in code])
            in_list = False
            continue
        head = re.match(r'^(#{1,6}) +(.*?)(?: +#+)? *$', line)
        if head:
            blocks.append(heading(len(head.group(1)), head.group(2)))
            in_list = False
            i += 1
            continue
        if stripped.startswith('|'):
            rows = []
            while i < len(lines) and lines[i].strip().startswith('|'):
                rows.append(lines[i])
                i += 1
            blocks.append(table(rows))
            in_list = False
            continue
        # A paragraph, list item or quote, with its continuation lines.
        item = LIST_ITEM.match(line)
        quote = re.match(r'^ *> ?(.*)$', line)
        part = [item.group(3) if item else quote.group(1) if quote else stripped]
        i += 1
        while i < len(lines):
            nxt = lines[i]
            if (not nxt.strip() or LIST_ITEM.match(nxt) or RULE.match(nxt)
                    or re.match(r'^ *(#{1,6} |```|~~~|\||<!--)', nxt)):
                break
            part.append(re.sub(r'^ *> ?', '', nxt) if quote else nxt)
            i += 1
        text = join_lines(part)
        if not plain(text).strip() and '`' not in text:
            continue  # only an image (or a comment)
        if not item and not quote and text.startswith(CAPTION):
            continue  # an image's caption, without its image
        if item:
            indent, marker = item.group(1), item.group(2)
            marker = '-' if marker in '*+' else marker
            first = f'{indent}{marker} '
            lines_out = wrap(text, first, ' ' * len(first))
        elif quote:
            lines_out = wrap(text, '> ', '> ')
        else:
            indent = ' ' * (len(line) - len(line.lstrip(' ')))
            lines_out = wrap(text, indent, indent)
        if item and in_list:
            blocks[-1].extend(lines_out)  # the items of one list stay together
        else:
            blocks.append(lines_out)
        in_list = bool(item)
    return blocks


def guide_part(markdown):
    """The guide: README.zh-CN.md between its markers."""
    if START not in markdown or END not in markdown:
        raise SystemExit(f'guide-to-text: the guide markers {START} and {END} are missing')
    return markdown.split(START, 1)[1].split(END, 1)[0]


def convert(markdown, title, version, date):
    body = guide_part(markdown)
    title = f'{title} 使用说明'
    out = [title, '=' * columns(title), f'版本 {version}（{date} 发布）']
    for block in convert_body(body.replace('\r\n', '\n')):
        out = out + [''] + block
    return '\n'.join(x.rstrip() for x in out) + '\n'


def main(guide, facts_json, changelog, target):
    def read(path):
        with open(path, encoding='utf-8') as f:
            return f.read()
    facts = json.loads(read(facts_json))
    version, date = release(facts, read(changelog))
    notepad_text.write(target, convert(read(guide), facts['WINDOW_TITLE'], version, date))
    return 0


if __name__ == '__main__':
    if len(sys.argv) != 5:
        raise SystemExit(__doc__.rsplit('\n\n', 1)[-1])
    sys.exit(main(*sys.argv[1:]))
