#!/usr/bin/env python3
"""Repairs the DLLs of the Qt archive whose text was edited after linking.

In qt-6.4.2-mingw-w64.tar.xz, the build folder's path inside Qt6Widgets.dll and
Qt6Test.dll (source file names kept for Qt's warnings) was replaced by
"/opt/qt-6.4.2-mingw-w64/src", 17 bytes longer than the path the DLLs were linked
with. Every byte after it moved: the DLL's header then points beside its own tables,
and Windows crashes while loading it. The repair gives the path back its linked
length, then checks that the DLL's tables are where its header says.
   repair-qt-dlls.py FILE..."""
import struct
import sys

EDITED = b"/opt/qt-6.4.2-mingw-w64/src"
LINKED = b"/build/src"  # the length the DLLs were linked with (17 bytes shorter)


def sound(data):
    """True when the thread-local-storage directory and the import table are where the header says."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        return False
    sections, opt_size = struct.unpack_from("<H", data, pe + 6)[0], struct.unpack_from("<H", data, pe + 20)[0]
    opt = pe + 24
    base = struct.unpack_from("<Q", data, opt + 24)[0]
    table = [struct.unpack_from("<8sIIII", data, opt + opt_size + 40 * i) for i in range(sections)]

    def offset(rva):
        for _, vsize, vaddr, rsize, raw in table:
            if vaddr <= rva < vaddr + max(vsize, rsize):
                return rva - vaddr + raw
        return None

    directories = opt + 112
    import_rva = struct.unpack_from("<I", data, directories + 8)[0]
    if import_rva:
        at = offset(import_rva)
        name = offset(struct.unpack_from("<12xI", data, at)[0]) if at is not None else None
        if name is None or not data[name:name + 4].isascii() or not data[name:data.find(b"\0", name)].lower().endswith(
                (b".dll", b".drv")):
            return False
    tls_rva = struct.unpack_from("<I", data, directories + 9 * 8)[0]
    tls = [s for s in table if s[0].rstrip(b"\0") == b".tls"]
    if tls_rva and tls:
        at = offset(tls_rva)
        if at is None or struct.unpack_from("<Q", data, at)[0] != base + tls[0][2]:
            return False
    return True


for path in sys.argv[1:]:
    data = open(path, "rb").read()
    if EDITED not in data:
        continue
    if not sound(data):
        data = data.replace(EDITED, LINKED)
        if not sound(data):
            sys.exit(f"{path}: damaged, and the repair did not mend it")
        open(path, "wb").write(data)
        print(f"repaired {path}")
