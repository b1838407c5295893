// Writes the weather page's city table (province, city name, nine-digit code of the weather
// service) from the installed weathercityid package (MIT).
// usage: node gen-weather-cities.js <node_modules> <out.inc> [<out.csv>]
'use strict';
const fs = require('fs');
const path = require('path');

const [modules, out, csvOut] = process.argv.slice(2);
if (!modules || !out) {
  console.error('usage: node gen-weather-cities.js <node_modules> <out.inc> [<out.csv>]');
  process.exit(2);
}
const pkgDir = path.join(modules, 'weathercityid');
const pkg = JSON.parse(fs.readFileSync(path.join(pkgDir, 'package.json'), 'utf8'));
const raw = require(path.join(pkgDir, 'dist/index.js'));
const fail = (msg) => { console.error('gen-weather-cities: ' + msg); process.exit(1); };

// The settings dialog's provinces, in the order it offers them, with their division codes.
const provinces = [
  ['北京', '110000'], ['上海', '310000'], ['天津', '120000'], ['重庆', '500000'], ['香港', '810000'],
  ['澳门', '820000'], ['台湾', '710000'], ['黑龙江', '230000'], ['吉林', '220000'], ['辽宁', '210000'],
  ['内蒙古', '150000'], ['新疆', '650000'], ['西藏', '540000'], ['宁夏', '640000'], ['河北', '130000'],
  ['河南', '410000'], ['陕西', '610000'], ['山西', '140000'], ['山东', '370000'], ['湖北', '420000'],
  ['湖南', '430000'], ['安徽', '340000'], ['江苏', '320000'], ['江西', '360000'], ['浙江', '330000'],
  ['四川', '510000'], ['云南', '530000'], ['青海', '630000'], ['甘肃', '620000'], ['贵州', '520000'],
  ['广东', '440000'], ['广西', '450000'], ['福建', '350000'], ['海南', '460000'],
];
const municipalities = new Set(['110000', '310000', '120000', '500000']);
// Division entries that group counties rather than name a place.
const grouping = /^(市辖区|县|省直辖县级行政区划|自治区直辖县级行政区划)$/;

const children = (code) => Object.entries(raw[code] || {});
const codeText = (id) => String(id);
// The service's province digits: positions 3-4 of the code ("101010100" → "01").
const provinceDigits = (id) => codeText(id).slice(3, 5);
function shortName(e) {
  let n = e.unofficialCityName || e.cityName;
  // The source leaves a few suffixes on (藁城区, 新疆维吾尔); the dialog shows plain names.
  n = n.replace(/(维吾尔|回族|壮族)?自治区$/, '').replace(/维吾尔$/, '');
  if (n.length > 2) n = n.replace(/(市|区|县|地区|盟)$/, '');
  return n;
}

// Many prefectures carry a placeholder (their province capital's code, or one none of their
// counties has, as 延边's 101060312). Such a unit takes the code of its first county listed in the
// source whose code is its own (not a placeholder shared with another prefecture), the source
// marking no seat.
function ownOrSeatCode(province, sub, e) {
  const counties = children(sub).filter(([, c]) => !grouping.test(c.cityName));
  const units = children(province);
  const earlier = new Set(units.slice(0, units.findIndex(([k]) => k === sub)).map(([, p]) => p.weatherId));
  const own = !earlier.has(e.weatherId) && (counties.length === 0 || counties.some(([, c]) => c.weatherId === e.weatherId));
  if (own) return e.weatherId;
  const taken = new Set(units.filter(([k]) => k !== sub).map(([, p]) => p.weatherId));
  const seat = counties.find(([, c]) => !taken.has(c.weatherId));
  return seat ? seat[1].weatherId : e.weatherId;
}

