'use strict';
// A BACnet/IP device on @bacnet-js/client: analog, binary and multi-state
// objects and the Device object, answering Who-Is, ReadProperty,
// ReadPropertyMultiple (with errors property by property) and WriteProperty
// through the library's event handlers and responses. One long property is
// answered in segments by our own responder. Every request is logged as the
// library decoded it, for the frame checks.
const Bacnet = require('@bacnet-js/client');
const { LoopbackTransport } = require('./loopback_transport');
const { SegmentingResponder } = require('./segmenting_responder');

const { ApplicationTag: T, ObjectType: O, PropertyIdentifier: P, ErrorClass, ErrorCode } = Bacnet;
const BacnetClient = Bacnet.default;
const ARRAY_ALL = 0xffffffff;

const DEVICE_INSTANCE = 2001;
const LONG_TEXT_LENGTH = 4600; // four segments of a 1476-octet APDU

// The long description: readable, and every part of it checkable.
function longText() {
  let text = '';
  for (let line = 0; text.length < LONG_TEXT_LENGTH; ++line) text += `line ${String(line).padStart(4, '0')} of the long description. `;
  return text.slice(0, LONG_TEXT_LENGTH);
}

const v = (type, value) => ({ type, value });
const bits = (...set) => {
  const bitsUsed = set.shift();
  const value = [];
  for (let i = 0; i < Math.ceil(bitsUsed / 8); ++i) value.push(0);
  for (const bit of set) value[bit >> 3] |= 1 << (bit & 7);
  return v(T.BIT_STRING, { bitsUsed, value });
};
const text = (s) => v(T.CHARACTER_STRING, s);
const key = (type, instance) => `${type}:${instance}`;

// Commandable present values follow their priority array (ASHRAE 135 clause 19.2).
function commandable(object, valueType, relinquishDefault) {
  object.priorities = new Array(16).fill(null);
  object.valueType = valueType;
  object.props[P.RELINQUISH_DEFAULT] = [v(valueType, relinquishDefault)];
  object.props[P.PRIORITY_ARRAY] = () => object.priorities.map((p) => (p === null ? v(T.NULL, null) : v(valueType, p)));
  object.props[P.PRESENT_VALUE] = () => {
    const active = object.priorities.find((p) => p !== null);
    return [v(valueType, active === undefined ? relinquishDefault : active)];
  };
  return object;
}

