#!/usr/bin/env python3
"""Checks the facts of the shipped executable that no run under Wine shows:
machine, subsystem, hardening flags, what it imports, and its resources.
Usage: pe_facts_test.py kestrafen.exe   (exit status 0 when every fact holds)"""
import struct
import sys
import xml.etree.ElementTree as ET

import pefile

# The system's known DLLs (HKLM\System\CurrentControlSet\Control\Session
# Manager\KnownDLLs on Windows 10/11, plus ntdll): always loaded from System32,
# so a copy planted beside the program is never used.
KNOWN_DLLS = {
    'advapi32.dll', 'clbcatq.dll', 'combase.dll', 'comdlg32.dll', 'coml2.dll', 'difxapi.dll',
    'gdi32.dll', 'gdiplus.dll', 'imagehlp.dll', 'imm32.dll', 'kernel32.dll', 'msctf.dll',
    'msvcrt.dll', 'normaliz.dll', 'nsi.dll', 'ntdll.dll', 'ole32.dll', 'oleaut32.dll',
    'psapi.dll', 'rpcrt4.dll', 'sechost.dll', 'setupapi.dll', 'shcore.dll', 'shell32.dll',
    'shlwapi.dll', 'user32.dll', 'wldap32.dll', 'ws2_32.dll',
}

ASM_V1 = '{urn:schemas-microsoft-com:asm.v1}'
ASM_V3 = '{urn:schemas-microsoft-com:asm.v3}'
RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24


def resources(pe, type_id):
    """[(name or id, bytes)] of every resource of the given type, in order."""
    found = []
    root = getattr(pe, 'DIRECTORY_ENTRY_RESOURCE', None)
    for rtype in (root.entries if root else []):
        if rtype.id != type_id:
            continue
        for name in rtype.directory.entries:
            for lang in name.directory.entries:
                data = pe.get_data(lang.data.struct.OffsetToData, lang.data.struct.Size)
                found.append((name.id if name.id is not None else str(name.name), data))
    return found


def check_manifest(pe, fail):
    manifests = resources(pe, RT_MANIFEST)
    if len(manifests) != 1:
        fail(f'expected one manifest, found {len(manifests)}')
        return
    root = ET.fromstring(manifests[0][1])
    # The whole tree, as (tag, attributes) per element in document order.
    shape = [(e.tag, dict(e.attrib)) for e in root.iter()]
    expected = [
        (ASM_V1 + 'assembly', {'manifestVersion': '1.0'}),
        (ASM_V3 + 'trustInfo', {}),
        (ASM_V3 + 'security', {}),
        (ASM_V3 + 'requestedPrivileges', {}),
        (ASM_V3 + 'requestedExecutionLevel', {'level': 'asInvoker', 'uiAccess': 'false'}),
    ]
    if shape != expected:
        fail(f'manifest is not trust information alone: {shape}')


def check_icon(pe, fail):
    groups = resources(pe, RT_GROUP_ICON)
    if not groups:
        fail('no icon group')
        return
    data = groups[0][1]
    _, _, count = struct.unpack_from('<HHH', data, 0)
    if count != 1:
        fail(f'first icon group holds {count} images, not one')
        return
    width, height, _, _, _, bits, size, icon_id = struct.unpack_from('<BBBBHHIH', data, 6)
    if (width, height, bits) != (64, 64, 32):
        fail(f'icon group entry is {width}x{height} at {bits} bits, not 64x64 at 32')
    icons = {name: blob for name, blob in resources(pe, RT_ICON)}
    image = icons.get(icon_id)
    if image is None or len(image) != size:
        fail(f'icon image {icon_id} missing or of the wrong size')
        return
    header, dib_width, dib_height, _, dib_bits = struct.unpack_from('<IiiHH', image, 0)
    if (header, dib_width, dib_height, dib_bits) != (40, 64, 128, 32):
        fail(f'icon image is not a 64x64 32-bit bitmap: {(header, dib_width, dib_height, dib_bits)}')


def main(path):
    pe = pefile.PE(path)
    failures = []
    fail = failures.append

    if pe.FILE_HEADER.Machine != 0x8664:
        fail(f'machine 0x{pe.FILE_HEADER.Machine:x} is not x64')
    if pe.OPTIONAL_HEADER.Subsystem != 2:
        fail(f'subsystem {pe.OPTIONAL_HEADER.Subsystem} is not the Windows GUI')
    flags = pe.OPTIONAL_HEADER.DllCharacteristics
    for bit, name in ((0x20, 'HIGH_ENTROPY_VA'), (0x40, 'DYNAMIC_BASE'), (0x100, 'NX_COMPAT')):
        if not flags & bit:
            fail(f'{name} is not set (DllCharacteristics 0x{flags:x})')
    relocs = pe.OPTIONAL_HEADER.DATA_DIRECTORY[5]
    if relocs.Size == 0:
        fail('no base relocations: the image could not really move')

    imports = sorted(e.dll.decode().lower() for e in getattr(pe, 'DIRECTORY_ENTRY_IMPORT', []))
    unknown = [dll for dll in imports if dll not in KNOWN_DLLS]
    if unknown:
        fail(f'imports DLLs that are not known DLLs: {unknown}')
    if getattr(pe, 'DIRECTORY_ENTRY_DELAY_IMPORT', None):
        fail('has delay-load imports')

    check_manifest(pe, fail)
    check_icon(pe, fail)
    if resources(pe, RT_VERSION):
        fail('has a version resource')

    print(f'{path}: {pe.OPTIONAL_HEADER.SizeOfImage} bytes of image, imports {imports}, '
          f'DllCharacteristics 0x{flags:x}')
    for failure in failures:
        print('FAIL:', failure)
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1]))
