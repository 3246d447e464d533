'use strict';
// The driver against BACnet code nobody here wrote: a device and a client on
// @bacnet-js/client, and Wireshark's dissectors reading every frame. The
// driver is driven through `vorne`, which loads it as a host does.
//
//   VORNE            the vorne program (default: build/release/tools/vorne)
//   VORNE_UNIT_TESTS the unit test program whose MS/TP line tests give the MS/TP frames
//   INTEROP_OUT      folder for the capture and logs (default: a new temporary folder)
const test = require('node:test');
const assert = require('node:assert/strict');
const { spawn } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');

const { InteropDevice, DEVICE_INSTANCE } = require('./lib/device');
const { DriverReader } = require('./lib/driver_reader');
const frames = require('./lib/frames');

const ROOT = path.resolve(__dirname, '../..');
const VORNE = process.env.VORNE || path.join(ROOT, 'build/release/tools/vorne');
const UNIT_TESTS = process.env.VORNE_UNIT_TESTS || path.join(ROOT, 'build/release/tests/vorne_unit_tests');
const OUT = process.env.INTEROP_OUT || fs.mkdtempSync(path.join(os.tmpdir(), 'vorne-interop-'));
fs.mkdirSync(OUT, { recursive: true });

// The library ignores requests from 127.0.0.1:47808, so nobody uses that address.
const DEVICE = '127.0.0.2';
const DRIVER = '127.0.0.3';
const READER = '127.0.0.4';
const BROADCAST = '127.255.255.255';
const PROBE = '127.0.99.9'; // where the capture's start-up probes go
const STATION = `0:${DEVICE_INSTANCE}`; // bound by Who-Is, answers may be segmented

const SERVICE = { readProperty: 12, readPropertyMultiple: 14, writeProperty: 15 };
const TYPE = { AI: 0, AV: 2, BV: 5, DEV: 8, MSV: 19 };
const PROPERTY = { 'PRESENT-VALUE': 85, 'OBJECT-NAME': 77, 'STATUS-FLAGS': 111, UNITS: 117,
  'OUT-OF-SERVICE': 81, 'OBJECT-IDENTIFIER': 75, 'UTC-OFFSET': 119, 'LOCAL-DATE': 56, 'LOCAL-TIME': 57,
  'DAYLIGHT-SAVINGS-STATUS': 24, 'PROTOCOL-VERSION': 98, 'PRIORITY-ARRAY': 87, 'STATE-TEXT': 110,
  'OBJECT-LIST': 76, 'PROFILE-NAME': 168, DESCRIPTION: 28 };

// What each address must show: one per primitive datatype.
const PRIMITIVES = [
  ['AV:90:PRESENT-VALUE', 'NULL'], // Null
  ['DEV:2001:DAYLIGHT-SAVINGS-STATUS', '1'], // Boolean
  ['MSV:1:PRESENT-VALUE', '2'], // Unsigned
  ['DEV:2001:UTC-OFFSET', '-60'], // Signed
  ['AV:1:PRESENT-VALUE', '21.5'], // Real
  ['AV:91:PRESENT-VALUE', '3.14159265'], // Double, as the host shows it
  ['AV:92:PRESENT-VALUE', '0A FF 10 '], // OctetString
  ['AV:1:OBJECT-NAME', 'Zone setpoint °C'], // CharacterString, UTF-8
  ['AV:1:STATUS-FLAGS', '0100'], // BitString: fault
  ['AV:1:UNITS', '62'], // Enumerated
  ['DEV:2001:LOCAL-DATE', '15-3-2024'], // Date
  ['DEV:2001:LOCAL-TIME', '13:5:0.50'], // Time
  ['AV:1:OBJECT-IDENTIFIER', '2:1'], // ObjectIdentifier
];

// [object type, instance, property] of an address text.
function target(address) {
  const [type, instance, property] = address.split(':');
  return [TYPE[type], Number(instance), PROPERTY[property]];
}

let device;
let capture;
const expectedRequests = []; // the driver's confirmed requests, in order: {service, targets}

