'use strict';
// A third-party client reads the driver's own Device object, event-time-stamps
// included, and Wireshark must find every answer well formed: no malformed
// frame, no expert error, every question answered with a ComplexACK.
//
//   VORNE        the vorne program (default: build/release/tools/vorne)
//   INTEROP_OUT  folder for the capture and logs (default: a new temporary folder)
const test = require('node:test');
const assert = require('node:assert/strict');
const { spawn } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');

const { DriverReader } = require('./lib/driver_reader');
const frames = require('./lib/frames');

const ROOT = path.resolve(__dirname, '../..');
const VORNE = process.env.VORNE || path.join(ROOT, 'build/release/tools/vorne');
const OUT = process.env.INTEROP_OUT || fs.mkdtempSync(path.join(os.tmpdir(), 'vorne-interop-'));
fs.mkdirSync(OUT, { recursive: true });

// Addresses of their own, apart from those of interop.test.js.
const DRIVER = '127.0.0.13';
const READER = '127.0.0.14';
const NOBODY = '127.0.0.12'; // the station the driver polls meanwhile; nothing answers there
const PROBE = '127.0.99.19';
const SELF = { type: 8, instance: 4194303 };
const EVENT_TIME_STAMPS = 130;

function run(program, args) {
  return new Promise((resolve) => {
    const child = spawn(program, args, { stdio: ['ignore', 'pipe', 'pipe'] });
    let stdout = '';
    child.stdout.on('data', (d) => { stdout += d; });
    child.on('exit', (code) => resolve({ code, stdout }));
  });
}

test("the driver's Device answers are well formed, event-time-stamps included", async () => {
  assert.ok(fs.existsSync(VORNE), `no vorne program at ${VORNE}`);
  const pcap = path.join(OUT, 'local_device.pcap');
  const capture = await frames.startCapture({ file: pcap,
    filter: `udp port 47808 and (host ${DRIVER} or host ${READER} or host ${PROBE})`, probeAddress: PROBE });
  const tags = path.join(OUT, 'local_device_tags.csv');
  fs.writeFileSync(tags, `zone,${NOBODY},AV:2:PRESENT-VALUE\n`);
  // The driver answers peers while a host keeps it polling.
  const poll = run(VORNE, ['poll', '--tags', tags, '--bind', DRIVER, '--broadcast', NOBODY, '--timeout', '300',
    '--interval', '100', '--count', '15', '--json', '--log', path.join(OUT, 'local_device.log')]);
  const reader = new DriverReader({ address: READER });
  try {
    await reader.listening();
    await new Promise((resolve) => setTimeout(resolve, 500));
    const stamps = await reader.readProperty(DRIVER, SELF, EVENT_TIME_STAMPS);
    assert.ok(!stamps.error, stamps.error);
    assert.equal(stamps.values.length, 3, JSON.stringify(stamps.values));
    const many = await reader.readPropertyMultiple(DRIVER, SELF, [77, EVENT_TIME_STAMPS, 75]);
    assert.ok(!many.error, many.error);
    const results = many.results[0].values;
    assert.deepEqual(results.map((v) => v.id), [77, EVENT_TIME_STAMPS, 75]);
    assert.deepEqual(results[0].value[0].value, 'SCADA');
    assert.equal(results[1].value.length, 3, JSON.stringify(results[1].value));
  } finally {
    reader.close();
    await poll;
    await capture.stop();
  }

  const decoded = frames.decode(pcap).filter((f) => ![frames.first(f, 'ip.src'), frames.first(f, 'ip.dst')].includes(PROBE));
  const bad = decoded.map((f) => [f['frame.number'][0], frames.problems(f)]).filter(([, p]) => p.length > 0);
  assert.deepEqual(bad, [], 'frames Wireshark finds malformed or in error');
  const between = (src, dst) => decoded.filter((f) => frames.first(f, 'ip.src') === src && frames.first(f, 'ip.dst') === dst);
  const questions = between(READER, DRIVER);
  const answers = between(DRIVER, READER);
  assert.equal(questions.length, 2);
  assert.deepEqual(answers.map((a) => frames.numbers(a, 'bacapp.type')[0]), [3, 3]);
  assert.deepEqual(answers.map((a) => frames.numbers(a, 'bacapp.invoke_id')[0]),
    questions.map((q) => frames.numbers(q, 'bacapp.invoke_id')[0]));
});
