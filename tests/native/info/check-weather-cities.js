// Every prefecture-level unit of the installed weathercityid is either a row of the generated city
// table or named in its report; no two rows share a code the source does not give to both.
// usage: node check-weather-cities.js <node_modules> <weather-cities.csv>
'use strict';
const fs = require('fs');
const path = require('path');
const [modules, csv] = process.argv.slice(2);
const raw = require(path.join(modules, 'weathercityid', 'dist/index.js'));
const lines = fs.readFileSync(csv, 'utf8').split('\n').filter((l) => l);
const rows = lines.filter((l) => !l.startsWith('#')).map((l) => l.split(','));
const report = lines.filter((l) => l.startsWith('# ')).join('\n');
const grouping = /^(市辖区|县|省直辖县级行政区划|自治区直辖县级行政区划)$/;
const sourceCodes = new Map();  // code -> how many source entries carry it
const units = [];
for (const prov of Object.keys(raw['86'])) {
  for (const [sub, e] of Object.entries(raw[prov] || {})) {
    const list = grouping.test(e.cityName) ? Object.values(raw[sub] || {}) : [e];
    for (const u of list) if (!grouping.test(u.cityName)) units.push(u);
  }
}
const walk = (o) => { for (const [k, v] of Object.entries(o || {})) if (v && v.weatherId) sourceCodes.set(String(v.weatherId), (sourceCodes.get(String(v.weatherId)) || 0) + 1); };
for (const k of Object.keys(raw)) walk(raw[k]);
let failed = 0, passed = 0;
const check = (ok, what) => { if (ok) ++passed; else { ++failed; console.error('FAIL: ' + what); } };
for (const u of units) {
  const short = u.unofficialCityName || u.cityName;
  const listed = rows.some((r) => short.startsWith(r[1]) || r[1].startsWith(short)) || report.includes(' ' + u.cityName + ':');
  check(listed, `${u.cityName} is neither a row nor in the report`);
}
const byCode = new Map();
for (const r of rows) byCode.set(r[2], (byCode.get(r[2]) || 0) + 1);
for (const [code, n] of byCode) check(n === 1 || (sourceCodes.get(code) || 0) >= n, `code ${code} on ${n} rows`);
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
