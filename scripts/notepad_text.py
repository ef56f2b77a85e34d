"""Text files for Windows users, as Notepad shows them best: UTF-8 with a
byte-order mark, CRLF line ends; and the columns a text takes there."""
import unicodedata


def wide(c):
    """Whether the character takes two columns in a fixed-width CJK font."""
    return unicodedata.east_asian_width(c) in 'WFA'


def columns(text):
    """Columns the text takes in a fixed-width CJK font."""
    return sum(0 if unicodedata.combining(c) else 2 if wide(c) else 1 for c in text)


def write(path, text):
    """Writes text (with \\n line ends) to path for Notepad."""
    with open(path, 'wb') as f:
        f.write(b'\xef\xbb\xbf' + text.replace('\n', '\r\n').encode('utf-8'))
