// The peer of the scan benchmark: @bacnet-js/client reads the same tags from
// the same simulated device, one request at a time, as fast as it can.
//   node scan.js DEVICE_IP DEVICE_PORT TAGS SECONDS
// TAGS is 1 (a ReadProperty of AV 1 present-value) or 100 (a
// ReadPropertyMultiple of present-value and relinquish-default of AV 1..50).
// Prints one JSON line: scans, seconds, p50_us, p99_us, errors.
'use strict';
const Bacnet = require('@bacnet-js/client').default;

const [deviceIp, devicePort, tagText, secondsText] = process.argv.slice(2);
const tags = Number(tagText);
const seconds = Number(secondsText);
const ANALOG_VALUE = 2;
const PRESENT_VALUE = 85;
const RELINQUISH_DEFAULT = 104;
const ALL_INDEXES = 0xffffffff;

const client = new Bacnet({ port: 0, interface: '127.0.0.1', apduTimeout: 3000 });
const receiver = { address: `${deviceIp}:${devicePort}` };
const objects = [];
for (let i = 1; i <= 50; i++)
  objects.push({
    objectId: { type: ANALOG_VALUE, instance: i },
    properties: [{ id: PRESENT_VALUE, index: ALL_INDEXES }, { id: RELINQUISH_DEFAULT, index: ALL_INDEXES }],
  });

function scanOnce() {
  if (tags === 1) return client.readProperty(receiver, { type: ANALOG_VALUE, instance: 1 }, PRESENT_VALUE);
  return client.readPropertyMultiple(receiver, objects);
}

function valuesIn(answer) {
  if (tags === 1) return answer.values.length;
  let n = 0;
  for (const object of answer.values) for (const result of object.values) n += result.value.length > 0 ? 1 : 0;
  return n;
}

async function main() {
  const samples = [];
  let errors = 0;
  for (let i = 0; i < 20; i++) await scanOnce();  // warm up: JIT and ARP-free loopback alike
  const start = process.hrtime.bigint();
  const end = start + BigInt(Math.round(seconds * 1e9));
  for (;;) {
    const t0 = process.hrtime.bigint();
    if (t0 >= end) break;
    try {
      const answer = await scanOnce();
      if (valuesIn(answer) !== tags) errors++;
    } catch (e) {
      errors++;
    }
    samples.push(Number(process.hrtime.bigint() - t0) / 1000);
  }
  const elapsed = Number(process.hrtime.bigint() - start) / 1e9;
  samples.sort((a, b) => a - b);
  const at = (q) => (samples.length ? samples[Math.min(samples.length - 1, Math.round(q * (samples.length - 1)))] : 0);
  console.log(JSON.stringify({ scans: samples.length, seconds: elapsed, p50_us: at(0.5), p99_us: at(0.99), errors }));
  client.close();
}

main().catch((e) => {
  console.error(String(e));
  process.exit(1);
});
