#!/usr/bin/env node
// Runs the core's day dump and checks every day of 1901-2050 against lunar-javascript: lunar
// year, month, day, leap flag and solar term.
//   node compare-with-lunar-javascript.js <node_modules folder> <LunarDump program>
'use strict';
const path = require('path');
const { execFileSync } = require('child_process');

const [modules, dump] = process.argv.slice(2);
const { Solar } = require(path.join(path.resolve(modules), 'lunar-javascript'));
const termNames = ['小寒', '大寒', '立春', '雨水', '惊蛰', '春分', '清明', '谷雨', '立夏', '小满', '芒种', '夏至',
                   '小暑', '大暑', '立秋', '处暑', '白露', '秋分', '寒露', '霜降', '立冬', '小雪', '大雪', '冬至'];

const lines = execFileSync(dump, { maxBuffer: 64 << 20 }).toString().trim().split('\n');
let passed = 0, failed = 0, expectedDay = Solar.fromYmd(1901, 1, 1);
for (const line of lines) {
  const [y, m, d, ly, lm, ld, leap, term] = line.split(' ').map(Number);
  if (y !== expectedDay.getYear() || m !== expectedDay.getMonth() || d !== expectedDay.getDay()) {
    console.log(`day out of sequence: ${line} (expected ${expectedDay.toYmd()})`);
    process.exit(1);
  }
  expectedDay = expectedDay.next(1);
  const lunar = Solar.fromYmd(y, m, d).getLunar();
  const want = [lunar.getYear(), Math.abs(lunar.getMonth()), lunar.getDay(), lunar.getMonth() < 0 ? 1 : 0,
                termNames.indexOf(lunar.getJieQi()) + 1];
  const got = [ly, lm, ld, leap, term];
  if (want.every((v, i) => v === got[i])) {
    ++passed;
  } else {
    ++failed;
    if (failed <= 20) console.log(`${y}-${m}-${d}: core says ${got.join(' ')}, lunar-javascript ${want.join(' ')}`);
  }
}
if (expectedDay.toYmd() !== '2051-01-01') {
  console.log(`the dump ended early, before ${expectedDay.toYmd()}`);
  process.exit(1);
}
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed === 0 ? 0 : 1);