function run(program, args, { env = {} } = {}) {
  return new Promise((resolve) => {
    const child = spawn(program, args, { env: { ...process.env, ...env }, stdio: ['ignore', 'pipe', 'pipe'] });
    let stdout = '';
    let stderr = '';
    child.stdout.on('data', (d) => { stdout += d; });
    child.stderr.on('data', (d) => { stderr += d; });
    child.on('exit', (code) => resolve({ code, stdout, stderr }));
  });
}

const COMMON = ['--bind', DRIVER, '--broadcast', BROADCAST, '--timeout', '1000'];
const logFile = path.join(OUT, 'driver.log');

async function read(station, addresses, { service } = {}) {
  const result = await run(VORNE, ['read', '--json', ...COMMON, '--log', logFile, station, ...addresses]);
  const lines = result.stdout.trim().split('\n').filter(Boolean).map((line) => JSON.parse(line));
  const values = {};
  for (const line of lines) if (line.address) values[line.address] = line;
  const status = lines.find((line) => line.status !== undefined);
  if (service !== null) {
    expectedRequests.push({ service: service || (addresses.length === 1 ? SERVICE.readProperty : SERVICE.readPropertyMultiple),
      targets: addresses.map(target) });
  }
  return { code: result.code, values, status: status ? status.status : undefined, stderr: result.stderr };
}

