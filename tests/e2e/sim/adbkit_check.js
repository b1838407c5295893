// Drives the virtual phone with @devicefarmer/adbkit, an ADB client nobody here wrote:
// list devices, run a shell command, read the framebuffer. Exits 0 when every check holds.
// usage: node adbkit_check.js <adbkit module dir> <adb port> <serial>
const [moduleDir, port, serial] = process.argv.slice(2);
const Adb = require(moduleDir).default;

function check(cond, what) {
  if (!cond) {
    console.error('FAIL: ' + what);
    process.exit(1);
  }
  console.log('ok: ' + what);
}

(async () => {
  const client = Adb.createClient({ host: '127.0.0.1', port: Number(port) });
  const devices = await client.listDevices();
  check(devices.some((d) => d.id === serial && d.type === 'device'), 'listDevices shows ' + serial + ' as device');

  const device = client.getDevice(serial);
  const sdk = (await Adb.util.readAll(await device.shell('getprop ro.build.version.sdk'))).toString().trim();
  check(/^\d+$/.test(sdk) && Number(sdk) >= 8, 'shell getprop ro.build.version.sdk = ' + sdk);
  const packages = (await Adb.util.readAll(await device.shell('pm list packages'))).toString();
  check(packages.includes('package:com.zorvik.Zorvik'), 'pm list packages lists the agent');

  const props = await device.getProperties();
  check(props['ro.product.model'] && props['ro.product.manufacturer'], 'getProperties: ' + props['ro.product.model']);

  const fb = await device.framebuffer('raw');
  const pixels = await Adb.util.readAll(fb);
  const m = fb.meta;
  check(m.version === 1 && m.bpp === 32 && m.width > 0 && m.height > 0, `framebuffer ${m.width}x${m.height} ${m.bpp} bpp`);
  check(m.red_offset === 0 && m.blue_offset === 16 && m.format === 'rgba', 'framebuffer format ' + m.format);
  check(pixels.length === m.size && m.size === m.width * m.height * 4, 'framebuffer carries ' + pixels.length + ' pixel bytes');
  // A picture, not noise and not a flat fill: many distinct colours, but neighbours mostly alike.
  const colours = new Set();
  let same = 0;
  for (let i = 0; i + 8 <= pixels.length; i += 4 * 37) {
    colours.add(pixels.readUInt32LE(i));
    if (pixels.readUInt32LE(i) === pixels.readUInt32LE(i + 4)) same++;
  }
  check(colours.size > 50 && same > (pixels.length / (4 * 37)) * 0.5, 'framebuffer holds a picture (' + colours.size + ' colours sampled)');

  const forwarded = await client.getDevice(serial).forward('tcp:0', 'tcp:50505').catch((e) => e);
  check(forwarded === true || typeof forwarded === 'number' || typeof forwarded === 'string', 'forward accepted');
  console.log('adbkit: all checks passed');
})().catch((e) => {
  console.error('FAIL: ' + (e && e.stack ? e.stack : e));
  process.exit(1);
});
