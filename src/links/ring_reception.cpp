#include "links/ring_reception.hpp"

#include <atomic>
#include <cstring>

#include "links/bvll.hpp"
#include "netwise.h"
#include "platform/address_wait.hpp"
#include "services/foreign_answer.hpp"

namespace LinkServices {
namespace {

std::atomic_ref<std::uint32_t> Shared(std::uint32_t& field) { return std::atomic_ref<std::uint32_t>(field); }

void Wake(ConsumerTable& consumers, std::uint32_t index) {
    Shared(consumers.wakeWord[index]).fetch_add(1, std::memory_order_seq_cst);
    platform::WakeWaiters(consumers.wakeWord[index]);
}

void SetSocketTimeout(ConsumerTable& consumers, std::int32_t socket, std::uint32_t timeoutMs) {
    if (timeoutMs == 0) timeoutMs = 1;
    if (consumers.socketTimeoutMs == timeoutMs) return;
    UdpConfigure(socket, static_cast<std::int32_t>(timeoutMs));
    consumers.socketTimeoutMs = timeoutMs;
}

}  // namespace

std::size_t SlotLength(const RingSlot& slot) {
    const std::size_t length = slot.length > 0 ? static_cast<std::size_t>(slot.length) : 0;
    return length < kSlotDataBytes ? length : kSlotDataBytes;
}

std::uint32_t SlotOwner(const RingSlot& slot) { return DatagramOwner(slot.data, SlotLength(slot)); }

bool TakeReceiverRole(ConsumerTable& consumers, std::uint32_t holder) {
    std::uint32_t free = 0;
    return Shared(consumers.receiver).compare_exchange_strong(free, holder, std::memory_order_seq_cst);
}

void ReleaseReceiverRole(ConsumerTable& consumers, std::uint32_t holder) {
    Shared(consumers.receiver).store(0, std::memory_order_seq_cst);
    // A host thread that leaves usually takes the role again with its next
    // request, microseconds later: waking a sleeper for it would cost a thread
    // switch per scan, so sleepers look again by themselves (kLookAgainUs).
    // The receive thread leaves only because host threads want the socket.
    if (holder != kReceiveThreadHolder) return;
    // Pairs with a sleeper's registration: either it sees the role free, or
    // this thread sees it waiting and wakes it to take the role.
    std::atomic_thread_fence(std::memory_order_seq_cst);
    if (LoadShared(consumers.waiters) == 0) return;
    const std::uint32_t count = LoadShared(consumers.count);
    for (std::uint32_t i = 0; i < count && i < kMaxConsumers; ++i) {
        if (LoadShared(consumers.waiting[i]) == 0) continue;
        Wake(consumers, i);
        return;
    }
}

std::int32_t ReceiveIntoRing(SharedView& view, ConsumerTable& consumers, std::uint32_t timeoutMs) {
    const auto socket = static_cast<std::int32_t>(LoadShared(view.header.socket));
    SetSocketTimeout(consumers, socket, timeoutMs);
    const std::uint32_t write = LoadShared(view.header.writePosition);
    // The room check keeps every live reader away from the slot at the write
    // position, so the datagram can land in it directly.
    RingSlot& slot = SlotTable(view)[write];
    std::uint32_t port = 0;
    std::int32_t error = 0;
    const std::int32_t n = UdpReceiveFrom(socket, slot.sender, &port, slot.data, static_cast<std::int32_t>(kSlotDataBytes), &error);
    if (n <= 0) return n;
    // A datagram cut to the slot's size is handed on as zeros, never as a torn frame.
    if (static_cast<std::size_t>(n) > kSlotDataBytes) std::memset(slot.data, 0, kSlotDataBytes);
    slot.sender[kSenderTextCharacters - 1] = u'\0';
    slot.length = n;
    StoreShared(consumers.latestSenderPort, port);
    StoreShared(view.header.writePosition, write + 1 == kRingSlotCount ? 0 : write + 1);
    // Pairs with a sleeper's registration: either it sees the new position or
    // this thread sees it waiting.
    std::atomic_thread_fence(std::memory_order_seq_cst);
    if (LoadShared(consumers.waiters) != 0) WakeConsumers(consumers, &slot);
    return n;
}

void WakeConsumers(ConsumerTable& consumers, const RingSlot* slot) {
    const std::uint32_t owner = slot != nullptr ? SlotOwner(*slot) : APDUServices::kAnyConsumer;
    const std::uint32_t count = LoadShared(consumers.count);
    for (std::uint32_t i = 0; i < count && i < kMaxConsumers; ++i) {
        if (owner != APDUServices::kAnyConsumer && owner != i) continue;
        if (LoadShared(consumers.waiting[i]) != 0) Wake(consumers, i);
    }
}

}  // namespace LinkServices
