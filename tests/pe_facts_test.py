#!/usr/bin/env python3
"""Checks the facts of the shipped executable that no run under Wine shows:
machine, subsystem, hardening, what it imports and links in, and its resources.
Usage: pe_facts_test.py kestrafen.exe kestrafen.map
(the linker's map of the stripped executable; exit status 0 when every fact holds)"""
import bisect
import re
import struct
import subprocess
import sys
import xml.etree.ElementTree as ET

import pefile

from checking import report  # beside this test

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


LOAD_LIBRARY_SEARCH_SYSTEM32 = 0x800
# The security cookie Windows' loader takes for "not yet chosen" in a 64-bit
# image, and replaces with a random value; any other value is left as built.
LOADER_UNCHOSEN_COOKIE = 0x00002B992DDFA232
GUARD_CF_INSTRUMENTED, GUARD_CF_FUNCTION_TABLE_PRESENT = 0x100, 0x400
DEBUG_TYPE_EX_DLLCHARACTERISTICS, EX_DLLCHARACTERISTICS_CET_COMPAT = 20, 0x01
SCN_MEM_EXECUTE, SCN_MEM_WRITE = 0x20000000, 0x80000000

# Every buffer the program hands to the system, by the import it is handed
# to. The buffer lives in the frame of whichever function the call landed in
# (its own, or the one it was inlined into): that function must check the
# guard itself.
BUFFERS_BY_IMPORT = {
    'CreateProcessW': 'the command line (wchar_t[256])',
    'GetSystemDirectoryW': 'the system directory (wchar_t[MAX_PATH])',
    'FindFirstFileW': 'the job search (WIN32_FIND_DATAW)',
    'FindNextFileW': 'the job search (WIN32_FIND_DATAW)',
}

# What libstdc++ and the C runtime bring into the static link when the
# program's stand-ins for the throwing helpers and the verbose terminate
# handler (src/runtime/throw_stubs.cpp) are missing: library members that the
# map then names. (The unwinder and the personality routine are in either
# way: string destructors run on the unwinding path.)
KEPT_OUT_BY_THE_STUBS = {
    'functexcept.o': "libstdc++'s throwing helpers",
    'vterminate.o': 'the verbose terminate handler',
    'cp-demangle.o': 'the demangler',
    'mingw_pformat.o': 'printf',
}


def functions_in_map(map_path):
    """{mangled name: (rva, size)} of every function the linker's map lists."""
    found = {}
    pattern = re.compile(r'^([0-9a-f]+) ([0-9a-f]+)\s+\d+\s+\S+:\(\.text\$(\S+)\)$')
    with open(map_path) as f:
        for line in f:
            match = pattern.match(line.strip())
            if match:
                found[match.group(3)] = (int(match.group(1), 16), int(match.group(2), 16))
    return found


def members_in_map(map_path):
    """Names (without folder) of the object files and library members linked in."""
    with open(map_path) as f:
        paths = re.findall(r'\s(\S+\.o(?:bj)?):\(', f.read())
    return {re.split(r'[/(]', p)[-1] for p in paths}


def code_of(path, base, functions):
    """{function: (addresses its code refers to rip-relative, direct call and
    jump targets)} for every function of the map, from one disassembly."""
    listing = subprocess.run(['x86_64-w64-mingw32-objdump', '-d', '-j', '.text', path],
                             capture_output=True, text=True, check=True).stdout
    starts = sorted((base + rva, base + rva + size, name) for name, (rva, size) in functions.items())
    code = {name: (set(), set()) for name in functions}
    for line in listing.splitlines():
        parts = line.split('\t')
        if len(parts) < 3 or not parts[0].strip().endswith(':'):
            continue  # not an instruction (or the rest of a long one's bytes)
        address = int(parts[0].strip()[:-1], 16)
        i = bisect.bisect_right(starts, (address, float('inf'))) - 1
        if i < 0 or address >= starts[i][1]:
            continue
        refs, branches = code[starts[i][2]]
        instruction = parts[2]
        refs.update(int(m, 16) for m in re.findall(r'# (?:0x)?([0-9a-f]+)', instruction))
        direct = re.match(r'(?:callq?|j[a-z]+)\s+(?:0x)?([0-9a-f]+)\b', instruction)
        if direct:
            branches.add(int(direct.group(1), 16))
    return code


