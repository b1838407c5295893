// Writes Data/device.xml, the phone parameter database, from the installed
// @devicefarmer/stf-device-db package (CC-BY-SA-4.0).
// usage: node gen-device-xml.js <node_modules> <out.xml>
'use strict';
const fs = require('fs');
const path = require('path');

const [modules, out] = process.argv.slice(2);
if (!modules || !out) {
  console.error('usage: node gen-device-xml.js <node_modules> <out.xml>');
  process.exit(2);
}
const pkgDir = path.join(modules, '@devicefarmer/stf-device-db');
const pkg = JSON.parse(fs.readFileSync(path.join(pkgDir, 'package.json'), 'utf8'));
const devices = JSON.parse(fs.readFileSync(path.join(pkgDir, 'dist/devices-latest.json'), 'utf8'));

// The source's os.type → the platform element. Platforms the page offers but the source has no
// phones for (Ophone, Symbian) are written empty; other types (BlackBerry, Windows Mobile, Firefox
// OS, watches, unknown) are left out.
const platforms = [
  ['android-device', 'android'],
  ['ophone-device', null],
  ['symbian-device', null],
  ['apple-device', 'ios'],
  ['windowsphone-device', 'windowsphone'],
];
const fields = ['device', 'pub_date', 'os_version', 'dimensions', 'weight', 'screen', 'resolution', 'network',
                'camera', 'cpu', 'ram', 'rom', 'gps', 'wifi', 'sensor', 'battery', 'standby', 'talk'];
const osNames = {android: 'Android', ios: 'iOS', windowsphone: 'Windows Phone'};

const esc = (s) => String(s).replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;').replace(/"/g, '&quot;');
const num = (v) => (typeof v === 'number' && isFinite(v) && v > 0 ? v : null);
const fail = (msg) => { console.error('gen-device-xml: ' + msg); process.exit(1); };

// Release dates are midnight Japan time (all stored as 15:00 UTC the day before).
function releaseDay(iso) {
  const t = Date.parse(iso);
  if (!isFinite(t)) return '';
  return new Date(t + 9 * 3600 * 1000).toISOString().slice(0, 10);
}
function megabytes(mb) {
  const v = num(mb);
  if (v === null) return '';
  return v >= 1024 && v % 1024 === 0 ? v / 1024 + 'GB' : v + 'MB';
}
function row(d) {
  const r = Object.fromEntries(fields.map((f) => [f, '']));
  r.device = d.name.id;
  r.pub_date = releaseDay(d.date);
  if (d.os && d.os.ver) r.os_version = osNames[d.os.type] + ' ' + d.os.ver;
  const disp = d.display || {};
  if (num(disp.s) !== null) r.screen = disp.s + '英寸';
  if (num(disp.w) !== null && num(disp.h) !== null) r.resolution = disp.w + 'x' + disp.h;
  const cpu = d.cpu || {};
  const parts = [];
  if (num(cpu.cores) !== null) parts.push(cpu.cores + '核');
  if (num(cpu.freq) !== null) parts.push(cpu.freq + 'GHz');
  r.cpu = [cpu.name || '', parts.join(' ')].filter(Boolean).join(' ');
  const mem = d.memory || {};
  r.ram = megabytes(mem.ram);
  r.rom = megabytes(mem.rom);
  return r;
}

// A manufacturer's tag: its name in lower-case letters and digits. Names in other scripts take the
// tag of the one ASCII-named maker sharing their maker code (富士通 → fujitsu).
const tagOfCode = {};
for (const d of Object.values(devices)) {
  const tag = d.maker.name.toLowerCase().replace(/[^a-z0-9]/g, '');
  if (!tag) continue;
  (tagOfCode[d.maker.code] = tagOfCode[d.maker.code] || new Set()).add(tag);
}
function makerTag(maker) {
  const tag = maker.name.toLowerCase().replace(/[^a-z0-9]/g, '');
  if (tag) return /^[0-9]/.test(tag) ? 'm' + tag : tag;
  const same = tagOfCode[maker.code];
  if (same && same.size === 1) return [...same][0];
  return null;
}

let newest = '';
let written = 0;
const lines = [];
for (const [element, type] of platforms) {
  // tag → {names: {spelling: count}, items: []}, makers in order of their first model's release.
  const makers = new Map();
  const models = Object.values(devices).filter((d) => type && d.os && d.os.type === type);
  models.sort((a, b) => (a.date < b.date ? -1 : a.date > b.date ? 1 : a.name.id.localeCompare(b.name.id)));
  for (const d of models) {
    const tag = makerTag(d.maker);
    if (!tag || !d.name || !d.name.id) continue;  // no maker or no model name: nothing to show it under
    if (!makers.has(tag)) makers.set(tag, {names: {}, items: []});
    const m = makers.get(tag);
    if (/^[\x20-\x7e]+$/.test(d.maker.name)) m.names[d.maker.name] = (m.names[d.maker.name] || 0) + 1;
    m.items.push(row(d));
    const day = releaseDay(d.date);
    if (day > newest) newest = day;
  }
  lines.push(`  <${element}>`);
  for (const [tag, m] of makers) {
    // The spelling most models use ("Samsung" over "SAMSUNG").
    const name = Object.entries(m.names).sort((a, b) => b[1] - a[1] || (a[0] < b[0] ? -1 : 1))[0];
    if (!name) fail(`maker ${tag} has no readable name`);
    lines.push(`    <${tag} manufacturer="${esc(name[0])}">`);
    for (const r of m.items) {
      lines.push(`      <item device="${esc(r.device)}">`);
      for (const f of fields) lines.push(r[f] ? `        <${f}>${esc(r[f])}</${f}>` : `        <${f}/>`);
      lines.push('      </item>');
      ++written;
    }
    lines.push(`    </${tag}>`);
  }
  lines.push(`  </${element}>`);
}
if (written < 100) fail(`only ${written} models`);

const header = [
  '\ufeff<?xml version="1.0" encoding="UTF-8"?>',
  `<!-- Phone parameters from ${pkg.name} ${pkg.version} (DeviceFarmer, ${pkg.license},`,
  '     https://creativecommons.org/licenses/by-sa/4.0/), rearranged into this format; elements',
  '     the source has no data for are left empty. This file is shared under the same licence. -->',
  `<main date="${newest}">`,
];
fs.writeFileSync(out, header.concat(lines, ['</main>', '']).join('\r\n'), 'utf8');
console.log(`gen-device-xml: ${written} models, data date ${newest}`);
