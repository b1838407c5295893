#!/usr/bin/env python3
"""Hostile packages for Quillet's window, derived from an aapt-built one:
make-hostile.py <basic.apk> <folder>"""
import struct
import sys
import zipfile

basic, folder = sys.argv[1], sys.argv[2]
data = open(basic, 'rb').read()
with zipfile.ZipFile(basic) as z:
    manifest = z.read('AndroidManifest.xml')
    members = {n: z.read(n) for n in z.namelist()}


def write(name, replaced):
    with zipfile.ZipFile(f'{folder}/{name}', 'w', zipfile.ZIP_DEFLATED) as z:
        for n, b in members.items():
            z.writestr(n, replaced.get(n, b))


# Cut off in the middle of the archive.
open(f'{folder}/hostile-cut.apk', 'wb').write(data[: len(data) // 2])
# The manifest's string pool claims two billion strings.
counts = bytearray(manifest)
struct.pack_into('<I', counts, 16, 0x7FFFFFFF)
write('hostile-counts.apk', {'AndroidManifest.xml': bytes(counts)})
# A member that inflates to 300 MB of zeros.
write('hostile-bomb.apk', {'AndroidManifest.xml': bytes(300 << 20)})
# A manifest of 50 MB: the real one's header and string pool claiming the whole member (zeros
# after the strings), so no element ever closes.
big = bytearray(manifest) + bytes((50 << 20) - len(manifest))
struct.pack_into('<I', big, 4, len(big))
struct.pack_into('<I', big, 12, len(big) - 8)
write('hostile-50mb.apk', {'AndroidManifest.xml': bytes(big)})
# The launch activity ".Main" renamed "$(id)" in the manifest's string pool (same length, so no
# offset moves): a name the phone's shell would run if it reached a command line.
shell = manifest.replace(b'\x05\x00' + '.Main'.encode('utf-16-le') + b'\x00\x00',
                         b'\x05\x00' + '$(id)'.encode('utf-16-le') + b'\x00\x00', 1)
assert shell != manifest, 'the activity name was not found in the pool'
write('hostile-activity.apk', {'AndroidManifest.xml': shell})