def check_hardening(pe, path, map_path, fail):
    flags = pe.OPTIONAL_HEADER.DllCharacteristics
    base = pe.OPTIONAL_HEADER.ImageBase
    for section in pe.sections:
        c = section.Characteristics
        if c & SCN_MEM_EXECUTE and c & SCN_MEM_WRITE:
            name = section.Name.rstrip(b'\0').decode()
            fail(f'section {name} is both writable and executable')

    # The static imports' own imports, from System32 only.
    config = getattr(pe, 'DIRECTORY_ENTRY_LOAD_CONFIG', None)
    if config is None:
        fail('no load configuration directory')
        return
    rva = pe.OPTIONAL_HEADER.DATA_DIRECTORY[10].VirtualAddress
    size, = struct.unpack_from('<I', pe.get_data(rva, 4))
    dependent, = struct.unpack_from('<H', pe.get_data(rva + 0x4E, 2)) if size >= 0x50 else (0,)
    if dependent != LOAD_LIBRARY_SEARCH_SYSTEM32:
        fail(f'DependentLoadFlags is 0x{dependent:x}, not LOAD_LIBRARY_SEARCH_SYSTEM32')

    # CET shadow-stack compatible.
    cet = [d for d in getattr(pe, 'DIRECTORY_ENTRY_DEBUG', [])
           if d.struct.Type == DEBUG_TYPE_EX_DLLCHARACTERISTICS]
    if not cet or not struct.unpack_from('<I', pe.get_data(cet[0].struct.AddressOfRawData, 4))[0] \
            & EX_DLLCHARACTERISTICS_CET_COMPAT:
        fail('not marked CET shadow-stack compatible')

    # Control Flow Guard: the flag, the instrumented table, and the window
    # procedure (which the system calls indirectly) among the valid targets.
    functions = functions_in_map(map_path)
    lc = config.struct
    guard_flags = lc.GuardFlags if hasattr(lc, 'GuardFlags') else 0
    if not flags & 0x4000:
        fail(f'GUARD_CF is not set (DllCharacteristics 0x{flags:x})')
    if guard_flags & (GUARD_CF_INSTRUMENTED | GUARD_CF_FUNCTION_TABLE_PRESENT) != \
            GUARD_CF_INSTRUMENTED | GUARD_CF_FUNCTION_TABLE_PRESENT or not lc.GuardCFFunctionCount:
        fail(f'Control Flow Guard tables missing (GuardFlags 0x{guard_flags:x})')
    elif not lc.GuardCFCheckFunctionPointer or not lc.GuardCFDispatchFunctionPointer:
        fail('Control Flow Guard check or dispatch pointer missing')
    else:
        stride = 4 + (guard_flags >> 28)
        table = pe.get_data(lc.GuardCFFunctionTable - base, lc.GuardCFFunctionCount * stride)
        targets = {struct.unpack_from('<I', table, i * stride)[0] for i in range(lc.GuardCFFunctionCount)}
        wndproc = [rva for name, (rva, _) in functions.items() if name.startswith('_Z7WndProc')]
        if not wndproc or wndproc[0] not in targets:
            fail('the window procedure is not a valid call target')

    # Stack protection: the guard is the image's security cookie (the loader
    # randomises it), and every function that holds a buffer checks it.
    guard = lc.SecurityCookie
    if not guard:
        fail('no security cookie in the load configuration')
        return
    built = pe.get_qword_at_rva(guard - base)
    if built != LOADER_UNCHOSEN_COOKIE:
        fail(f'the security cookie is built as 0x{built:016X}, which the loader leaves alone, '
             f'not 0x{LOADER_UNCHOSEN_COOKIE:016X}')
    slots = {guard}
    rdata = next(s for s in pe.sections if s.Name.startswith(b'.rdata'))
    data = rdata.get_data()
    for offset in range(0, len(data) - 7, 8):
        if struct.unpack_from('<Q', data, offset)[0] == guard:
            slots.add(base + rdata.VirtualAddress + offset)
    if '__stack_chk_fail' not in functions:
        fail('__stack_chk_fail is not in the map')
        return
    check_fails = base + functions['__stack_chk_fail'][0]
    code = code_of(path, base, functions)
    iat = {i.name.decode(): i.address for e in getattr(pe, 'DIRECTORY_ENTRY_IMPORT', [])
           for i in e.imports if i.name}
    for imported, buffer in BUFFERS_BY_IMPORT.items():
        callers = [name for name, (refs, _) in code.items() if iat.get(imported) in refs]
        if not callers:
            fail(f'{buffer}: no function of the map calls {imported}')
        for caller in callers:
            refs, branches = code[caller]
            if not refs & slots or check_fails not in branches:
                fail(f'{buffer}: {caller} calls {imported} without checking the stack guard')


# Imports that stand for a call the program must make, and why.
REQUIRED_IMPORTS = {
    ('kernel32.dll', 'SetDefaultDllDirectories'): 'every later load by name from System32 only',
    ('user32.dll', 'DisableProcessWindowsGhosting'): 'no frozen copy in the window\'s place during a run',
}


def check_imports(pe, fail):
    imported = {(e.dll.decode().lower(), i.name.decode()) for e in getattr(pe, 'DIRECTORY_ENTRY_IMPORT', [])
                for i in e.imports if i.name}
    for (dll, name), why in REQUIRED_IMPORTS.items():
        if (dll, name) not in imported:
            fail(f'{name} is not imported from {dll} ({why})')


def check_runtime(map_path, fail):
    """The exception stubs keep libstdc++'s throwing and terminate machinery out."""
    members = members_in_map(map_path)
    if not any(m.endswith('clean_print_jobs.cpp.obj') for m in members):
        fail('the map names none of the program\'s own objects')
    for member, what in KEPT_OUT_BY_THE_STUBS.items():
        linked = sorted(m for m in members if m == member or m.endswith('-' + member))
        if linked:
            fail(f'{what} ({", ".join(linked)}) linked in: the exception stubs are missing')


def main(path, map_path):
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
    if pe.OPTIONAL_HEADER.DATA_DIRECTORY[5].Size == 0:
        fail('no base relocations: the image could not really move')

    imports = sorted(e.dll.decode().lower() for e in getattr(pe, 'DIRECTORY_ENTRY_IMPORT', []))
    unknown = [dll for dll in imports if dll not in KNOWN_DLLS]
    if unknown:
        fail(f'imports DLLs that are not known DLLs: {unknown}')
    if getattr(pe, 'DIRECTORY_ENTRY_DELAY_IMPORT', None):
        fail('has delay-load imports')

    check_imports(pe, fail)
    check_hardening(pe, path, map_path, fail)
    check_runtime(map_path, fail)
    check_manifest(pe, fail)
    check_icon(pe, fail)
    if resources(pe, RT_VERSION):
        fail('has a version resource')

    return report(failures, f'{path}: {pe.OPTIONAL_HEADER.SizeOfImage} bytes of image, imports {imports}, '
                            f'DllCharacteristics 0x{flags:x}')


if __name__ == '__main__':
    sys.exit(main(sys.argv[1], sys.argv[2]))
