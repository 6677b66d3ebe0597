#!/usr/bin/env python3
"""Puts a PE32 image's headers in the first 512 bytes of the file, where the linker spends 1024.

GNU ld writes a 128-byte DOS stub before the PE headers; with five section headers that pushes
the headers past 512 bytes and, at a file alignment of 512, costs a whole block. The DOS header
itself has room for a stub that tells a DOS user the program needs Windows, so the PE headers
can follow it at offset 0x40. Only file offsets move: every address (RVA) the loader uses stays
as it was. The image's checksum is computed anew, as Windows computes it.

Usage: compact_headers.py IMAGE   (rewritten in place; left as it is when it does not fit)
"""
import struct
import sys

NEW_HEADERS = 0x200  # one file-alignment block
PE_OFFSET = 0x40


def dos_header():
    # A DOS program of 32 bytes inside the header: 16 bytes of header (two paragraphs'
    # worth is the minimum the format describes), then the code and its message.
    code = bytes([
        0x0E,              # push cs
        0x1F,              # pop ds
        0xBA, 0x0E, 0x00,  # mov dx, message (offset 0x0E of the load module)
        0xB4, 0x09,        # mov ah, 9: print the text up to '$'
        0xCD, 0x21,        # int 21h
        0xB8, 0x01, 0x4C,  # mov ax, 4C01h: end with exit code 1
        0xCD, 0x21,        # int 21h
    ]) + b"Needs Windows$"
    assert len(code) == 28
    header = struct.pack(
        "<2sHHHHHHHHHHHHH",
        b"MZ",
        0x40,    # e_cblp: bytes in the last (only) page: the DOS image is these 64 bytes
        1,       # e_cp: pages
        0,       # e_crlc: no relocations
        2,       # e_cparhdr: a header of two paragraphs; the load module starts at 0x20
        0x10,    # e_minalloc: 256 bytes beyond the module, for the stack
        0x10,    # e_maxalloc
        0,       # e_ss
        0x100,   # e_sp
        0,       # e_csum
        0,       # e_ip: the code starts the load module
        0,       # e_cs
        0x40,    # e_lfarlc: 0x40 or more marks a new-format executable for Windows 9x and DOS
        0,       # e_ovno
    )
    header += b"\0" * 4  # the rest of e_res up to 0x20
    header += code
    header += struct.pack("<I", PE_OFFSET)  # e_lfanew
    assert len(header) == 0x40
    return header


def checksum(data, checksum_offset):
    total = 0
    for i in range(0, len(data) - len(data) % 2, 2):
        if i == checksum_offset or i == checksum_offset + 2:
            continue
        total += data[i] | (data[i + 1] << 8)
        total = (total & 0xFFFF) + (total >> 16)
    if len(data) % 2:
        total += data[-1]
        total = (total & 0xFFFF) + (total >> 16)
    total = (total & 0xFFFF) + (total >> 16)
    return (total + len(data)) & 0xFFFFFFFF


def main(path):
    data = bytearray(open(path, "rb").read())
    if data[:2] != b"MZ":
        sys.exit(f"{path}: no MZ header")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        sys.exit(f"{path}: no PE header")
    sections, = struct.unpack_from("<H", data, pe + 6)
    optional_size, = struct.unpack_from("<H", data, pe + 20)
    optional = pe + 24
    magic, = struct.unpack_from("<H", data, optional)
    if magic != 0x10B:
        print(f"{path}: not PE32, left as it is")
        return
    file_alignment, = struct.unpack_from("<I", data, optional + 36)
    size_of_headers, = struct.unpack_from("<I", data, optional + 60)
    symbols, = struct.unpack_from("<I", data, pe + 12)
    table = optional + optional_size
    headers_end = table + 40 * sections
    needed = PE_OFFSET + headers_end - pe
    if size_of_headers <= NEW_HEADERS:
        print(f"{path}: headers already fit {NEW_HEADERS} bytes")
        return
    if needed > NEW_HEADERS or file_alignment != NEW_HEADERS or symbols != 0:
        print(f"{path}: headers of {needed} bytes cannot move, left as it is")
        return
    # Data directories that hold file offsets: the certificate table (4) and the debug
    # directory's entries. A linked, stripped image has neither.
    directories = optional + 96
    cert_offset, cert_size = struct.unpack_from("<II", data, directories + 4 * 8)
    debug_rva, debug_size = struct.unpack_from("<II", data, directories + 6 * 8)
    if cert_size or debug_size:
        sys.exit(f"{path}: has a certificate or debug directory; compact before signing")
    shift = size_of_headers - NEW_HEADERS
    out = bytearray(dos_header())
    out += data[pe:headers_end]
    out += b"\0" * (NEW_HEADERS - len(out))
    new_pe = PE_OFFSET
    new_optional = new_pe + 24
    new_table = new_optional + optional_size
    struct.pack_into("<I", out, new_optional + 60, NEW_HEADERS)
    for i in range(sections):
        entry = new_table + 40 * i
        raw_size, raw_pointer = struct.unpack_from("<II", out, entry + 16)
        if raw_pointer:
            if raw_pointer < size_of_headers:
                sys.exit(f"{path}: a section lies inside the headers")
            struct.pack_into("<I", out, entry + 20, raw_pointer - shift)
    if any(data[headers_end:size_of_headers]):
        sys.exit(f"{path}: something lies between the headers and the first section")
    out += data[size_of_headers:]
    checksum_offset = new_optional + 64
    struct.pack_into("<I", out, checksum_offset, 0)
    struct.pack_into("<I", out, checksum_offset, checksum(out, checksum_offset))
    open(path, "wb").write(out)
    print(f"{path}: headers in {NEW_HEADERS} bytes, {len(data)} -> {len(out)} bytes")


if __name__ == "__main__":
    main(sys.argv[1])
