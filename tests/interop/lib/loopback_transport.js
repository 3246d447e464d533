'use strict';
// A BACnet/IP transport for @bacnet-js/client on a loopback address. The
// library's own transport binds one socket; a node bound to 127.0.0.2 hears
// broadcasts to 127.255.255.255 only through a second socket bound to that
// address, so this one keeps both. A raw hook sees every datagram first and
// may keep it from the library (the segmenting responder uses it).
const dgram = require('dgram');
const { EventEmitter } = require('events');

const BACNET_PORT = 47808;

class LoopbackTransport extends EventEmitter {
  constructor({ address, port = BACNET_PORT, broadcastAddress = '127.255.255.255' }) {
    super();
    this.address = address;
    this.port = port;
    this.broadcastAddress = broadcastAddress;
    this.rawHook = null; // (buffer, {address, port}) => true when handled
    this.sockets = [];
  }

  getBroadcastAddress() {
    return this.broadcastAddress;
  }

  // The largest APDU of BACnet/IP; the library also announces this in I-Am.
  getMaxPayload() {
    return 1476;
  }

  open() {
    const unicast = this._socket(this.address, () => this.emit('listening', { address: this.address, port: this.port }));
    unicast.on('listening', () => unicast.setBroadcast(true));
    this.unicast = unicast;
    if (this.broadcastAddress) this._socket(this.broadcastAddress, () => {});
  }

  _socket(address, onListening) {
    const socket = dgram.createSocket({ type: 'udp4', reuseAddr: true });
    socket.on('message', (msg, rinfo) => this._deliver(msg, rinfo));
    socket.on('error', (err) => this.emit('error', err));
    socket.bind(this.port, address, onListening);
    this.sockets.push(socket);
    return socket;
  }

  _deliver(msg, rinfo) {
    if (rinfo.address === this.address && rinfo.port === this.port) return; // our own broadcast
    if (this.rawHook && this.rawHook(msg, rinfo)) return;
    const from = rinfo.port === BACNET_PORT ? rinfo.address : `${rinfo.address}:${rinfo.port}`;
    this.emit('message', msg, from);
  }

  send(buffer, offset, receiver) {
    const [address, port] = (receiver || this.broadcastAddress).split(':');
    this.unicast.send(buffer, 0, offset, parseInt(port, 10) || BACNET_PORT, address);
  }

  sendRaw(buffer, address, port = BACNET_PORT) {
    this.unicast.send(buffer, 0, buffer.length, port, address);
  }

  close() {
    for (const socket of this.sockets) socket.close();
    this.sockets = [];
    this.emit('close');
  }
}

module.exports = { LoopbackTransport, BACNET_PORT };
