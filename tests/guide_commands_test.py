#!/usr/bin/env python3
"""The commands the user guide gives, against the shell they are given for.

Each code block in the guide (README.zh-CN.md, between the guide markers)
must say, in the sentence that leads into it, whether it is for cmd, for
PowerShell or for both. Parenthesised asides don't count: "在 PowerShell 中
（上面的 cmd 写法不能用）：" is for PowerShell alone.

A block given for PowerShell may not start a command (a line, or a stage of
a pipeline) with a Windows PowerShell alias that means something else in cmd
or names another program (`sc` is Set-Content, not sc.exe; `del` is
Remove-Item, which takes no /f /a /q), nor use cmd's %VARIABLE%, which
PowerShell leaves as it is. A block given for cmd alone may not use
PowerShell's $env: or a cmdlet.

Before trusting the result, the check is run on altered copies of the guide
and must fail on each.

Usage: guide_commands_test.py SOURCE_DIR"""
import os
import re
import sys

from checking import read, report, script, unnoticed  # beside this test

# Windows PowerShell 5.1's aliases that shadow a cmd built-in or a program of
# Windows: a user reading them as cmd gets something else.
SHADOWING = {'sc': 'Set-Content', 'del': 'Remove-Item', 'erase': 'Remove-Item', 'rd': 'Remove-Item',
             'rmdir': 'Remove-Item', 'copy': 'Copy-Item', 'move': 'Move-Item', 'ren': 'Rename-Item',
             'dir': 'Get-ChildItem', 'type': 'Get-Content', 'cd': 'Set-Location', 'chdir': 'Set-Location',
             'echo': 'Write-Output', 'set': 'Set-Variable', 'start': 'Start-Process', 'where': 'Where-Object',
             'sort': 'Sort-Object', 'kill': 'Stop-Process', 'cls': 'Clear-Host', 'curl': 'Invoke-WebRequest',
             'wget': 'Invoke-WebRequest', 'compare': 'Compare-Object', 'diff': 'Compare-Object'}
FENCE = re.compile(r'^```[^\n]*\n(.*?)^```', re.M | re.S)


def blocks(guide):
    """(shells, commands) of each code block of the guide: the shells its
    lead-in sentence names, and its lines."""
    out = []
    for m in FENCE.finditer(guide):
        before = guide[:m.start()].rstrip().split('\n\n')[-1]
        lead = re.split(r'[。！？]', re.sub(r'（[^（）]*）|\([^()]*\)', '', before))[-1]
        shells = {s for s in ('cmd', 'PowerShell') if re.search(r'\b' + s + r'\b', lead)}
        out.append((shells, [line for line in m.group(1).split('\n') if line.strip()]))
    return out


def check(guide):
    failures = []
    found = blocks(guide)
    if not found:
        failures.append('the guide has no command blocks')
    for shells, commands in found:
        where = f'block "{commands[0].strip() if commands else ""}"'
        if not shells:
            failures.append(f'{where}: its lead-in says neither cmd nor PowerShell')
        for command in commands:
            stages = [s.strip() for s in command.split('|') if s.strip()]
            if 'PowerShell' in shells:
                for stage in stages:
                    word = stage.split()[0].lower()
                    if word in SHADOWING:
                        failures.append(f'{where}: in PowerShell `{word}` is {SHADOWING[word]}')
                variable = re.search(r'%\w+%', command)
                if variable:
                    failures.append(f'{where}: PowerShell does not expand {variable.group()}')
            if shells == {'cmd'} and (re.search(r'\$env:', command)
                                       or any(re.match(r'[A-Z][a-z]+-[A-Z]\w+', s) for s in stages)):
                failures.append(f'{where}: "{command.strip()}" is PowerShell, given for cmd')
    return failures


def altered(guide):
    """(name, guide) with one fault each, which check must find."""
    query = 'sc.exe query spooler'
    remove = re.search(r'^Get-ChildItem .*$', guide, re.M).group()
    delete = re.search(r'^del /f .*$', guide, re.M).group()
    return [
        ('sc for sc.exe', guide.replace(query, 'sc query spooler', 1)),
        ("cmd's del in a PowerShell block", guide.replace(remove, delete, 1)),
        ('a %VARIABLE% in a PowerShell block', guide.replace(remove, remove.replace('$env:SystemRoot', '%SystemRoot%'), 1)),
        ('a PowerShell command in a cmd block', guide.replace(delete, remove, 1)),
        ('a block that names no shell', guide.replace('cmd 或 PowerShell：\n\n```\n' + query,
                                                      '输入：\n\n```\n' + query, 1)),
    ]


def main(source):
    guide = script(source, 'guide-to-text').guide_part(read(os.path.join(source, 'README.zh-CN.md')))
    failures = check(guide) + unnoticed(check, [guide], altered(guide))
    return report(failures, f'{len(blocks(guide))} command blocks in the guide')


if __name__ == '__main__':
    sys.exit(main(sys.argv[1]))
