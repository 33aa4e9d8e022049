#!/usr/bin/env python3
"""The DLLs Windows executables and DLLs import by name (their import tables), one a line:
   pe-imports.py FILE..."""
import struct
import sys


def imports(path):
    data = open(path, "rb").read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError(f"{path}: not a Windows executable")
    sections, opt_size = struct.unpack_from("<H12xH", data, pe + 6)
    opt = pe + 24
    magic = struct.unpack_from("<H", data, opt)[0]
    directories = opt + (112 if magic == 0x20B else 96)
    import_rva = struct.unpack_from("<I", data, directories + 8)[0]
    table = opt + opt_size
    ranges = [struct.unpack_from("<8xIIII", data, table + 40 * i) for i in range(sections)]

    def offset(rva):
        for vsize, vaddr, rsize, raw in ranges:
            if vaddr <= rva < vaddr + max(vsize, rsize):
                return rva - vaddr + raw
        raise ValueError(f"{path}: address {rva:#x} outside the sections")

    names = []
    if import_rva:
        at = offset(import_rva)
        while True:
            name_rva = struct.unpack_from("<12xI", data, at)[0]
            if name_rva == 0:
                break
            start = offset(name_rva)
            names.append(data[start:data.index(b"\0", start)].decode("ascii"))
            at += 20
    return names


for f in sys.argv[1:]:
    for name in imports(f):
        print(name)
