"""Checks the generated device.xml: well-formed UTF-8 with a byte-order mark, the platform elements
the page reads, known models' rows, nothing the source lacks filled in, and every usable model of
the source present exactly once.

usage: check_device_xml.py <device.xml> <node_modules holding @devicefarmer/stf-device-db>
"""
import json
import os
import sys
import xml.etree.ElementTree as ET

FIELDS = ['device', 'pub_date', 'os_version', 'dimensions', 'weight', 'screen', 'resolution', 'network',
          'camera', 'cpu', 'ram', 'rom', 'gps', 'wifi', 'sensor', 'battery', 'standby', 'talk']
# What the source has no data for.
NEVER = ['dimensions', 'weight', 'network', 'camera', 'gps', 'wifi', 'sensor', 'battery', 'standby', 'talk']


def fail(msg):
    print('FAIL: ' + msg)
    sys.exit(1)


def main():
    xml_path, modules = sys.argv[1], sys.argv[2]
    raw = open(xml_path, 'rb').read()
    if not raw.startswith(b'\xef\xbb\xbf<?xml version="1.0" encoding="UTF-8"?>'):
        fail('no byte-order mark and XML declaration')
    if not 150_000 < len(raw) < 400_000:
        fail('size %d out of range' % len(raw))
    if b'CC-BY-SA-4.0' not in raw[:600]:
        fail('the attribution is missing')
    root = ET.fromstring(raw[3:])
    if root.tag != 'main' or len(root.get('date', '')) != 10:
        fail('root or date wrong')
    tags = [p.tag for p in root]
    if tags != ['android-device', 'ophone-device', 'symbian-device', 'apple-device', 'windowsphone-device']:
        fail('platforms %s' % tags)
    if len(root.find('ophone-device')) or len(root.find('symbian-device')):
        fail('models invented for platforms the source lacks')

    items = {}
    for platform in root:
        for maker in platform:
            if not maker.get('manufacturer'):
                fail('maker %s without a name' % maker.tag)
            for item in maker:
                children = [c.tag for c in item]
                if item.tag != 'item' or children != FIELDS:
                    fail('item %s has %s' % (item.get('device'), children))
                for f in NEVER:
                    if item.find(f).text:
                        fail('%s of %s filled in' % (f, item.get('device')))
                if item.findtext('device') != item.get('device'):
                    fail('device text differs from the attribute')
                items.setdefault((platform.tag, maker.tag, item.get('device')), []).append(
                    {c.tag: c.text or '' for c in item})

    # Known rows, straight from the source's values.
    def row(platform, maker, device):
        rows = items.get((platform, maker, device))
        if not rows:
            fail('no %s/%s/%s' % (platform, maker, device))
        return rows[0]
    desire = row('android-device', 'htc', 'HTC Desire')
    expect = {'pub_date': '2010-04-27', 'os_version': 'Android 2.2', 'screen': '3.7英寸', 'resolution': '480x800',
              'cpu': 'Qualcomm Snapdragon QSD8250 1核 1GHz', 'ram': '576MB', 'rom': '512MB'}
    for k, v in expect.items():
        if desire[k] != v:
            fail('HTC Desire %s = %r, want %r' % (k, desire[k], v))
    ipad = row('apple-device', 'apple', 'iPad Pro 9.7')
    if (ipad['os_version'], ipad['resolution'], ipad['rom'], ipad['pub_date']) != ('iOS 9.3', '1536x2048', '128GB', '2016-04-01'):
        fail('iPad Pro 9.7 row %s' % ipad)
    # 富士通's models sit with Fujitsu's.
    if not any(k[1] == 'fujitsu' and k[2] == 'ARROWS Tab' for k in items):
        fail('the 富士通 model is not under fujitsu')

    # Every source model of the three platforms with a maker and a name, once.
    src = json.load(open(os.path.join(modules, '@devicefarmer/stf-device-db/dist/devices-latest.json')))
    types = {'android': 'android-device', 'ios': 'apple-device', 'windowsphone': 'windowsphone-device'}
    want = sum(1 for d in src.values() if d.get('os', {}).get('type') in types and d['maker']['name'] and d['name']['id'])
    got = sum(len(v) for v in items.values())
    if got != want:
        fail('%d models written, the source has %d' % (got, want))
    print('device.xml: %d models, %d bytes, date %s' % (got, len(raw), root.get('date')))


main()