function buildObjects() {
  const objects = new Map();
  const add = (type, instance, name, props) => {
    const object = { type, instance, props: { [P.OBJECT_IDENTIFIER]: [v(T.OBJECTIDENTIFIER, { type, instance })],
      [P.OBJECT_NAME]: [text(name)], [P.OBJECT_TYPE]: [v(T.ENUMERATED, type)], ...props } };
    objects.set(key(type, instance), object);
    return object;
  };
  const statusFlags = { [P.STATUS_FLAGS]: [bits(4, 1)], [P.EVENT_STATE]: [v(T.ENUMERATED, 0)],
    [P.OUT_OF_SERVICE]: [v(T.BOOLEAN, false)] };

  commandable(add(O.ANALOG_VALUE, 1, 'Zone setpoint °C', { ...statusFlags, [P.UNITS]: [v(T.ENUMERATED, 62)],
    [P.COV_INCREMENT]: [v(T.REAL, 0.5)], [P.DESCRIPTION]: [text('Zone temperature setpoint')] }), T.REAL, 21.5);
  add(O.ANALOG_VALUE, 2, 'Outside air', { ...statusFlags, [P.PRESENT_VALUE]: [v(T.REAL, -3.25)],
    [P.UNITS]: [v(T.ENUMERATED, 62)], [P.DESCRIPTION]: 'segmented' });
  add(O.ANALOG_INPUT, 1, 'Supply air', { ...statusFlags, [P.PRESENT_VALUE]: [v(T.REAL, 18.75)],
    [P.UNITS]: [v(T.ENUMERATED, 62)] });
  commandable(add(O.BINARY_VALUE, 1, 'Fan command', { ...statusFlags, [P.ACTIVE_TEXT]: [text('On')],
    [P.INACTIVE_TEXT]: [text('Off')] }), T.ENUMERATED, 0);
  add(O.MULTI_STATE_VALUE, 1, 'Fan speed', { ...statusFlags, [P.PRESENT_VALUE]: [v(T.UNSIGNED_INTEGER, 2)],
    [P.NUMBER_OF_STATES]: [v(T.UNSIGNED_INTEGER, 3)],
    [P.STATE_TEXT]: [text('Low'), text('Medium'), text('High')] });
  // Present values in the remaining primitive types, as a vendor's own
  // objects may carry them.
  add(O.ANALOG_VALUE, 90, 'Null value', { [P.PRESENT_VALUE]: [v(T.NULL, null)] });
  add(O.ANALOG_VALUE, 91, 'Double value', { [P.PRESENT_VALUE]: [v(T.DOUBLE, 3.141592653589793)] });
  add(O.ANALOG_VALUE, 92, 'Octet string value', { [P.PRESENT_VALUE]: [v(T.OCTET_STRING, [0x0a, 0xff, 0x10])] });

  const list = [...objects.values()].map((o) => ({ type: o.type, instance: o.instance }));
  list.unshift({ type: O.DEVICE, instance: DEVICE_INSTANCE });
  add(O.DEVICE, DEVICE_INSTANCE, 'Interop device', {
    [P.SYSTEM_STATUS]: [v(T.ENUMERATED, 0)],
    [P.VENDOR_NAME]: [text('bacnet-js peer')],
    [P.VENDOR_IDENTIFIER]: [v(T.UNSIGNED_INTEGER, 999)],
    [P.MODEL_NAME]: [text('interop device')],
    [P.PROTOCOL_VERSION]: [v(T.UNSIGNED_INTEGER, 1)],
    [P.PROTOCOL_REVISION]: [v(T.UNSIGNED_INTEGER, 22)],
    // readProperty, readPropertyMultiple, writeProperty, i-Am, who-Is
    [P.PROTOCOL_SERVICES_SUPPORTED]: [bits(41, 12, 14, 15, 26, 34)],
    [P.OBJECT_LIST]: list.map((id) => v(T.OBJECTIDENTIFIER, id)),
    [P.MAX_APDU_LENGTH_ACCEPTED]: [v(T.UNSIGNED_INTEGER, 1476)],
    [P.SEGMENTATION_SUPPORTED]: [v(T.ENUMERATED, Bacnet.Segmentation.SEGMENTED_TRANSMIT)],
    [P.UTC_OFFSET]: [v(T.SIGNED_INTEGER, -60)],
    [P.LOCAL_DATE]: [v(T.DATE, new Date(2024, 2, 15))],
    [P.LOCAL_TIME]: [v(T.TIME, new Date(2024, 2, 15, 13, 5, 0, 500))],
    [P.DAYLIGHT_SAVINGS_STATUS]: [v(T.BOOLEAN, true)],
    [P.DATABASE_REVISION]: [v(T.UNSIGNED_INTEGER, 7)],
  });
  return objects;
}

class InteropDevice {
  constructor({ address = '127.0.0.2', port = 47808, broadcastAddress = '127.255.255.255' } = {}) {
    this.objects = buildObjects();
    this.longText = longText();
    this.requests = []; // {service, invokeId, source, objectId, propertyId, ...} as the library decoded them
    this.transport = new LoopbackTransport({ address, port, broadcastAddress });
    this.client = new BacnetClient({ transport: this.transport, apduTimeout: 2000 });
    this.responder = new SegmentingResponder(this.transport, (objectId, propertyId) =>
      (this.property(objectId, propertyId) === 'segmented' ? this.longText : null), {
      onRequest: (request, peer) => this.requests.push({ service: 'read-property', source: peer.address,
        invokeId: request.invokeId, objectId: request.objectId, propertyId: request.propertyId, index: ARRAY_ALL,
        segmentedResponseAccepted: request.segmentedResponseAccepted }),
    });
    this.client.on('whoIs', (m) => this.onWhoIs(m));
    this.client.on('readProperty', (m) => this.onReadProperty(m));
    this.client.on('readPropertyMultiple', (m) => this.onReadPropertyMultiple(m));
    this.client.on('writeProperty', (m) => this.onWriteProperty(m));
    this.client.on('error', (e) => this.requests.push({ service: 'transport-error', message: String(e) }));
  }

  listening() {
    return new Promise((resolve, reject) => {
      this.transport.once('listening', resolve);
      this.transport.once('error', reject);
    });
  }

  close() {
    this.responder.close();
    this.client.close();
  }

  object(objectId) {
    return this.objects.get(key(objectId.type, objectId.instance));
  }

  property(objectId, propertyId) {
    const object = this.object(objectId);
    return object ? object.props[propertyId] : undefined;
  }

