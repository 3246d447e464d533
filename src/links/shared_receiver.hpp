// The UDP receiver that all BACnet/IP driver instances of a process share.
// The first instance to start is the master: it owns the socket and the
// receive thread that copies every datagram into the ring. Every instance
// drains the ring on the host's idle ticks.
#pragma once

#include <cstdint>

namespace LinkServices {

class BVLL;

// Starts the receiver or joins the one that runs; false when this instance
// could not attach (whatever was set up is torn down again).
bool StartSharedReceiver(std::uint32_t udpPort);
// Leaves the receiver; the master stops the thread and, once the others have
// left or 60 s have passed, destroys the shared tables.
void StopSharedReceiver();
// Hands every datagram this instance has not read yet to the receive-side link, one at a time.
void ConsumeSharedRing(BVLL& receiveSide);
// Sleeps until a datagram this instance has not read lands in the ring, or
// for at most the time given; at once when one is waiting already.
void WaitForSharedRing(std::uint32_t timeoutUs);

// The shared socket's Netwise handle, 0 when there is none.
std::int32_t SharedSocket();

struct InvokeIdRange {
    std::uint8_t lowest = 0;
    std::uint8_t highest = 6;
};
InvokeIdRange OwnInvokeIdRange();
bool IsSharedReceiverMaster();
std::uint32_t OwnConsumerIndex();

}  // namespace LinkServices
