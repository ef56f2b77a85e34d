#!/usr/bin/env python3
"""The user guide's two tables against the program's sources, row by row.

From src/ it finds every status text the program can show (the label's
initial text, and each text passed to UpdateStatus) and every message box
(text and caption, through MessageBoxW or a function that hands its
parameters on to it). The texts are read where they are used: the named
wide-string constants (const wchar_t kName[] = L"...") of the calling file,
or a literal written at the call. An argument that resolves to neither
fails, so a new kind of call can't be skipped unseen.

README.zh-CN.md's guide must then have, under "### 状态文字", a table whose
first column holds exactly those status texts, and under "### 消息框" a
table whose rows are exactly those (text, 标题) pairs: a missing row, a row
for a text the program never shows and a repeated row each fail. Only the
tables' cells count, not the text around them.

Before trusting the result, the comparison is run on altered copies (a row
removed, a row added, a source text changed) and must fail on each.

Usage: guide_tables_test.py SOURCE_DIR"""
import os
import re
import sys

from checking import program_sources, read, report, script, unnoticed  # beside this test

STATUS_HEADING, BOX_HEADING, CAPTION_COLUMN = '### 状态文字', '### 消息框', '标题'
INCLUDE = re.compile(r'^#include "([^"]+)"', re.M)
STRING = r'L"((?:[^"\\]|\\.)*)"'
CONSTANT = re.compile(r'(?:const|constexpr)\s+wchar_t\s+(k\w+)\[\]\s*=\s*' + STRING + r'\s*;')
LABEL = re.compile(r'\{\s*L"STATIC"\s*,\s*(k\w+|' + STRING + r')')
FUNCTION = re.compile(r'^[\w:<>*& ]+?\b(\w+)\(([^()]*)\)\s*\{', re.M)


def unescape(text):
    return re.sub(r'\\(.)', r'\1', text)


def arguments(text, start):
    """The top-level arguments of the call whose '(' is at start."""
    depth, args, current = 0, [], ''
    for c in text[start:]:
        if c in '({':
            depth += 1
            if depth == 1:
                continue
        elif c in ')}':
            depth -= 1
            if depth == 0:
                args.append(current.strip())
                return args
        elif c == ',' and depth == 1:
            args.append(current.strip())
            current = ''
            continue
        current += c
    raise SystemExit('guide_tables_test: unbalanced call in the sources')


def enclosing(text, position):
    """(name, parameter names) of the function around position."""
    found = None
    for m in FUNCTION.finditer(text, 0, position):
        found = m
    if not found:
        return None, []
    params = [p.split()[-1].lstrip('*&') for p in found.group(2).split(',') if p.strip()]
    return found.group(1), params


class Sources:
    def __init__(self, files):
        self.files = files  # path: text

    def resolve(self, path, arg):
        """The text an argument names in path, or None."""
        literal = re.fullmatch(STRING, arg)
        if literal:
            return unescape(literal.group(1))
        # The file's own constants, and those of the headers it includes.
        text = self.files[path]
        scope = [text] + [self.files[f'src/{h}'] for h in INCLUDE.findall(text) if f'src/{h}' in self.files]
        constants = {m.group(1): unescape(m.group(2)) for t in scope for m in CONSTANT.finditer(t)}
        return constants.get(arg)

    def calls(self, function):
        for path, text in sorted(self.files.items()):
            for m in re.finditer(r'\b' + function + r'\s*\(', text):
                before = text[:m.start()].rstrip()
                if re.search(r'(?:void|int|BOOL|bool)\s*$', before):
                    continue  # the definition itself
                yield path, m.start(), arguments(text, m.end() - 1)

    def shown(self, function, positions, seen=()):
        """Tuples of texts that the calls of function show at positions,
        following functions that hand their own parameters on."""
        out = []
        for path, where, args in self.calls(function):
            picked = [args[i] if i < len(args) else '' for i in positions]
            texts = [self.resolve(path, a) for a in picked]
            if all(t is not None for t in texts):
                out.append(tuple(texts))
                continue
            name, params = enclosing(self.files[path], where)
            if name and name not in seen and all(a in params for a in picked):
                out += self.shown(name, [params.index(a) for a in picked], seen + (function,))
                continue
            raise SystemExit(f'guide_tables_test: {path}: {function}({", ".join(args)}) shows a text '
                             'this test can\'t read from the sources')
        return out

    def status_texts(self):
        texts = [t for (t,) in self.shown('UpdateStatus', [0])]
        for path, text in sorted(self.files.items()):
            for m in LABEL.finditer(text):
                initial = self.resolve(path, m.group(1))
                if initial is None:
                    raise SystemExit(f'guide_tables_test: {path}: the label\'s text {m.group(1)} is not readable')
                texts.append(initial)
        return texts

    def boxes(self):
        return self.shown('MessageBoxW', [1, 2])


