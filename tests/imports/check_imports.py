#!/usr/bin/env python3
"""Fails when a program imports a function that is not in the reviewed list, or
imports from a DLL outside the ones the system itself holds (KnownDLLs) and
comctl32, or lacks the terminal-server-aware flag. Reads the import tables and
the flags from the PE files themselves.

usage: check_imports.py LIST PROGRAM.exe...
"""
import struct
import sys

# An import from any other DLL is looked for in the program's own folder first.
ALLOWED_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "ole32.dll",
                "oleaut32.dll", "msvcrt.dll", "ntdll.dll", "comctl32.dll"}
IMPORT_DIRECTORY, DELAY_IMPORT_DIRECTORY = 1, 13
# DllCharacteristics, at the same place in PE32 and PE32+ optional headers.
DLL_CHARACTERISTICS_OFFSET, TERMINAL_SERVER_AWARE = 70, 0x8000


def dll_characteristics(path):
    data = open(path, "rb").read(4096)
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    return struct.unpack_from("<H", data, pe + 24 + DLL_CHARACTERISTICS_OFFSET)[0]


def c_string(data, offset):
    return data[offset:data.index(b"\0", offset)].decode("ascii")


def imports(path):
    """(dll, function) pairs; a function imported by ordinal reads '#n'."""
    data = open(path, "rb").read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError(f"{path}: not a PE file")
    sections_count, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    pe32_plus = struct.unpack_from("<H", data, optional)[0] == 0x20B
    directories = optional + (112 if pe32_plus else 96)
    sections = [struct.unpack_from("<8xIIII", data, optional + optional_size + 40 * i) for i in range(sections_count)]

    def at(rva):  # file offset of an address
        for size, address, raw_size, raw in sections:
            if address <= rva < address + max(size, raw_size):
                return raw + rva - address
        raise ValueError(f"{path}: address {rva:#x} is in no section")

    delay_rva, delay_size = struct.unpack_from("<II", data, directories + 8 * DELAY_IMPORT_DIRECTORY)
    if delay_size:
        yield ("(delay-load table)", "present")
    rva, _ = struct.unpack_from("<II", data, directories + 8 * IMPORT_DIRECTORY)
    entry_size, ordinal_flag = (8, 1 << 63) if pe32_plus else (4, 1 << 31)
    descriptor = at(rva)
    while True:
        lookup, _, _, name, first_thunk = struct.unpack_from("<IIIII", data, descriptor)
        if name == 0:
            return
        dll = c_string(data, at(name))
        thunk = at(lookup or first_thunk)
        while True:
            value = struct.unpack_from("<Q" if pe32_plus else "<I", data, thunk)[0]
            if value == 0:
                break
            yield (dll, f"#{value & 0xFFFF}" if value & ordinal_flag else c_string(data, at(value & 0x7FFFFFFF) + 2))
            thunk += entry_size
        descriptor += 20


def reviewed(path):
    allowed = set()
    for line in open(path, encoding="utf-8"):
        line = line.split("#", 1)[0].strip()
        if line:
            dll, function = line.split()
            allowed.add((dll.lower(), function))
    return allowed


def main(list_path, *programs):
    allowed = reviewed(list_path)
    failures = 0
    for program in programs:
        found = sorted(set(imports(program)))
        for dll, function in found:
            if dll.lower() not in ALLOWED_DLLS:
                print(f"{program}: imports from {dll} ({function}), which is not a KnownDLL: load it at first "
                      "use from the system folder")
                failures += 1
            elif (dll.lower(), function) not in allowed:
                print(f"{program}: imports {dll} {function}, which is not in {list_path}: check that Windows XP "
                      "SP3 has it, then add it")
                failures += 1
        flags = dll_characteristics(program)
        if not flags & TERMINAL_SERVER_AWARE:
            print(f"{program}: not terminal-server aware (DllCharacteristics {flags:#06x}): link with --tsaware")
            failures += 1
        print(f"{program}: {len(found)} imports from {len({d.lower() for d, _ in found})} DLLs")
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    sys.exit(main(*sys.argv[1:]))
