'use strict';
// A small segmenting responder of our own. @bacnet-js/client does not send
// segmented answers, so the device answers ReadProperty of its one long
// property here: the ComplexACK is cut into segments that fit the client's
// max-APDU, sent one window at a time, and each window waits for the
// client's Segment-ACK (ASHRAE 135 clause 5.4.5, the server's side).
const { BACNET_PORT } = require('./loopback_transport');

const MAX_APDU = [50, 128, 206, 480, 1024, 1476];
const SERVICE_READ_PROPERTY = 12;
const SEGMENT_HEADER = 5; // type, invoke ID, sequence, window, service
const RESEND_MS = 1000;
const RESENDS = 3;

// NPDU of a frame: the offset of its APDU, or -1 for a network message.
function apduOffset(frame) {
  if (frame.length < 6 || frame[0] !== 0x81 || frame[4] !== 0x01) return -1;
  const control = frame[5];
  if (control & 0x80) return -1;
  let at = 6;
  if (control & 0x20) at += 3 + frame[at + 2];
  if (control & 0x08) at += 3 + frame[at + 2];
  if (control & 0x20) at += 1; // hop count
  return at < frame.length ? at : -1;
}

function readPropertyRequest(apdu) {
  if (apdu.length < 11 || (apdu[0] & 0xf8) !== 0x00 || apdu[3] !== SERVICE_READ_PROPERTY) return null;
  if (apdu[4] !== 0x0c) return null;
  const id = apdu.readUInt32BE(5);
  const tag = apdu[9];
  if ((tag & 0xf8) !== 0x18) return null;
  const length = tag & 0x07;
  if (length < 1 || length > 4 || apdu.length < 10 + length) return null;
  return {
    segmentedResponseAccepted: (apdu[0] & 0x02) !== 0,
    maxApdu: MAX_APDU[apdu[1] & 0x0f] || 50,
    invokeId: apdu[2],
    objectId: { type: id >>> 22, instance: id & 0x3fffff },
    propertyId: apdu.readUIntBE(10, length),
    hasIndex: apdu.length > 10 + length,
  };
}

function characterString(text) {
  const body = Buffer.concat([Buffer.from([0x00]), Buffer.from(text, 'utf8')]);
  let head;
  if (body.length <= 4) head = Buffer.from([0x70 | body.length]);
  else if (body.length <= 253) head = Buffer.from([0x75, body.length]);
  else head = Buffer.from([0x75, 0xfe, body.length >> 8, body.length & 0xff]);
  return Buffer.concat([head, body]);
}

// The ReadProperty-ACK's service data for a character string value.
function readPropertyAckData(objectId, propertyId, text) {
  const id = Buffer.alloc(4);
  id.writeUInt32BE(((objectId.type << 22) | objectId.instance) >>> 0);
  const property = propertyId < 256 ? Buffer.from([0x19, propertyId]) : Buffer.from([0x1a, propertyId >> 8, propertyId & 0xff]);
  return Buffer.concat([Buffer.from([0x0c]), id, property, Buffer.from([0x3e]), characterString(text), Buffer.from([0x3f])]);
}

function unicastFrame(npduControl, apdu) {
  const frame = Buffer.concat([Buffer.from([0x81, 0x0a, 0, 0, 0x01, npduControl]), apdu]);
  frame.writeUInt16BE(frame.length, 2);
  return frame;
}

class SegmentingResponder {
  // longText(objectId, propertyId) gives the text this responder serves, or
  // null; onRequest sees each request it takes.
  constructor(transport, longText, { window = 2, onRequest = () => {} } = {}) {
    this.transport = transport;
    this.longText = longText;
    this.onRequest = onRequest;
    this.window = window;
    this.log = []; // what happened, in order: segments sent, acknowledgements received
    this.dropOnce = new Set(); // sequence numbers to lose on their first sending, as a line may
    this.transfers = new Map(); // by peer and invoke ID
    transport.rawHook = (frame, rinfo) => this.onFrame(frame, rinfo);
  }