def cells(row):
    return [c.strip() for c in row.strip().strip('|').split('|')]


def table_after(guide, heading):
    """(header, rows) of the first table after the heading line."""
    lines = guide.split('\n')
    if heading not in lines:
        raise SystemExit(f'guide_tables_test: the guide has no heading "{heading}"')
    i = lines.index(heading) + 1
    while i < len(lines) and not lines[i].startswith('|'):
        if lines[i].startswith('#'):
            raise SystemExit(f'guide_tables_test: no table under "{heading}"')
        i += 1
    rows = []
    while i < len(lines) and lines[i].startswith('|'):
        rows.append(cells(lines[i]))
        i += 1
    if len(rows) < 2:
        raise SystemExit(f'guide_tables_test: the table under "{heading}" has no rows')
    return rows[0], [r for r in rows[2:]]


def guide_rows(guide):
    _, status_rows = table_after(guide, STATUS_HEADING)
    header, box_rows = table_after(guide, BOX_HEADING)
    if CAPTION_COLUMN not in header:
        raise SystemExit(f'guide_tables_test: the table under "{BOX_HEADING}" has no column "{CAPTION_COLUMN}"')
    caption = header.index(CAPTION_COLUMN)
    return [r[0] for r in status_rows], [(r[0], r[caption] if caption < len(r) else '') for r in box_rows]


def compare(what, shown, rows):
    """Failures: program texts without a row, rows the program never shows,
    rows given twice."""
    return ([f'{what}: the program shows {item!r}, which has no row' for item in sorted(set(shown) - set(rows))]
            + [f'{what}: the row {item!r} names something the program never shows'
               for item in sorted(set(rows) - set(shown))]
            + [f'{what}: the row {item!r} is given more than once'
               for item in sorted({r for r in rows if rows.count(r) > 1})])


def check(files, guide):
    sources = Sources(files)
    status_rows, box_rows = guide_rows(guide)
    return (compare('状态文字', sources.status_texts(), status_rows)
            + compare('消息框', sources.boxes(), box_rows))


def altered(files, guide):
    """(name, files, guide) with one fault each, which check must find."""
    status_rows, box_rows = guide_rows(guide)
    first_box = next(l for l in guide.split('\n') if l.startswith(f'| {box_rows[0][0]} |'))
    first_status = next(l for l in guide.split('\n') if l.startswith(f'| {status_rows[1]} |'))
    path = next(p for p, t in sorted(files.items()) if re.search(r'UpdateStatus\(k', t))
    used = re.search(r'UpdateStatus\((k\w+)', files[path]).group(1)
    constant = next(m for m in CONSTANT.finditer(files[path]) if m.group(1) == used)
    changed = dict(files)
    changed[path] = files[path].replace(constant.group(0), constant.group(0).replace('L"', 'L"改', 1), 1)
    return [
        ('a message box row removed', files, guide.replace(first_box + '\n', '', 1)),
        ('a status row added', files, guide.replace(first_status + '\n',
                                                    first_status + '\n| 正在整理 | 多余 | 无 |\n', 1)),
        ('a status row repeated', files, guide.replace(first_status + '\n', first_status + '\n' + first_status + '\n', 1)),
        (f'{constant.group(1)} changed in {path}', changed, guide),
    ]


def main(source):
    files = program_sources(source)
    guide = script(source, 'guide-to-text').guide_part(read(os.path.join(source, 'README.zh-CN.md')))
    failures = check(files, guide) + unnoticed(check, [files, guide], altered(files, guide))
    status, boxes = Sources(files).status_texts(), Sources(files).boxes()
    return report(failures, f'{len(status)} status texts and {len(boxes)} message boxes in the sources')


if __name__ == '__main__':
    sys.exit(main(sys.argv[1]))
