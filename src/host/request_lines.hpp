// Which line of the running scan asked for an (object type, instance,
// property) triple. Written for every tag when a scan starts and read for
// every value that arrives, so it is an open-addressed table with a
// power-of-two size: no division, no node per entry. Entries are never
// removed; a triple keeps its slot for the life of the driver and is only
// overwritten by the next scan that asks for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace host {

class RequestLines {
public:
    struct Line {
        std::int32_t line = 0;
        std::uint32_t scan = 0;
        // Which of the scan's requests asks for it, when a group is sent in several.
        std::uint32_t part = 0;
    };

    void Set(std::int32_t type, std::int32_t instance, std::int32_t property, Line line) {
        if ((count_ + 1) * 4 > slots_.size() * 3) Grow();
        Slot& slot = Probe(slots_, type, instance, property);
        if (!slot.used) {
            slot = Slot{type, instance, property, true, {}};
            ++count_;
        }
        slot.value = line;
    }

    // Null when the triple has never been asked for.
    const Line* Find(std::int32_t type, std::int32_t instance, std::int32_t property) const {
        if (slots_.empty()) return nullptr;
        const Slot& slot = Probe(slots_, type, instance, property);
        return slot.used ? &slot.value : nullptr;
    }
    Line* Find(std::int32_t type, std::int32_t instance, std::int32_t property) {
        return const_cast<Line*>(std::as_const(*this).Find(type, instance, property));
    }

    std::size_t Size() const { return count_; }

private:
    struct Slot {
        std::int32_t type = 0;
        std::int32_t instance = 0;
        std::int32_t property = 0;
        bool used = false;
        Line value;
    };

    static std::size_t Hash(std::int32_t type, std::int32_t instance, std::int32_t property) {
        std::uint64_t h = static_cast<std::uint32_t>(type);
        h = h * 0x9E3779B97F4A7C15ull ^ static_cast<std::uint32_t>(instance);
        h = h * 0x9E3779B97F4A7C15ull ^ static_cast<std::uint32_t>(property);
        h *= 0x9E3779B97F4A7C15ull;
        return static_cast<std::size_t>(h >> 32);
    }

    // The triple's slot, or the empty slot where it would go.
    template <typename Slots>
    static auto Probe(Slots& slots, std::int32_t type, std::int32_t instance, std::int32_t property)
        -> decltype(slots[0]) {
        const std::size_t mask = slots.size() - 1;
        for (std::size_t i = Hash(type, instance, property) & mask;; i = (i + 1) & mask) {
            auto& slot = slots[i];
            if (!slot.used || (slot.type == type && slot.instance == instance && slot.property == property))
                return slot;
        }
    }

    void Grow() {
        std::vector<Slot> bigger(slots_.empty() ? 256 : slots_.size() * 2);
        for (const Slot& slot : slots_)
            if (slot.used) Probe(bigger, slot.type, slot.instance, slot.property) = slot;
        slots_.swap(bigger);
    }

    std::vector<Slot> slots_;
    std::size_t count_ = 0;
};

}  // namespace host
