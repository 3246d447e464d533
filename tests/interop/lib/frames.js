'use strict';
// Wireshark's dissectors as an independent reader of our frames: a capture
// on the loopback interface (tshark), text2pcap for MS/TP frames given as
// hex, and the decoded fields of every frame.
const { spawn, execFileSync } = require('child_process');
const dgram = require('dgram');
const fs = require('fs');

const FIELDS = [
  'frame.number', 'ip.src', 'ip.dst', 'udp.srcport', 'bvlc.function', 'bvlc.length', 'bacnet.control',
  'bacnet.dnet', 'bacnet.dlen', 'bacnet.hopc', 'bacapp.type', 'bacapp.SA', 'bacapp.max_adpu_size',
  'bacapp.invoke_id', 'bacapp.confirmed_service', 'bacapp.unconfirmed_service', 'bacapp.objectType',
  'bacapp.instance_number', 'bacapp.property_identifier', 'bacapp.sequence_number', 'bacapp.window_size',
  'bacapp.NAK', 'bacapp.SRV', 'bacapp.error_class', 'bacapp.error_code', 'bacapp.who_is.low_limit',
  'bacapp.who_is.high_limit', 'mstp.frame_type', 'mstp.dst', 'mstp.src', 'mstp.len', 'mstp.checksum.status',
  '_ws.expert.severity', '_ws.expert.message', '_ws.malformed', 'frame.protocols',
];
const SEVERITY_ERROR = 8388608; // Wireshark's expert "Error": malformed, bad checksum

// A Who-Is to nobody: written to the capture once it really records.
const PROBE = Buffer.from('810a000c0120ffff00ff1008', 'hex');
const PCAP_HEADER = 24;

// Sends probes to probeAddress (which the filter must let through) until the
// capture file holds one behind its first `from` bytes: tshark says it
// captures a moment before it does, and writes what it captured a moment
// after it arrived. Once a probe sent now is in the file, so is every frame
// that came before it.
async function awaitProbe(file, probeAddress, from) {
  const socket = dgram.createSocket('udp4');
  await new Promise((resolve) => socket.bind(0, probeAddress, resolve));
  const probeWritten = () => fs.existsSync(file) && fs.readFileSync(file).subarray(from).includes(PROBE);
  try {
    for (let waited = 0; !probeWritten(); waited += 100) {
      if (waited > 30000) throw new Error('the capture recorded no probe within 30 s');
      socket.send(PROBE, 47808, probeAddress);
      await new Promise((resolve) => setTimeout(resolve, 100));
    }
  } finally {
    socket.close();
  }
}

const fileSize = (file) => (fs.existsSync(file) ? fs.statSync(file).size : 0);

// Starts tshark on lo; resolves once it records. stop() ends it and waits for the file.
async function startCapture({ file, filter, probeAddress, iface = 'lo' }) {
  fs.rmSync(file, { force: true });
  const tshark = spawn('tshark', ['-i', iface, '-f', filter, '-F', 'pcap', '-w', file, '-q'],
    { stdio: ['ignore', 'ignore', 'pipe'] });
  let stderr = '';
  await new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error(`tshark did not start capturing within 30 s: ${stderr}`)), 30000);
    tshark.stderr.on('data', (chunk) => {
      stderr += chunk;
      if (stderr.includes('Capturing on')) {
        clearTimeout(timer);
        resolve();
      }
    });
    tshark.on('exit', (code) => {
      clearTimeout(timer);
      reject(new Error(`tshark ended (${code}) before capturing: ${stderr}`));
    });
  });
  await awaitProbe(file, probeAddress, PCAP_HEADER);
  return {
    // Ends the capture once everything sent before the call is in the file.
    stop: async () => {
      await awaitProbe(file, probeAddress, fileSize(file));
      await new Promise((resolve) => {
        tshark.removeAllListeners('exit');
        tshark.on('exit', () => resolve());
        tshark.kill('SIGINT');
      });
    },
  };
}

// Every frame of a capture as {field: [values]}; decodeAs maps a UDP port to BVLC.
function decode(file, { decodeAs = [] } = {}) {
  const args = ['-r', file, '-T', 'json'];
  for (const port of decodeAs) args.push('-d', `udp.port==${port},bvlc`);
  for (const field of FIELDS) args.push('-e', field);
  const out = execFileSync('tshark', args, { maxBuffer: 64 << 20, stdio: ['ignore', 'pipe', 'ignore'] }).toString();
  return JSON.parse(out || '[]').map((packet) => packet._source.layers);
}

// MS/TP frames (arrays of octets) to a pcap of link type 165, BACnet MS/TP.
function mstpPcap(frames, file) {
  const lines = [];
  for (const octets of frames) {
    for (let at = 0; at < octets.length; at += 16) {
      const row = octets.slice(at, at + 16).map((b) => b.toString(16).padStart(2, '0')).join(' ');
      lines.push(`${at.toString(16).padStart(6, '0')} ${row}`);
    }
  }
  fs.writeFileSync(`${file}.txt`, `${lines.join('\n')}\n`);
  execFileSync('text2pcap', ['-q', '-l', '165', `${file}.txt`, file], { stdio: 'ignore' });
}

const first = (frame, field) => (frame[field] ? frame[field][0] : undefined);
const numbers = (frame, field) => (frame[field] || []).map((x) => Number(x));

// Wireshark's complaints about a frame: malformed, or an expert error.
function problems(frame) {
  const found = [];
  if (frame['_ws.malformed']) found.push('malformed');
  (frame['_ws.expert.severity'] || []).forEach((severity, i) => {
    if (Number(severity) >= SEVERITY_ERROR) found.push(frame['_ws.expert.message'][i]);
  });
  if (frame['mstp.checksum.status'] && frame['mstp.checksum.status'].some((s) => s !== '1')) found.push('bad MS/TP checksum');
  return found;
}

module.exports = { startCapture, decode, mstpPcap, problems, first, numbers };
