#!/usr/bin/env python3
"""Rewrites a package built by aapt/aapt2 into the forms newer build tools and obfuscators write,
so the reader meets them on packages whose values aapt itself has already listed:

  make-modern.py sparse IN.apk OUT.apk      every type chunk as (entry number, offset / 4) pairs (0x01)
  make-modern.py offset16 IN.apk OUT.apk    type chunks with 16-bit entry offsets (flag 0x02)
  make-modern.py compact IN.apk OUT.apk     the same, and every simple entry in compact form (0x08)
  make-modern.py obfuscate IN.apk OUT.apk   the manifest's attribute names that the resource id
                                            map names emptied or mangled in its string pool

Only the one member changes; every other member is copied as it is. The layouts are Android's
public resource format: chunk header (type u16, header size u16, size u32), ResTable_type
(id u8, flags u8, reserved u16, entry count u32, entries start u32, configuration), entries
(size u16, flags u16, key u32, value: size u16, reserved u8, type u8, data u32; a compact entry
is key u16, flags u16 with the value type in the high byte, data u32).
"""
import struct
import sys
import zipfile

TABLE, PACKAGE, TYPE = 0x0002, 0x0200, 0x0201
SPARSE, OFFSET16 = 0x01, 0x02
COMPLEX, COMPACT = 0x0001, 0x0008
NO_ENTRY = 0xFFFFFFFF


def chunks(data, start, end):
    pos = start
    while pos < end:
        ctype, hsize, size = struct.unpack_from('<HHI', data, pos)
        yield pos, ctype, hsize, size
        pos += size


def pad4(b):
    return b + b'\0' * (-len(b) % 4)


def entry_bytes(chunk, at):
    """The whole entry at `at`: a simple one is its header and value, a map its maps as well."""
    size, flags = struct.unpack_from('<HH', chunk, at)
    if flags & COMPLEX:
        count = struct.unpack_from('<I', chunk, at + 12)[0]
        return chunk[at:at + size + 12 * count]
    return chunk[at:at + size + 8]


def compact_form(entry):
    size, flags, key = struct.unpack_from('<HHI', entry, 0)
    if flags & COMPLEX or key > 0xFFFF:
        return entry
    vtype, data = entry[size + 3], struct.unpack_from('<I', entry, size + 4)[0]
    return struct.pack('<HHI', key, (flags | COMPACT) & 0xFF | vtype << 8, data)


def rewrite_type(chunk, hsize, mode):
    tid, flags, _, count, start = struct.unpack_from('<BBHII', chunk, 8)
    entries = []  # (entry number, its bytes)
    for i in range(count):
        if flags & SPARSE:
            number, quarter = struct.unpack_from('<HH', chunk, hsize + 4 * i)
            offset = quarter * 4
        else:
            number, offset = i, struct.unpack_from('<I', chunk, hsize + 4 * i)[0]
            if offset == NO_ENTRY:
                continue
        entries.append((number, entry_bytes(chunk, start + offset)))
    body, placed = b'', {}
    for number, entry in entries:
        if mode == 'compact':
            entry = compact_form(entry)
        placed[number] = len(body)
        body += pad4(entry)
    if mode == 'sparse':
        flags |= SPARSE
    if flags & SPARSE:
        offsets = b''.join(struct.pack('<HH', n, placed[n] // 4) for n, _ in entries)
    else:
        if any(o // 4 >= 0xFFFF for o in placed.values()):
            return chunk  # too far for 16-bit offsets: left as it is, as the tools do
        flags |= OFFSET16
        offsets = b''.join(struct.pack('<H', placed[i] // 4 if i in placed else 0xFFFF) for i in range(count))
    head = bytearray(chunk[:hsize])
    offsets = pad4(offsets)
    struct.pack_into('<BBHII', head, 8, tid, flags, 0, count, hsize + len(offsets))
    out = bytes(head) + offsets + body
    return out[:4] + struct.pack('<I', len(out)) + out[8:]


def rewrite_table(data, mode):
    _, thsize, _ = struct.unpack_from('<HHI', data, 0)
    pool_size = struct.unpack_from('<I', data, thsize + 4)[0]
    out = data[:thsize + pool_size]
    for pos, ctype, hsize, size in chunks(data, thsize + pool_size, len(data)):
        chunk = data[pos:pos + size]
        if ctype == PACKAGE:
            body = chunk[:hsize]
            for p, t, h, s in chunks(chunk, hsize, size):
                body += rewrite_type(chunk[p:p + s], h, mode) if t == TYPE else chunk[p:p + s]
            chunk = body[:4] + struct.pack('<I', len(body)) + body[8:]
        out += chunk
    return out[:4] + struct.pack('<I', len(out)) + out[8:]


def pool_strings(pool):
    count, _, flags, start = struct.unpack_from('<IIII', pool, 8)
    utf8 = bool(flags & 0x100)
    strings = []
    for i in range(count):
        at = start + struct.unpack_from('<I', pool, 28 + 4 * i)[0]
        if utf8:  # the manifests here hold short ASCII names: one length byte each
            n = pool[at + 1]
            strings.append(pool[at + 2:at + 2 + n].decode('utf-8'))
        else:
            n = struct.unpack_from('<H', pool, at)[0]
            strings.append(pool[at + 2:at + 2 + 2 * n].decode('utf-16-le'))
    return strings, utf8


def make_pool(strings, utf8):
    offsets, data = b'', b''
    for s in strings:
        offsets += struct.pack('<I', len(data))
        if utf8:
            b = s.encode('utf-8')
            data += bytes([len(s), len(b)]) + b + b'\0'
        else:
            data += struct.pack('<H', len(s)) + s.encode('utf-16-le') + b'\0\0'
    data = pad4(data)
    head = struct.pack('<HHIIIIII', 0x0001, 28, 28 + len(offsets) + len(data), len(strings), 0,
                       0x100 if utf8 else 0, 28 + len(offsets), 0)
    return head + offsets + data


def obfuscate_manifest(data):
    pool_size = struct.unpack_from('<I', data, 12)[0]
    pool = data[8:8 + pool_size]
    rest = data[8 + pool_size:]
    ctype, hsize, size = struct.unpack_from('<HHI', rest, 0)
    assert ctype == 0x0180, 'no resource id map after the pool'
    named = (size - hsize) // 4
    strings, utf8 = pool_strings(pool)
    # Half the names emptied, half mangled to one letter, as shrinkers leave them.
    for i in range(named):
        strings[i] = '' if i % 2 == 0 else 'a'
    out = data[:8] + make_pool(strings, utf8) + rest
    return out[:4] + struct.pack('<I', len(out)) + out[8:]


def main():
    mode, src, dst = sys.argv[1:4]
    member = 'AndroidManifest.xml' if mode == 'obfuscate' else 'resources.arsc'
    with zipfile.ZipFile(src) as zin, zipfile.ZipFile(dst, 'w') as zout:
        for info in zin.infolist():
            data = zin.read(info)
            if info.filename == member:
                data = obfuscate_manifest(data) if mode == 'obfuscate' else rewrite_table(data, mode)
            zout.writestr(info, data, compress_type=info.compress_type)


if __name__ == '__main__':
    main()
