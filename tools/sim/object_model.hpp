// The simulated device's objects and how reads and writes act on them:
// commandable objects keep a priority array whose highest non-null slot (or
// the relinquish default) is the present value.
#pragma once

#include <array>
#include <bit>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <utility>
#include <unordered_map>
#include <vector>

#include "encoding/byte_vector.hpp"
#include "sim/value.hpp"

namespace sim {

struct ObjectId {
    std::uint32_t type = 0;
    std::uint32_t instance = 0;
    auto operator<=>(const ObjectId&) const = default;
};

struct Property {
    std::vector<Value> values;  // one for a single value; the elements of an array or list
    bool array = false;         // answers to an array index
};

inline constexpr std::size_t kPriorityLevels = 16;

// The command slots of a commandable object, priority 1 (slot 0) first. It
// knows which slots are occupied, so the present value is found without a
// walk over the slots on every read.
class PriorityArray {
public:
    using Slots = std::array<std::optional<Value>, kPriorityLevels>;

    const Slots& slots() const { return slots_; }
    Slots::const_iterator begin() const { return slots_.begin(); }
    Slots::const_iterator end() const { return slots_.end(); }
    const std::optional<Value>& operator[](std::size_t slot) const { return slots_[slot]; }

    // A value, or nullopt to relinquish the slot.
    void Set(std::size_t slot, std::optional<Value> value) {
        const auto bit = static_cast<std::uint16_t>(1u << slot);
        occupied_ = static_cast<std::uint16_t>(value ? occupied_ | bit : occupied_ & ~bit);
        slots_[slot] = std::move(value);
    }
    // The occupied slot of the highest priority; null when every slot is empty.
    const Value* Highest() const { return occupied_ == 0 ? nullptr : &*slots_[std::countr_zero(occupied_)]; }

private:
    Slots slots_;
    std::uint16_t occupied_ = 0;  // bit n: slot n holds a value
};

struct Object {
    ObjectId id;
    std::map<std::uint32_t, Property> properties;
    bool commandable = false;
    PriorityArray priorityArray;
    bool unreadable = false;  // every read answers read-access-denied
};

struct AccessError {
    std::uint32_t errorClass = 0;
    std::uint32_t code = 0;
};

enum class Selection { kAll, kRequired, kOptional };

// Outputs and values whose present value is commanded at a priority.
bool IsCommandableType(std::uint32_t type);

class ObjectDatabase {
public:
    ObjectDatabase() = default;
    // Moves keep the objects where they are, so the index stays valid; copies would not.
    ObjectDatabase(ObjectDatabase&&) = default;
    ObjectDatabase& operator=(ObjectDatabase&&) = default;
    ObjectDatabase(const ObjectDatabase&) = delete;
    ObjectDatabase& operator=(const ObjectDatabase&) = delete;

    // Adds or replaces the object; commandable types get their flag and the
    // properties that belong to commanding.
    Object& Add(Object object);
    Object* Find(ObjectId id);
    const Object* Find(ObjectId id) const;
    const std::map<ObjectId, Object>& Objects() const { return objects_; }
    ObjectId DeviceId() const { return device_; }
    void SetDeviceId(ObjectId id) { device_ = id; }

    // The property as a client sees it, with the computed ones filled in;
    // nullopt when the object does not have it.
    std::optional<Property> Resolve(const Object& object, std::uint32_t property) const;

    // Appends the encoded value (all elements without an index, the element
    // or the length with one); false with the error otherwise.
    bool Read(ObjectId id, std::uint32_t property, std::optional<std::uint32_t> index, OctetWriter& out,
              AccessError& error) const;
    // The same for an object already looked up (null: unknown object).
    bool Read(const Object* object, std::uint32_t property, std::optional<std::uint32_t> index, OctetWriter& out,
              AccessError& error) const;

    // data holds the application-tagged value(s) of the request.
    bool Write(ObjectId id, std::uint32_t property, std::optional<std::uint32_t> index, const std::uint8_t* data,
               std::size_t length, std::optional<std::uint32_t> priority, AccessError& error);

    // The property identifiers an ALL, REQUIRED or OPTIONAL read lists.
    std::vector<std::uint32_t> PropertiesOf(const Object& object, Selection selection) const;

private:
    // A computed property: resolved, then encoded (apart from the hot path of Read).
    bool ReadResolved(const Object& object, std::uint32_t property, std::optional<std::uint32_t> index,
                      OctetWriter& out, AccessError& error) const;
    bool WriteCommanded(Object& object, const Value& value, std::uint32_t priority, AccessError& error);

    static std::uint64_t IndexKey(ObjectId id) { return std::uint64_t{id.type} << 32 | id.instance; }

    std::map<ObjectId, Object> objects_;  // in order, for the object-list
    // The same objects by identifier: every request looks objects up here.
    std::unordered_map<std::uint64_t, Object*> index_;
    ObjectId device_;
};

}  // namespace sim
