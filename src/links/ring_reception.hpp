// Taking turns at the shared socket. Whoever holds the receiver role receives
// the next datagram into the ring: a host thread that waits for its own
// answer, so that the answer needs no second thread to hand it on, or, while
// no host thread waits, the receive thread. One holder at a time keeps the
// ring's single-writer rule; the role passes from holder to holder through
// the consumer table.
#pragma once

#include <cstddef>
#include <cstdint>

#include "links/shared_ring.hpp"

namespace LinkServices {

// True when `holder` (a consumer index + 1, or kReceiveThreadHolder) now holds the role.
bool TakeReceiverRole(ConsumerTable& consumers, std::uint32_t holder);
// Gives the role up. The receive thread also wakes a sleeping host thread to
// take it over; host threads that sleep while another host thread holds the
// role look again after kLookAgainUs.
void ReleaseReceiverRole(ConsumerTable& consumers, std::uint32_t holder);
inline constexpr std::uint32_t kLookAgainUs = 200;

// The holder only, after the ring's room check: receives one datagram into
// the ring's next slot, waiting for it at most `timeoutMs`, publishes it and
// wakes the consumers it is for. Its length, or 0 or less when none came.
std::int32_t ReceiveIntoRing(SharedView& view, ConsumerTable& consumers, std::uint32_t timeoutMs);

// Wakes the sleeping consumers the slot's datagram is for (every sleeping one
// when `slot` is null: the ring is full and they must drain it).
void WakeConsumers(ConsumerTable& consumers, const RingSlot* slot);

// The consumer a slot's datagram is for, or APDUServices::kAnyConsumer.
std::uint32_t SlotOwner(const RingSlot& slot);
std::size_t SlotLength(const RingSlot& slot);

}  // namespace LinkServices
