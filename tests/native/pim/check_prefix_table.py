#!/usr/bin/python3
"""Checks the generated prefix table against libphonenumber's own geocoder.

For a spread of 7-digit prefixes of every block, python3-phonenumbers names the place of a number
with that prefix (its own longest-prefix match); the table's region must lead to the key the
generator gave that place (its area code, or the city's own row where it shares an area code with
another city), and a prefix the geocoder cannot place must hold 0. Blocks outside the table's list
must hold 0 everywhere.
"""
import argparse
import csv
import struct
import sys

import phonenumbers
from phonenumbers import geocoder

BLOCKS = {130, 131, 132, 133, 134, 135, 136, 137, 138, 139, 145, 147, 150, 151, 152, 153, 155, 156,
          157, 158, 159, 180, 182, 186, 187, 188, 189}

ap = argparse.ArgumentParser()
ap.add_argument('--gen', required=True, help='the folder the generator wrote')
ap.add_argument('--step', type=int, default=37)
args = ap.parse_args()

with open(args.gen + '/phone.db', 'rb') as f:
    blob = f.read()
if len(blob) != 1200000:
    sys.exit('phone.db has %d bytes' % len(blob))
table = struct.unpack('<600000H', blob)
with open(args.gen + '/regions.csv', encoding='utf-8') as f:
    region_key = {int(r['region']): r['key'] for r in csv.DictReader(f)}
with open(args.gen + '/mobile-places.csv', encoding='utf-8') as f:
    place_key = {r['place']: r['key'] for r in csv.DictReader(f)}

checked = placed = 0
failures = []
for prefix in range(1300000, 1900000, args.step):
    region = table[prefix - 1300000]
    if prefix // 10000 not in BLOCKS:
        if region:
            failures.append('%d: block not listed but region %d' % (prefix, region))
        continue
    number = phonenumbers.parse('+86%d%04d' % (prefix, (prefix * 7) % 10000))
    place = geocoder.description_for_number(number, 'zh')
    # A prefix without a mobile entry falls back to the country ("中国") or nothing.
    expected = place_key.get(place, '')
    got = region_key.get(region, '') if region else ''
    checked += 1
    placed += bool(expected)
    if expected != got:
        failures.append('%d: geocoder says %s (%s), table gives region %d (%s)' % (
            prefix, place, expected or '-', region, got or '-'))

for line in failures[:20]:
    print(line)
print('%d prefixes checked, %d placed by the geocoder, %d disagree' % (checked, placed, len(failures)))
sys.exit(1 if failures or placed < checked // 2 else 0)
