'use strict';
// A third-party client on @bacnet-js/client that reads the driver's own
// Device object with ReadProperty and ReadPropertyMultiple.
const Bacnet = require('@bacnet-js/client');
const { LoopbackTransport } = require('./loopback_transport');

const BacnetClient = Bacnet.default;

class DriverReader {
  constructor({ address = '127.0.0.4', port = 47808 } = {}) {
    this.transport = new LoopbackTransport({ address, port, broadcastAddress: null });
    this.client = new BacnetClient({ transport: this.transport, apduTimeout: 1500 });
    this.client.on('error', () => {});
  }

  listening() {
    return new Promise((resolve, reject) => {
      this.transport.once('listening', resolve);
      this.transport.once('error', reject);
    });
  }

  // One property: {value: [...]} as the library decoded it, or {error: message}.
  async readProperty(peer, objectId, propertyId) {
    try {
      const answer = await this.client.readProperty({ address: peer }, objectId, propertyId);
      return { objectId: answer.objectId, propertyId: answer.property.id, values: answer.values };
    } catch (error) {
      return { error: error.message };
    }
  }

  async readPropertyMultiple(peer, objectId, propertyIds) {
    try {
      const answer = await this.client.readPropertyMultiple({ address: peer },
        [{ objectId, properties: propertyIds.map((id) => ({ id, index: 0xffffffff })) }]);
      return { results: answer.values };
    } catch (error) {
      return { error: error.message };
    }
  }

  close() {
    this.client.close();
  }
}

module.exports = { DriverReader };
