// The records that driver instances of one process share: the 52-byte header
// in the named mapping, the slot ring and the consumer table.
//
// The header holds addresses in the process's own heap, which works because
// every instance that opens the mapping lives in the same process. On 64-bit
// builds the upper halves of the two table addresses follow the header at
// offsets 52 and 56. The 24 bytes at offset 24 are reserved and stay zero: the
// ring has one writer and per-consumer read positions and needs no lock.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

namespace LinkServices {

inline constexpr std::uint32_t kRingSlotCount = 74;
inline constexpr std::size_t kSlotDataBytes = 3000;
inline constexpr std::size_t kSenderTextCharacters = 20;
inline constexpr std::uint32_t kRingHeadroom = 10;  // the writer pauses when a live reader lags more than 64
inline constexpr std::uint32_t kLiveConsumerMs = 5000;
// Each consumer owns seven invoke IDs, so 36 consumers fit the 8-bit IDs.
inline constexpr std::uint32_t kMaxConsumers = 36;
inline constexpr std::size_t kMappingBytes = 1076;
inline constexpr std::uint32_t kReceiveThreadHolder = 0xFFFFFFFF;

struct RingSlot {
    std::int32_t length;
    char16_t sender[kSenderTextCharacters];
    std::uint8_t data[kSlotDataBytes];
};

struct ConsumerEntry {
    std::uint32_t lastAliveTick;
    std::uint32_t readPosition;
};

// Room for every consumer is reserved up front, so the table never moves
// while the receive thread reads it.
struct ConsumerTable {
    std::uint32_t count;
    ConsumerEntry entries[kMaxConsumers];
    // Host threads asleep until a datagram for them lands (whoever receives
    // looks at who waits only when there are any).
    std::uint32_t waiters;
    // Per consumer: whether its host thread sleeps, and the word it sleeps on,
    // which the receiving thread moves to wake it. A datagram wakes only the
    // consumer that owns its invoke ID, or every one for anything but an answer.
    std::uint32_t waiting[kMaxConsumers];
    std::uint32_t wakeWord[kMaxConsumers];
    // Who receives from the socket now: 0 nobody, a consumer index + 1 for a
    // host thread waiting for its answer, kReceiveThreadHolder for the
    // receive thread. Only the holder writes slots and the write position.
    std::uint32_t receiver;
    // When a host thread last wanted to receive (TickCount): the receive thread
    // stays off the socket while host threads take their own answers.
    std::uint32_t hostReceiveTick;
    // The receive time-out the socket is set to now, in milliseconds.
    std::uint32_t socketTimeoutMs;
    // The sender's port of the latest datagram received.
    std::uint32_t latestSenderPort;
};

struct SharedHeader {
    std::uint32_t slotTableLow;
    std::uint32_t consumerTableLow;
    std::uint32_t writePosition;
    std::uint32_t slotCount;
    std::uint32_t instanceCount;
    std::uint32_t socket;
    std::uint8_t reserved[24];
    std::uint32_t zero;
};
static_assert(sizeof(SharedHeader) == 52);
static_assert(offsetof(SharedHeader, writePosition) == 8);
static_assert(offsetof(SharedHeader, slotCount) == 12);
static_assert(offsetof(SharedHeader, instanceCount) == 16);
static_assert(offsetof(SharedHeader, socket) == 20);
static_assert(offsetof(SharedHeader, zero) == 48);

// The header and, on 64-bit builds, the upper address halves behind it.
struct SharedView {
    SharedHeader header;
    std::uint32_t slotTableHigh;
    std::uint32_t consumerTableHigh;
};
static_assert(offsetof(SharedView, slotTableHigh) == 52);

inline constexpr std::size_t kSharedViewBytes = sizeof(void*) > 4 ? sizeof(SharedView) : sizeof(SharedHeader);

// Fields that one thread writes while another reads.
inline std::uint32_t LoadShared(const std::uint32_t& field) {
    return std::atomic_ref<std::uint32_t>(const_cast<std::uint32_t&>(field)).load(std::memory_order_acquire);
}
inline void StoreShared(std::uint32_t& field, std::uint32_t value) {
    std::atomic_ref<std::uint32_t>(field).store(value, std::memory_order_release);
}

RingSlot* SlotTable(const SharedView& view);
ConsumerTable* Consumers(const SharedView& view);
void SetTables(SharedView& view, RingSlot* slots, ConsumerTable* consumers);

std::string SharedMutexName(std::uint32_t processId);
std::string SharedMappingName(std::uint32_t processId);

// The writer's room check: false when a live consumer lags more than 64 slots.
bool RingHasRoom(const SharedView& view, std::uint32_t now);

}  // namespace LinkServices