const rows = [];
const report = [];
for (const [province, code] of provinces) {
  let places;
  if (municipalities.has(code)) {
    // The city itself, then its districts and counties.
    const top = raw['86'][code];
    places = [{ name: province, id: top.weatherId }];
    for (const [sub] of children(code))
      for (const [, e] of children(sub)) places.push({ name: shortName(e), id: e.weatherId, raw: e.cityName });
  } else if (code === '810000' || code === '820000') {
    places = [{ name: province, id: raw['86'][code].weatherId }];
    for (const [, e] of children(code)) places.push({ name: shortName(e), id: e.weatherId, raw: e.cityName });
  } else {
    places = [];
    for (const [sub, e] of children(code)) {
      if (grouping.test(e.cityName)) {
        // Counties governed by the province directly are cities of their own (仙桃, 石河子...).
        for (const [, c] of children(sub)) places.push({ name: shortName(c), id: c.weatherId, raw: c.cityName });
      } else {
        places.push({ name: shortName(e), id: ownOrSeatCode(code, sub, e), raw: e.cityName });
      }
    }
  }
  // The province's service digits: the most common among its places (one entry of the source
  // carries a code of another province).
  const counts = {};
  for (const p of places) counts[provinceDigits(p.id)] = (counts[provinceDigits(p.id)] || 0) + 1;
  const digits = Object.keys(counts).sort((a, b) => counts[b] - counts[a])[0];
  const seenNames = new Set(), seenIds = new Map();
  let kept = 0;
  for (const p of places) {
    const id = codeText(p.id);
    if (!/^101\d{6}$/.test(id)) { report.push(`${province} ${p.raw || p.name}: code ${id} refused`); continue; }
    if (provinceDigits(id) !== digits) { report.push(`${province} ${p.raw || p.name}: code ${id} of another province left out`); continue; }
    // A district that the service does not tell apart from its city adds nothing.
    if (seenNames.has(p.name)) { report.push(`${province} ${p.raw || p.name}: name already listed`); continue; }
    if (seenIds.has(id)) { report.push(`${province} ${p.raw || p.name}: code ${id} already listed for ${seenIds.get(id)}`); continue; }
    seenNames.add(p.name);
    seenIds.set(id, p.name);
    rows.push([province, p.name, id]);
    ++kept;
  }
  if (kept === 0) fail(`no city for ${province}`);
}

// The examples the program relies on.
const expect = { '北京': '101010100', '海淀': '101010200', '朝阳': '101010300', '延庆': '101010800' };
for (const [name, id] of Object.entries(expect)) {
  const r = rows.find((x) => x[0] === '北京' && x[1] === name);
  if (!r || r[2] !== id) fail(`北京/${name} is not ${id}`);
}
if (rows.length < 350 || rows.length > 600) fail(`unexpected number of cities: ${rows.length}`);

// Literals are written as their GBK bytes in octal escapes, the program's ANSI text, so the file
// means the same to every compiler (the fuzz build's clang has no -fexec-charset=GBK). The
// conversion is iconv's (glibc), in one call.
const { execFileSync } = require('child_process');
const texts = [...new Set(rows.flatMap((r) => [r[0], r[1]]))];
const gbk = execFileSync('iconv', ['-f', 'UTF-8', '-t', 'GBK'], { input: texts.join('\n') });
const gbkOf = new Map();
{
  let start = 0, i = 0;
  for (let k = 0; k <= gbk.length; ++k) {
    if (k === gbk.length || gbk[k] === 0x0a) { gbkOf.set(texts[i++], gbk.subarray(start, k)); start = k + 1; }
  }
  if (i !== texts.length) fail('iconv gave ' + i + ' lines for ' + texts.length + ' names');
}
const escaped = (bytes) => Array.from(bytes, (b) => (b >= 0x20 && b < 0x7f && b !== 0x22 && b !== 0x5c
  ? String.fromCharCode(b) : '\\' + b.toString(8).padStart(3, '0'))).join('');
const cstr = (s) => '"' + (gbkOf.has(s) ? escaped(gbkOf.get(s)) : escaped(Buffer.from(s, 'latin1'))) + '"';
let text = `// Generated by data/weather/gen-weather-cities.js from weathercityid ${pkg.version} (MIT,\n` +
  `// Copyright (c) 2021 ${JSON.parse(JSON.stringify(pkg.author))}). Do not edit.\n`;
text += `// ${rows.length} cities in ${provinces.length} provinces: {province, city, code}\n`;
for (const [p, c, id] of rows) text += `{${cstr(p)}, ${cstr(c)}, "${id}"},  // ${p} ${c}\n`;
fs.writeFileSync(out, text);
if (csvOut) fs.writeFileSync(csvOut, rows.map((r) => r.join(',')).join('\n') + '\n# ' + report.join('\n# ') + '\n');
console.log(`gen-weather-cities: ${rows.length} cities, ${report.length} source entries left out (listed in the csv)`);