  onFrame(frame, rinfo) {
    const at = apduOffset(frame);
    if (at < 0) return false;
    const apdu = frame.subarray(at);
    if ((apdu[0] & 0xf0) === 0x40 && apdu.length >= 4) return this.onSegmentAck(apdu, rinfo);
    const request = readPropertyRequest(apdu);
    if (!request || request.hasIndex) return false;
    const text = this.longText(request.objectId, request.propertyId);
    if (text === null) return false;
    this.onRequest(request, rinfo);
    this.answer(request, text, rinfo);
    return true;
  }

  answer(request, text, peer) {
    const data = readPropertyAckData(request.objectId, request.propertyId, text);
    const room = request.maxApdu - SEGMENT_HEADER;
    if (data.length + 3 <= request.maxApdu) {
      const apdu = Buffer.concat([Buffer.from([0x30, request.invokeId, SERVICE_READ_PROPERTY]), data]);
      this.transport.sendRaw(unicastFrame(0x00, apdu), peer.address, peer.port);
      return;
    }
    if (!request.segmentedResponseAccepted) {
      this.log.push({ event: 'abort', invokeId: request.invokeId, reason: 'segmentation-not-supported' });
      this.transport.sendRaw(unicastFrame(0x00, Buffer.from([0x71, request.invokeId, 0x04])), peer.address, peer.port);
      return;
    }
    const segments = [];
    for (let i = 0; i < data.length; i += room) segments.push(data.subarray(i, i + room));
    const transfer = { peer, invokeId: request.invokeId, segments, next: 0, acknowledged: -1, timer: null, resends: 0 };
    this.transfers.set(this.key(peer, request.invokeId), transfer);
    this.log.push({ event: 'start', invokeId: request.invokeId, segments: segments.length, bytes: data.length });
    this.sendWindow(transfer, 1); // the first segment goes alone
  }

  key(peer, invokeId) {
    return `${peer.address}:${peer.port}/${invokeId}`;
  }

  sendWindow(transfer, size) {
    clearTimeout(transfer.timer);
    const last = Math.min(transfer.acknowledged + size, transfer.segments.length - 1);
    for (let sequence = transfer.acknowledged + 1; sequence <= last; ++sequence) {
      const more = sequence < transfer.segments.length - 1;
      const head = Buffer.from([more ? 0x3c : 0x38, transfer.invokeId, sequence & 0xff, this.window, SERVICE_READ_PROPERTY]);
      const dropped = this.dropOnce.delete(sequence);
      this.log.push({ event: 'segment', invokeId: transfer.invokeId, sequence, more, dropped });
      if (dropped) continue;
      // Segments of a ComplexACK expect a reply (the Segment-ACK).
      this.transport.sendRaw(unicastFrame(0x04, Buffer.concat([head, transfer.segments[sequence]])), transfer.peer.address,
        transfer.peer.port);
    }
    transfer.timer = setTimeout(() => {
      if (++transfer.resends > RESENDS) {
        this.log.push({ event: 'gave-up', invokeId: transfer.invokeId });
        this.transfers.delete(this.key(transfer.peer, transfer.invokeId));
        return;
      }
      this.sendWindow(transfer, size);
    }, RESEND_MS);
  }

  onSegmentAck(apdu, peer) {
    const ack = { event: 'ack', invokeId: apdu[1], sequence: apdu[2], window: apdu[3],
      negative: (apdu[0] & 0x02) !== 0, fromServer: (apdu[0] & 0x01) !== 0 };
    const transfer = this.transfers.get(this.key(peer, ack.invokeId));
    if (!transfer) return false;
    this.log.push(ack);
    if (ack.fromServer || ack.window < 1) return true;
    transfer.acknowledged = ack.sequence;
    transfer.resends = 0;
    if (ack.sequence >= transfer.segments.length - 1) {
      clearTimeout(transfer.timer);
      this.transfers.delete(this.key(peer, ack.invokeId));
      this.log.push({ event: 'done', invokeId: ack.invokeId });
      return true;
    }
    this.sendWindow(transfer, Math.min(ack.window, this.window));
    return true;
  }

  close() {
    for (const transfer of this.transfers.values()) clearTimeout(transfer.timer);
    this.transfers.clear();
  }
}

module.exports = { SegmentingResponder, BACNET_PORT };
