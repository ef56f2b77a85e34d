"""Text files for Windows users, as Notepad shows them best: UTF-8 with a
byte-order mark, CRLF line ends."""


def write(path, text):
    """Writes text (with \\n line ends) to path for Notepad."""
    with open(path, 'wb') as f:
        f.write(b'\xef\xbb\xbf' + text.replace('\n', '\r\n').encode('utf-8'))