async function write(station, address, value, extra = []) {
  const result = await run(VORNE, ['write', ...COMMON, '--log', logFile, ...extra, station, address, value]);
  const [, , property] = target(address);
  const [type, instance] = target(address);
  expectedRequests.push({ service: SERVICE.writeProperty, targets: [[type, instance, property]] });
  const status = /: (-?\d+) \(/.exec(result.stdout);
  return { code: result.code, status: status ? Number(status[1]) : undefined, stdout: result.stdout };
}

function lastRequest(service) {
  return device.requests.filter((r) => r.service === service).at(-1);
}

test.before(async () => {
  assert.ok(fs.existsSync(VORNE), `no vorne program at ${VORNE}`);
  capture = await frames.startCapture({ file: path.join(OUT, 'udp.pcap'),
    filter: `udp port 47808 and (host ${DEVICE} or host ${DRIVER} or host ${READER} or host ${PROBE})`,
    probeAddress: PROBE });
  device = new InteropDevice({ address: DEVICE, broadcastAddress: BROADCAST });
  await device.listening();
});

test.after(async () => {
  if (device) device.close();
  if (capture) await capture.stop();
});

test('one tag of each primitive datatype is read with ReadProperty', async () => {
  for (const [address, shown] of PRIMITIVES) {
    const { values, code } = await read(DEVICE, [address]);
    assert.equal(code, 0, address);
    assert.equal(values[address].value, shown, address);
    assert.equal(values[address].quality, 192, address);
    const request = lastRequest('read-property');
    assert.deepEqual([request.objectId.type, request.objectId.instance, request.propertyId], target(address));
  }
});

test('tags of one object type are read together with one ReadPropertyMultiple', async () => {
  for (const prefix of ['AV:', 'DEV:']) {
    const group = PRIMITIVES.filter(([address]) => address.startsWith(prefix));
    const before = device.requests.length;
    const { values, code } = await read(DEVICE, group.map(([address]) => address));
    assert.equal(code, 0);
    for (const [address, shown] of group) assert.equal(values[address].value, shown, address);
    const requests = device.requests.slice(before);
    assert.deepEqual(requests.map((r) => r.service), ['read-property-multiple']);
    const asked = requests[0].objects.flatMap((o) => o.propertyIds.map((p) => [o.objectId.type, o.objectId.instance, p]));
    assert.deepEqual(asked.sort(), group.map(([address]) => target(address)).sort());
  }
});

test('constructed values arrive in their text forms', async () => {
  const { values } = await read(DEVICE, ['DEV:2001:OBJECT-LIST']);
  assert.equal(values['DEV:2001:OBJECT-LIST'].value, '(8:2001)(2:1)(2:2)(0:1)(5:1)(19:1)(2:90)(2:91)(2:92)');
  const states = await read(DEVICE, ['MSV:1:STATE-TEXT']);
  assert.equal(states.values['MSV:1:STATE-TEXT'].value, 'Low|Medium|High');
});

test('error answers give their statuses, alone and inside ReadPropertyMultiple', async () => {
  const object = await read(DEVICE, ['AV:99:PRESENT-VALUE']);
  assert.equal(object.status, 14); // unknown object
  const property = await read(DEVICE, ['AV:1:PROFILE-NAME']);
  assert.equal(property.status, 15); // unknown property

  // The device answers the good property and puts the error in its place.
  const mixed = await read(DEVICE, ['AV:1:PRESENT-VALUE', 'AV:1:PROFILE-NAME']);
  assert.equal(mixed.status, 15);
  assert.equal(mixed.values['AV:1:PRESENT-VALUE'].quality, 192);
  assert.equal(mixed.values['AV:1:PRESENT-VALUE'].value, '21.5');
  assert.equal(mixed.values['AV:1:PROFILE-NAME'].quality, 0);
  const missing = await read(DEVICE, ['AV:1:PRESENT-VALUE', 'AV:77:PRESENT-VALUE']);
  assert.equal(missing.status, 14);
  assert.equal(missing.values['AV:1:PRESENT-VALUE'].quality, 192);
});

test('writes with a priority, a relinquish with Null, and a refused write', async () => {
  const written = await write(DEVICE, 'AV:1:PRESENT-VALUE:8', '42.5');
  assert.equal(written.status, 0, written.stdout);
  let request = lastRequest('write-property');
  assert.equal(request.priority, 8);
  assert.deepEqual(request.values, [{ type: 4, value: 42.5 }]); // Real
  let after = await read(DEVICE, ['AV:1:PRESENT-VALUE', 'AV:1:PRIORITY-ARRAY']);
  assert.equal(after.values['AV:1:PRESENT-VALUE'].value, '42.5');
  assert.equal(after.values['AV:1:PRIORITY-ARRAY'].value, [...Array(7).fill('NULL'), '42.5', ...Array(8).fill('NULL')].join('|'));

  const relinquished = await write(DEVICE, 'AV:1:PRESENT-VALUE:8', 'NULL', ['--null-value', 'NULL']);
  assert.equal(relinquished.status, 0, relinquished.stdout);
  request = lastRequest('write-property');
  assert.equal(request.priority, 8);
  assert.deepEqual(request.values, [{ type: 0, value: null }]); // Null
  after = await read(DEVICE, ['AV:1:PRESENT-VALUE']);
  assert.equal(after.values['AV:1:PRESENT-VALUE'].value, '21.5'); // the relinquish default

  const binary = await write(DEVICE, 'BV:1:PRESENT-VALUE:16', '1');
  assert.equal(binary.status, 0, binary.stdout);
  assert.deepEqual(lastRequest('write-property').values, [{ type: 9, value: 1 }]); // Enumerated
  const multi = await write(DEVICE, 'MSV:1:PRESENT-VALUE', '3');
  assert.equal(multi.status, 0, multi.stdout);
  assert.deepEqual(lastRequest('write-property').values, [{ type: 2, value: 3 }]); // Unsigned
  assert.equal((await read(DEVICE, ['MSV:1:PRESENT-VALUE'])).values['MSV:1:PRESENT-VALUE'].value, '3');

  const refused = await write(DEVICE, 'AV:1:OBJECT-NAME', 'renamed');
  assert.equal(refused.status, 16); // write access denied
});

test('a network:device station is bound by Who-Is and I-Am', async () => {
  const before = device.requests.length;
  const { values, code } = await read(STATION, ['AV:2:PRESENT-VALUE']);
  assert.equal(code, 0);
  assert.equal(values['AV:2:PRESENT-VALUE'].value, '-3.25');
  const whoIs = device.requests.slice(before).find((r) => r.service === 'who-is');
  assert.ok(whoIs, 'the device heard no Who-Is');
  assert.equal(whoIs.source, DRIVER);
  assert.deepEqual([whoIs.lowLimit, whoIs.highLimit], [DEVICE_INSTANCE, DEVICE_INSTANCE]);
});

// A station behind a router: DNET 5, DADR 0A. The device is no router; what
// counts is the frame, which the Wireshark check below reads.
const routedRequests = new Set(); // what the device made of them, if anything
test('a station behind a router is read with its network and MAC', async () => {
  const before = device.requests.length;
  const { status, code } = await read(`${DEVICE}:5:${DEVICE_INSTANCE}:0A`, ['AV:1:PRESENT-VALUE'], { service: null });
  for (const r of device.requests.slice(before)) routedRequests.add(r);
  assert.ok(code === 0 || status === -15, `code ${code}, status ${status}`);
});

test('a long property comes in segments, acknowledged window by window', async () => {
  const logStart = device.responder.log.length;
  const { values, code } = await read(STATION, ['AV:2:DESCRIPTION']);
  assert.equal(code, 0);
  assert.equal(values['AV:2:DESCRIPTION'].value, device.longText);
  const log = device.responder.log.slice(logStart);
  const start = log.find((e) => e.event === 'start');
  assert.equal(start.segments, 4);
  // The first segment alone, then windows of two; the final segment is acknowledged too.
  assert.deepEqual(log.filter((e) => e.event === 'segment').map((e) => e.sequence), [0, 1, 2, 3]);
  const acks = log.filter((e) => e.event === 'ack');
  assert.deepEqual(acks.map((e) => [e.sequence, e.window, e.negative, e.fromServer]),
    [[0, 2, false, false], [2, 2, false, false], [3, 2, false, false]]);
  assert.equal(log.at(-1).event, 'done');
});

test('a lost segment is asked for again with a negative Segment-ACK and the value arrives whole', async () => {
  // The driver joins segments by sequence number: the gap behind the lost
  // segment is answered with a negative Segment-ACK naming the last segment
  // received in order, and the device resends from there (README:
  // Interoperability notes).
  const logStart = device.responder.log.length;
  device.responder.dropOnce.add(1);
  const { values, code } = await read(STATION, ['AV:2:DESCRIPTION']);
  assert.equal(code, 0);
  assert.equal(values['AV:2:DESCRIPTION'].value, device.longText);
  const log = device.responder.log.slice(logStart);
  assert.deepEqual(log.filter((e) => e.event === 'segment').map((e) => [e.sequence, e.dropped]),
    [[0, false], [1, true], [2, false], [1, false], [2, false], [3, false]]);
  assert.deepEqual(log.filter((e) => e.event === 'ack').map((e) => [e.sequence, e.negative]),
    [[0, false], [0, true], [2, false], [3, false]]);
});

test('a long property read from a station given by its address comes in segments', async () => {
  // Every read accepts a segmented answer, whatever the station form (README: Interoperability notes).
  const logStart = device.responder.log.length;
  const { values, code } = await read(DEVICE, ['AV:2:DESCRIPTION']);
  assert.equal(code, 0);
  assert.equal(values['AV:2:DESCRIPTION'].value, device.longText);
  const events = device.responder.log.slice(logStart).map((e) => e.event);
  assert.equal(events[0], 'start');
  assert.equal(events.at(-1), 'done');
});

test("a third-party client reads the driver's own Device object", async () => {
  const tags = path.join(OUT, 'tags.csv');
  fs.writeFileSync(tags, `zone,${DEVICE},AV:2:PRESENT-VALUE\n`);
  // The driver answers peers while a host keeps it polling.
  const poll = run(VORNE, ['poll', '--tags', tags, ...COMMON, '--interval', '200', '--count', '25', '--json',
    '--log', path.join(OUT, 'poll.log')]);
  const pollStart = device.requests.length;
  const reader = new DriverReader({ address: READER });
  await reader.listening();
  await new Promise((resolve) => setTimeout(resolve, 500));
  // The driver sends no I-Am; a client that knows its address reads the
  // Device object by the instance that means "the device I am talking to".
  const self = { type: 8, instance: 4194303 };
  try {
    const name = await reader.readProperty(DRIVER, self, 77);
    assert.deepEqual(name.values, [{ type: 7, value: 'SCADA', encoding: 0 }]);
    assert.deepEqual(name.objectId, self);
    const vendor = await reader.readProperty(DRIVER, self, 121);
    assert.deepEqual(vendor.values, [{ type: 7, value: 'SCADA VENDOR', encoding: 0 }]);
    const services = await reader.readProperty(DRIVER, self, 97);
    const bits = services.values[0].value;
    const bit = (n) => (bits.value[n >> 3] >> (n & 7)) & 1;
    assert.equal(services.values[0].type, 8);
    assert.deepEqual([bit(12), bit(14), bit(15)], [1, 1, 1], 'ReadProperty, ReadPropertyMultiple, WriteProperty');
    const unknown = await reader.readProperty(DRIVER, self, 4);
    assert.equal(unknown.error, 'BacnetError - Class:2 - Code:32'); // property, unknown-property

    const many = await reader.readPropertyMultiple(DRIVER, self, [77, 121, 97]);
    assert.ok(!many.error, many.error);
    assert.deepEqual(many.results[0].objectId, self);
    const results = many.results[0].values;
    assert.deepEqual(results.map((v) => v.id), [77, 121, 97]);
    assert.deepEqual(results.map((v) => [v.value[0].type, v.value[0].value]).slice(0, 2),
      [[7, 'SCADA'], [7, 'SCADA VENDOR']]);
    assert.deepEqual(results[2].value[0].value, services.values[0].value);
    // One unknown property makes the whole answer an Error (README: Interoperability notes).
    const withUnknown = await reader.readPropertyMultiple(DRIVER, self, [77, 4]);
    assert.equal(withUnknown.error, 'BacnetError - Class:2 - Code:32');
  } finally {
    reader.close();
  }
  const polled = await poll;
  const cycles = polled.stdout.trim().split('\n').map((line) => JSON.parse(line));
  assert.ok(cycles.length >= 20 && cycles.every((c) => c.status === undefined || c.status === 0), polled.stdout);
  for (const r of device.requests.slice(pollStart)) {
    if (r.service === 'read-property') expectedRequests.push({ service: SERVICE.readProperty, targets: [[2, 2, 85]] });
  }
});

// Fields of one frame as numbers.
const field = (frame, name) => frames.numbers(frame, name);

test('Wireshark decodes every BACnet/IP frame cleanly and as sent', async () => {
  await capture.stop();
  capture = null;
  const decoded = frames.decode(path.join(OUT, 'udp.pcap'))
    .filter((f) => frames.first(f, 'ip.dst') !== PROBE && frames.first(f, 'ip.src') !== PROBE);
  const bad = decoded.map((f) => [f['frame.number'][0], frames.problems(f)]).filter(([, p]) => p.length > 0);
  assert.deepEqual(bad, [], 'frames Wireshark finds malformed or in error');
  const src = (f) => frames.first(f, 'ip.src');
  const dst = (f) => frames.first(f, 'ip.dst');
  assert.ok(decoded.every((f) => (f['frame.protocols'][0] || '').includes('bvlc:bacnet:bacapp')), 'every frame is BACnet');

  // The driver's confirmed requests: service, objects and properties as asked, in order.
  const requests = decoded.filter((f) => src(f) === DRIVER && field(f, 'bacapp.type')[0] === 0);
  // Objects and properties compared as sets: a ReadPropertyMultiple lists
  // each object once, with its properties behind it.
  const shape = (targets) => ({
    objects: [...new Set(targets.map(([type, instance]) => `${type}:${instance}`))].sort(),
    properties: targets.map(([, , property]) => property).sort((a, b) => a - b),
  });
  const seen = requests.map((f) => {
    const types = field(f, 'bacapp.objectType');
    const instances = field(f, 'bacapp.instance_number');
    return {
      service: field(f, 'bacapp.confirmed_service')[0],
      shape: {
        objects: [...new Set(types.map((type, i) => `${type}:${instances[i]}`))].sort(),
        properties: field(f, 'bacapp.property_identifier').sort((a, b) => a - b),
      },
      invokeId: field(f, 'bacapp.invoke_id')[0],
      frame: f,
    };
  });
  const routed = seen.filter((r) => field(r.frame, 'bacnet.dnet').length > 0);
  assert.ok(routed.length >= 1, 'no request to the routed station');
  for (const r of routed) {
    assert.equal(frames.first(r.frame, 'bacnet.control'), '0x24');
    assert.deepEqual([field(r.frame, 'bacnet.dnet'), field(r.frame, 'bacnet.dlen'), field(r.frame, 'bacnet.hopc')],
      [[5], [1], [255]]);
  }
  const toDevice = seen.filter((r) => dst(r.frame) === DEVICE && !routed.includes(r));
  assert.deepEqual(toDevice.map((r) => r.service), expectedRequests.map((r) => r.service));
  toDevice.forEach((r, i) => assert.deepEqual(r.shape, shape(expectedRequests[i].targets), `request ${i}`));

  // The device decoded the same invoke IDs, and every request got its answer with that ID.
  const deviceSaw = device.requests.filter((r) => r.invokeId !== undefined && r.source === DRIVER &&
    !routedRequests.has(r));
  assert.deepEqual(toDevice.map((r) => r.invokeId), deviceSaw.map((r) => r.invokeId));
  for (const r of toDevice) {
    const answered = decoded.some((f) => src(f) === DEVICE && dst(f) === DRIVER &&
      field(f, 'bacapp.invoke_id')[0] === r.invokeId && [2, 3, 5, 7].includes(field(f, 'bacapp.type')[0]) &&
      Number(f['frame.number'][0]) > Number(r.frame['frame.number'][0]));
    assert.ok(answered, `request with invoke ID ${r.invokeId} unanswered in the capture`);
  }

  // Who-Is: a global broadcast for exactly the one device, sent to the
  // broadcast address as an Original-Broadcast-NPDU, the only form a
  // conforming device accepts there; nothing else the driver sends is one.
  const whoIs = decoded.filter((f) => src(f) === DRIVER && field(f, 'bacapp.unconfirmed_service')[0] === 8);
  assert.ok(whoIs.length >= 1);
  const broadcasts = decoded.filter((f) => src(f) === DRIVER && frames.first(f, 'bvlc.function') === '0x0b');
  assert.deepEqual(broadcasts.map((f) => f['frame.number'][0]), whoIs.map((f) => f['frame.number'][0]));
  for (const f of whoIs) {
    assert.equal(dst(f), BROADCAST);
    assert.equal(frames.first(f, 'bvlc.function'), '0x0b');
    assert.deepEqual(field(f, 'bacnet.dnet'), [65535]);
    assert.deepEqual(field(f, 'bacnet.hopc'), [255]);
    assert.deepEqual([field(f, 'bacapp.who_is.low_limit')[0], field(f, 'bacapp.who_is.high_limit')[0]],
      [DEVICE_INSTANCE, DEVICE_INSTANCE]);
  }

  // Segment-ACKs: sent by the client (SRV 0), for the segments the responder
  // logged; negative (NAK) where a gap asked for a segment again.
  const acks = decoded.filter((f) => src(f) === DRIVER && field(f, 'bacapp.type')[0] === 4);
  assert.deepEqual(acks.map((f) => [field(f, 'bacapp.sequence_number')[0], field(f, 'bacapp.window_size')[0],
    field(f, 'bacapp.NAK')[0], field(f, 'bacapp.SRV')[0]]),
  device.responder.log.filter((e) => e.event === 'ack').map((e) => [e.sequence, e.window, e.negative ? 1 : 0, 0]));

  // The driver's answers to the third-party client: ComplexACKs and Errors
  // carrying the client's invoke IDs, about the object and properties asked.
  const answers = decoded.filter((f) => src(f) === DRIVER && dst(f) === READER);
  const questions = decoded.filter((f) => src(f) === READER && dst(f) === DRIVER);
  assert.equal(answers.length, questions.length);
  questions.forEach((q, i) => {
    const a = answers[i];
    assert.equal(field(a, 'bacapp.invoke_id')[0], field(q, 'bacapp.invoke_id')[0]);
    assert.equal(field(a, 'bacapp.confirmed_service')[0], field(q, 'bacapp.confirmed_service')[0]);
    if (field(a, 'bacapp.type')[0] === 3) {
      assert.deepEqual(field(a, 'bacapp.property_identifier'), field(q, 'bacapp.property_identifier'));
      assert.deepEqual(field(a, 'bacapp.instance_number').slice(0, 1), [4194303]);
    } else {
      assert.equal(field(a, 'bacapp.type')[0], 5);
      assert.deepEqual([field(a, 'bacapp.error_class')[0], field(a, 'bacapp.error_code')[0]], [2, 32]);
    }
  });
});

test('Wireshark decodes the MS/TP frames of the MS/TP line tests cleanly and as sent', async (t) => {
  if (!fs.existsSync(UNIT_TESTS)) {
    t.skip(`no unit test program at ${UNIT_TESTS}`);
    return;
  }
  const dump = path.join(OUT, 'mstp-frames.hex');
  fs.rmSync(dump, { force: true });
  const result = await run(UNIT_TESTS, ['--gtest_filter=MstpLineTest.*'], { env: { VORNE_MSTP_FRAME_DUMP: dump } });
  assert.equal(result.code, 0, result.stdout.slice(-2000));
  const octets = fs.readFileSync(dump, 'utf8').trim().split('\n').map((line) => line.split(' ').map((h) => parseInt(h, 16)));
  const pcap = path.join(OUT, 'mstp.pcap');
  frames.mstpPcap(octets, pcap);
  const decoded = frames.decode(pcap);
  assert.equal(decoded.length, octets.length);
  const bad = decoded.map((f) => [f['frame.number'][0], frames.problems(f)]).filter(([, p]) => p.length > 0);
  assert.deepEqual(bad, []);
  for (const f of decoded) assert.equal(frames.first(f, 'mstp.checksum.status'), '1');

  // The driver (station 1) sends ReadProperty and WriteProperty of AV:3 PRESENT-VALUE.
  const fromDriver = decoded.filter((f) => field(f, 'mstp.src')[0] === 1);
  assert.ok(fromDriver.length >= 40);
  for (const f of fromDriver) {
    assert.equal(field(f, 'mstp.frame_type')[0], 6); // Data Not Expecting Reply, requests included
    assert.equal(field(f, 'bacapp.type')[0], 0);
    assert.ok([SERVICE.readProperty, SERVICE.writeProperty].includes(field(f, 'bacapp.confirmed_service')[0]));
    assert.deepEqual([field(f, 'bacapp.objectType')[0], field(f, 'bacapp.instance_number')[0],
      field(f, 'bacapp.property_identifier')[0]], [2, 3, 85]);
  }
  // Each of the device's answers carries the invoke ID of the request before it.
  let lastInvokeId;
  for (const f of decoded) {
    const type = field(f, 'bacapp.type')[0];
    if (field(f, 'mstp.src')[0] === 1) lastInvokeId = field(f, 'bacapp.invoke_id')[0];
    else if (type === 2 || type === 3) assert.equal(field(f, 'bacapp.invoke_id')[0], lastInvokeId);
  }
});

test('the frame checks themselves flag a bad CRC and a malformed frame', async (t) => {
  const dump = path.join(OUT, 'mstp-frames.hex');
  if (!fs.existsSync(dump)) {
    t.skip('no MS/TP frames were dumped');
    return;
  }
  const good = fs.readFileSync(dump, 'utf8').split('\n')[0].split(' ').map((h) => parseInt(h, 16));
  const badData = good.slice();
  badData[badData.length - 1] ^= 0xff;
  const badHeader = good.slice();
  badHeader[7] ^= 0xff;
  const truncated = good.slice(0, 8 + 2).concat([0xbb, 0x50]); // the NPDU without its APDU
  truncated[5] = 0;
  truncated[6] = 2;
  truncated[7] = 0x27;
  const pcap = path.join(OUT, 'faults.pcap');
  frames.mstpPcap([good, badData, badHeader, truncated], pcap);
  assert.deepEqual(frames.decode(pcap).map((f) => frames.problems(f).length > 0), [false, true, true, true]);
});
