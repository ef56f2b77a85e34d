#!/usr/bin/env python3
"""Makes the plain-text user guide for the release from README.zh-CN.md: the
part between the guide markers, with the Markdown turned into text that
Notepad shows as it is (UTF-8 with a byte-order mark, CRLF line ends).

Usage: guide-to-text.py README.zh-CN.md OUTPUT.txt"""
import re
import sys
import unicodedata

START, END = '<!-- guide:start -->', '<!-- guide:end -->'
TITLE = '打印任务清理工具 使用说明'


def width(text):
    """Columns the text takes in a fixed-width font: CJK characters take two."""
    return sum(2 if unicodedata.east_asian_width(c) in 'WF' else 1 for c in text)


def inline(text):
    """Links to their text, images dropped, code and emphasis marks removed."""
    text = re.sub(r'!\[[^\]]*\]\([^)]*\)', '', text)
    text = re.sub(r'\[([^\]]*)\]\([^)]*\)', r'\1', text)
    text = text.replace('**', '')
    return text.replace('`', '')


def cells(row):
    return [inline(c.strip()) for c in row.strip().strip('|').split('|')]


def convert(markdown):
    body = markdown.split(START, 1)[1].split(END, 1)[0]
    out = [TITLE, '=' * width(TITLE), '']
    header = None
    in_code = False
    for line in body.strip('\n').split('\n'):
        if line.startswith('```'):
            in_code = not in_code
            continue
        if in_code:
            out.append('    ' + line)
            continue
        if line.startswith('|'):
            if header is None:
                header = cells(line)
            elif not re.match(r'^\|[-| :]+\|$', line):
                row = cells(line)
                out.append(f'- {row[0]}')
                out.extend(f'  {name}：{value}' for name, value in zip(header[1:], row[1:]))
            continue
        header = None
        heading = re.match(r'^(#+) (.*)$', line)
        if heading:
            title = inline(heading.group(2))
            rule = '=' if len(heading.group(1)) <= 2 else '-'
            out.extend([title, rule * width(title)])
            continue
        text = inline(line).rstrip()
        if line.strip() and not text.strip():
            continue  # a line that held only an image
        out.append(text)
    # One blank line at most between paragraphs.
    text = re.sub(r'\n{3,}', '\n\n', '\n'.join(out).strip('\n') + '\n')
    return text


def main(source, target):
    with open(source, encoding='utf-8') as f:
        text = convert(f.read())
    with open(target, 'wb') as f:
        f.write(b'\xef\xbb\xbf' + text.replace('\n', '\r\n').encode('utf-8'))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1], sys.argv[2]))
