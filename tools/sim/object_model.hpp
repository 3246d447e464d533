// The simulated device's objects and how reads and writes act on them:
// commandable objects keep a priority array whose highest non-null slot (or
// the relinquish default) is the present value.
#pragma once

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
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

struct Object {
    ObjectId id;
    std::map<std::uint32_t, Property> properties;
    bool commandable = false;
    std::array<std::optional<Value>, kPriorityLevels> priorityArray;
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
    bool Read(ObjectId id, std::uint32_t property, std::optional<std::uint32_t> index, encoding::ByteVector& out,
              AccessError& error) const;
    // The same for an object already looked up (null: unknown object).
    bool Read(const Object* object, std::uint32_t property, std::optional<std::uint32_t> index,
              encoding::ByteVector& out, AccessError& error) const;

    // data holds the application-tagged value(s) of the request.
    bool Write(ObjectId id, std::uint32_t property, std::optional<std::uint32_t> index, const std::uint8_t* data,
               std::size_t length, std::optional<std::uint32_t> priority, AccessError& error);

    // The property identifiers an ALL, REQUIRED or OPTIONAL read lists.
    std::vector<std::uint32_t> PropertiesOf(const Object& object, Selection selection) const;

private:
    bool WriteCommanded(Object& object, const Value& value, std::uint32_t priority, AccessError& error);

    std::map<ObjectId, Object> objects_;
    ObjectId device_;
};

}  // namespace sim