  // The value of one property, or {errorClass, errorCode}.
  read(objectId, propertyId, index = ARRAY_ALL) {
    const object = this.object(objectId);
    if (!object) return { errorClass: ErrorClass.OBJECT, errorCode: ErrorCode.UNKNOWN_OBJECT };
    let value = object.props[propertyId];
    if (value === undefined) return { errorClass: ErrorClass.PROPERTY, errorCode: ErrorCode.UNKNOWN_PROPERTY };
    if (value === 'segmented') value = [text(this.longText)];
    if (typeof value === 'function') value = value();
    if (index === ARRAY_ALL) return { value };
    if (index === 0) return { value: [v(T.UNSIGNED_INTEGER, value.length)] };
    if (index > value.length) return { errorClass: ErrorClass.PROPERTY, errorCode: ErrorCode.INVALID_ARRAY_INDEX };
    return { value: [value[index - 1]] };
  }

  onWhoIs({ header, payload }) {
    this.requests.push({ service: 'who-is', source: header.sender.address, ...payload });
    const { lowLimit, highLimit } = payload;
    if (lowLimit !== undefined && (DEVICE_INSTANCE < lowLimit || DEVICE_INSTANCE > highLimit)) return;
    // Unicast to the asker, which a node bound to one address hears.
    this.client.iAmResponse({ address: header.sender.address }, DEVICE_INSTANCE,
      Bacnet.Segmentation.SEGMENTED_TRANSMIT, 999);
  }

  onReadProperty({ header, invokeId, payload }) {
    const { objectId, property } = payload;
    this.requests.push({ service: 'read-property', source: header.sender.address, invokeId, objectId,
      propertyId: property.id, index: property.index });
    const answer = this.read(objectId, property.id, property.index);
    if (answer.errorCode !== undefined) {
      this.client.errorResponse(header.sender, Bacnet.ConfirmedServiceChoice.READ_PROPERTY, invokeId,
        answer.errorClass, answer.errorCode);
      return;
    }
    this.client.readPropertyResponse(header.sender, invokeId, objectId, property, answer.value);
  }

  onReadPropertyMultiple({ header, invokeId, payload }) {
    this.requests.push({ service: 'read-property-multiple', source: header.sender.address, invokeId,
      objects: payload.properties.map((o) => ({ objectId: o.objectId, propertyIds: o.properties.map((p) => p.id) })) });
    const results = payload.properties.map(({ objectId, properties }) => ({
      objectId,
      values: properties.map((property) => {
        const answer = this.read(objectId, property.id, property.index);
        const value = answer.errorCode !== undefined
          ? [{ value: { type: 'BacnetError', errorClass: answer.errorClass, errorCode: answer.errorCode } }]
          : answer.value;
        return { property, value };
      }),
    }));
    this.client.readPropertyMultipleResponse(header.sender, invokeId, results);
  }

  onWriteProperty({ header, invokeId, payload }) {
    const { objectId, value: { property, value: values, priority } } = payload;
    const written = values.map((x) => ({ type: x.type, value: x.value }));
    this.requests.push({ service: 'write-property', source: header.sender.address, invokeId, objectId,
      propertyId: property.id, priority, values: written });
    const fail = (errorClass, errorCode) => this.client.errorResponse(header.sender,
      Bacnet.ConfirmedServiceChoice.WRITE_PROPERTY, invokeId, errorClass, errorCode);
    const object = this.object(objectId);
    if (!object) return fail(ErrorClass.OBJECT, ErrorCode.UNKNOWN_OBJECT);
    if (object.props[property.id] === undefined) return fail(ErrorClass.PROPERTY, ErrorCode.UNKNOWN_PROPERTY);
    if (property.id !== P.PRESENT_VALUE || values.length !== 1) return fail(ErrorClass.PROPERTY, ErrorCode.WRITE_ACCESS_DENIED);
    const [value] = values;
    if (object.priorities) {
      if (value.type !== T.NULL && value.type !== object.valueType) return fail(ErrorClass.PROPERTY, ErrorCode.INVALID_DATA_TYPE);
      object.priorities[priority - 1] = value.type === T.NULL ? null : value.value;
    } else {
      const current = object.props[P.PRESENT_VALUE][0];
      if (value.type !== current.type) return fail(ErrorClass.PROPERTY, ErrorCode.INVALID_DATA_TYPE);
      object.props[P.PRESENT_VALUE] = [v(value.type, value.value)];
    }
    this.client.simpleAckResponse(header.sender, Bacnet.ConfirmedServiceChoice.WRITE_PROPERTY, invokeId);
  }
}

module.exports = { InteropDevice, DEVICE_INSTANCE, LONG_TEXT_LENGTH };

// Run alone: node lib/device.js [ADDRESS]
if (require.main === module) {
  const device = new InteropDevice({ address: process.argv[2] || '127.0.0.2' });
  device.listening().then(() => console.log(`device ${DEVICE_INSTANCE} on ${device.transport.address}:47808`));
  process.on('SIGINT', () => { device.close(); process.exit(0); });
}
