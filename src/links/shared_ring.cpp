#include "links/shared_ring.hpp"

namespace LinkServices {
namespace {

template <typename T>
T* JoinAddress(std::uint32_t low, std::uint32_t high) {
    std::uintptr_t address = low;
    if constexpr (sizeof(std::uintptr_t) > 4) address |= static_cast<std::uintptr_t>(static_cast<std::uint64_t>(high) << 32);
    (void)high;
    return reinterpret_cast<T*>(address);
}

void SplitAddress(const void* pointer, std::uint32_t& low, std::uint32_t& high) {
    const auto address = reinterpret_cast<std::uintptr_t>(pointer);
    low = static_cast<std::uint32_t>(address);
    high = 0;
    if constexpr (sizeof(std::uintptr_t) > 4) high = static_cast<std::uint32_t>(static_cast<std::uint64_t>(address) >> 32);
}

}  // namespace

RingSlot* SlotTable(const SharedView& view) {
    return JoinAddress<RingSlot>(view.header.slotTableLow, view.slotTableHigh);
}

ConsumerTable* Consumers(const SharedView& view) {
    return JoinAddress<ConsumerTable>(view.header.consumerTableLow, view.consumerTableHigh);
}

void SetTables(SharedView& view, RingSlot* slots, ConsumerTable* consumers) {
    std::uint32_t low = 0, high = 0;
    SplitAddress(slots, low, high);
    view.header.slotTableLow = low;
    if constexpr (sizeof(void*) > 4) view.slotTableHigh = high;
    SplitAddress(consumers, low, high);
    view.header.consumerTableLow = low;
    if constexpr (sizeof(void*) > 4) view.consumerTableHigh = high;
}

std::string SharedMutexName(std::uint32_t processId) {
    return std::to_string(processId) + "::Vorne{2FA7CE87-C640-4c26-B78C-5438588DF779}";
}

std::string SharedMappingName(std::uint32_t processId) {
    return std::to_string(processId) + "::KestraneBacnetDriver697CB455_70E7_4AA8_9499_9A6BA9A6C15B";
}

bool RingHasRoom(const SharedView& view, std::uint32_t now) {
    const ConsumerTable* consumers = Consumers(view);
    if (consumers == nullptr) return true;
    const std::uint32_t write = LoadShared(view.header.writePosition);
    const std::uint32_t count = LoadShared(consumers->count);
    for (std::uint32_t i = 0; i < count && i < kMaxConsumers; ++i) {
        const ConsumerEntry& entry = consumers->entries[i];
        if (now - LoadShared(entry.lastAliveTick) >= kLiveConsumerMs + 1) continue;
        std::int64_t lag = static_cast<std::int64_t>(write) - LoadShared(entry.readPosition);
        if (lag < 0) lag += kRingSlotCount;
        if (lag > static_cast<std::int64_t>(kRingSlotCount - kRingHeadroom)) return false;
    }
    return true;
}

}  // namespace LinkServices
