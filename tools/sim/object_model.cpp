#include "sim/object_model.hpp"

#include "platform/local_time.hpp"
#include "sim/ids.hpp"
#include "sim/property_rules.hpp"
#include "sim/tag_reader.hpp"

namespace sim {
namespace {

namespace p = property;
namespace t = object_type;

constexpr std::uint32_t kWholeArray = 0xFFFFFFFFu;
constexpr std::uint32_t kStatusFlagOutOfService = 3;

AccessError Fail(std::uint32_t errorClass, std::uint32_t code) { return AccessError{errorClass, code}; }

// Application-tagged primitives only; false when anything else is present.
bool DecodePrimitives(const std::uint8_t* data, std::size_t length, std::vector<Value>& values) {
    std::size_t position = 0;
    while (position < length) {
        Value value;
        std::size_t consumed = 0;
        if (!DecodeValue(data + position, length - position, value, consumed)) return false;
        values.push_back(std::move(value));
        position += consumed;
    }
    return true;
}

// Every tag readable and the opening and closing tags balanced.
bool WellFormed(const std::uint8_t* data, std::size_t length) {
    std::size_t position = 0;
    int depth = 0;
    while (position < length) {
        Tag tag;
        if (!ReadTag(data + position, length - position, tag)) return false;
        if (tag.opening) ++depth;
        if (tag.closing && --depth < 0) return false;
        position += tag.headerSize + tag.length;
    }
    return depth == 0;
}

bool InRangeFor(const Object& object, const Value& value) {
    switch (object.id.type) {
        case t::kBinaryOutput:
        case t::kBinaryValue:
            return value.number <= 1;
        case t::kMultiStateOutput:
        case t::kMultiStateValue: {
            const auto states = object.properties.find(p::kNumberOfStates);
            if (states == object.properties.end() || states->second.values.empty()) return value.number >= 1;
            return value.number >= 1 && value.number <= states->second.values[0].number;
        }
        default: return true;
    }
}

}  // namespace

bool IsCommandableType(std::uint32_t type) {
    return type == t::kAnalogOutput || type == t::kBinaryOutput || type == t::kMultiStateOutput ||
           type == t::kAnalogValue || type == t::kBinaryValue || type == t::kMultiStateValue;
}

Object& ObjectDatabase::Add(Object object) {
    auto& props = object.properties;
    props[p::kObjectIdentifier] = Property{{Value::ObjectId(object.id.type, object.id.instance)}, false};
    props[p::kObjectType] = Property{{Value::Enumerated(object.id.type)}, false};
    props[p::kPropertyList].array = true;
    if (object.id.type == t::kDevice) props[p::kObjectList].array = true;
    object.commandable = IsCommandableType(object.id.type);
    if (object.commandable) {
        auto& relinquish = props[p::kRelinquishDefault];
        if (relinquish.values.empty()) {
            const auto present = props.find(p::kPresentValue);
            relinquish.values = {present != props.end() && !present->second.values.empty()
                                     ? present->second.values[0]
                                     : Value::Real(0)};
        }
        props[p::kPresentValue];
        props[p::kPriorityArray].array = true;
    }
    const ObjectId id = object.id;
    Object& stored = objects_[id] = std::move(object);
    index_[IndexKey(id)] = &stored;
    return stored;
}

Object* ObjectDatabase::Find(ObjectId id) {
    const auto found = index_.find(IndexKey(id));
    return found == index_.end() ? nullptr : found->second;
}

const Object* ObjectDatabase::Find(ObjectId id) const {
    const auto found = index_.find(IndexKey(id));
    return found == index_.end() ? nullptr : found->second;
}

namespace {

// What a commandable object presents: its first occupied priority slot, else
// its relinquish default; null when it has neither.
const Value* CommandedValue(const Object& object) {
    if (const Value* commanded = object.priorityArray.Highest()) return commanded;
    const auto fallback = object.properties.find(p::kRelinquishDefault);
    if (fallback == object.properties.end() || fallback->second.values.empty()) return nullptr;
    return &fallback->second.values.front();
}

}  // namespace

std::optional<Property> ObjectDatabase::Resolve(const Object& object, std::uint32_t prop) const {
    const auto stored = object.properties.find(prop);
    if (stored == object.properties.end()) return std::nullopt;
    Property result = stored->second;
    if (prop == p::kPropertyList) {
        result.values.clear();
        for (const auto& [id, unused] : object.properties)
            if (id != p::kObjectIdentifier && id != p::kObjectName && id != p::kObjectType && id != p::kPropertyList)
                result.values.push_back(Value::Enumerated(id));
    } else if (prop == p::kObjectList && object.id.type == t::kDevice) {
        result.values = {Value::ObjectId(object.id.type, object.id.instance)};
        for (const auto& [id, unused] : objects_)
            if (id != object.id) result.values.push_back(Value::ObjectId(id.type, id.instance));
    } else if (prop == p::kPriorityArray && object.commandable) {
        result.values.clear();
        for (const auto& slot : object.priorityArray) result.values.push_back(slot.value_or(Value::Null()));
    } else if (prop == p::kPresentValue && object.commandable) {
        if (const Value* commanded = CommandedValue(object)) result.values = {*commanded};
    } else if (prop == p::kStatusFlags && result.values.size() == 1 && result.values[0].bits.size() == 4) {
        const auto oos = object.properties.find(p::kOutOfService);
        if (oos != object.properties.end() && !oos->second.values.empty())
            result.values[0].bits[kStatusFlagOutOfService] = oos->second.values[0].boolean;
    } else if (prop == p::kLocalDate || prop == p::kLocalTime) {
        const platform::LocalDateTime now = platform::LocalNow();
        result.values = {prop == p::kLocalDate ? Value::Date(now.year, now.month, now.day, now.weekday)
                                               : Value::Time(now.hour, now.minute, now.second, now.milliseconds / 10)};
    }
    return result;
}

namespace {

// Properties whose value is worked out when read rather than stored as read.
bool IsComputed(const Object& object, std::uint32_t prop) {
    return prop == p::kPropertyList || (prop == p::kObjectList && object.id.type == t::kDevice) ||
           (object.commandable && (prop == p::kPriorityArray || prop == p::kPresentValue)) ||
           prop == p::kStatusFlags || prop == p::kLocalDate || prop == p::kLocalTime;
}

// One element of an array, or its length for index 0.
bool EncodeElement(const Property& property, std::uint32_t index, OctetWriter& out, AccessError& error) {
    if (!property.array) return error = Fail(error_class::kProperty, error_code::kPropertyIsNotAnArray), false;
    if (index == 0) {
        EncodeValue(out, Value::Unsigned(static_cast<std::uint32_t>(property.values.size())));
        return true;
    }
    if (index > property.values.size())
        return error = Fail(error_class::kProperty, error_code::kInvalidArrayIndex), false;
    EncodeValue(out, property.values[index - 1]);
    return true;
}

bool EncodeRead(const Property& property, std::optional<std::uint32_t> index, OctetWriter& out,
                AccessError& error) {
    if (index && *index != kWholeArray) return EncodeElement(property, *index, out, error);
    for (const Value& value : property.values) EncodeValue(out, value);
    return true;
}

}  // namespace

bool ObjectDatabase::Read(ObjectId id, std::uint32_t prop, std::optional<std::uint32_t> index, OctetWriter& out,
                          AccessError& error) const {
    return Read(Find(id), prop, index, out, error);
}

bool ObjectDatabase::Read(const Object* object, std::uint32_t prop, std::optional<std::uint32_t> index,
                          OctetWriter& out, AccessError& error) const {
    if (object == nullptr) return error = Fail(error_class::kObject, error_code::kUnknownObject), false;
    if (object->unreadable) return error = Fail(error_class::kProperty, error_code::kReadAccessDenied), false;
    // The present value of a commandable object, read on every scan: Add gave
    // the object the property, so it needs no look-up.
    if (prop == p::kPresentValue && object->commandable && !index) {
        if (const Value* commanded = CommandedValue(*object)) {
            EncodeValue(out, *commanded);
            return true;
        }
    }
    // Computed properties are listed too: a property the object lacks is unknown either way.
    const auto stored = object->properties.find(prop);
    if (stored == object->properties.end())
        return error = Fail(error_class::kProperty, error_code::kUnknownProperty), false;
    // Most reads are of stored values: encode them where they lie.
    if (!IsComputed(*object, prop)) return EncodeRead(stored->second, index, out, error);
    return ReadResolved(*object, prop, index, out, error);
}

bool ObjectDatabase::ReadResolved(const Object& object, std::uint32_t prop, std::optional<std::uint32_t> index,
                                  OctetWriter& out, AccessError& error) const {
    const std::optional<Property> resolved = Resolve(object, prop);
    if (!resolved) return error = Fail(error_class::kProperty, error_code::kUnknownProperty), false;
    return EncodeRead(*resolved, index, out, error);
}

bool ObjectDatabase::WriteCommanded(Object& object, const Value& value, std::uint32_t priority,
                                    AccessError& error) {
    const std::size_t slot = priority - 1;
    if (value.kind == Kind::kNull) {
        object.priorityArray.Set(slot, std::nullopt);
        return true;
    }
    const Value& reference = object.properties[p::kRelinquishDefault].values.at(0);
    if (value.kind != reference.kind) return error = Fail(error_class::kProperty, error_code::kInvalidDataType), false;
    if (!InRangeFor(object, value)) return error = Fail(error_class::kProperty, error_code::kValueOutOfRange), false;
    object.priorityArray.Set(slot, value);
    return true;
}

bool ObjectDatabase::Write(ObjectId id, std::uint32_t prop, std::optional<std::uint32_t> index,
                           const std::uint8_t* data, std::size_t length, std::optional<std::uint32_t> priority,
                           AccessError& error) {
    Object* object = Find(id);
    if (object == nullptr) return error = Fail(error_class::kObject, error_code::kUnknownObject), false;
    const auto stored = object->properties.find(prop);
    if (stored == object->properties.end())
        return error = Fail(error_class::kProperty, error_code::kUnknownProperty), false;
    Property& target = stored->second;
    const AccessError denied = Fail(error_class::kProperty, error_code::kWriteAccessDenied);
    if (IsReadOnlyProperty(id.type, prop)) return error = denied, false;
    if (prop == p::kPresentValue && IsInputType(id.type)) {
        const auto oos = object->properties.find(p::kOutOfService);
        if (oos == object->properties.end() || oos->second.values.empty() || !oos->second.values[0].boolean)
            return error = denied, false;
    }
    // A plain number from here on: 0 stands for "no index" (index 0 itself is refused below).
    const bool indexed = index.has_value() && *index != kWholeArray;
    const std::uint32_t element = indexed ? *index : 0;
    if (indexed && !target.array) return error = Fail(error_class::kProperty, error_code::kPropertyIsNotAnArray), false;

    std::vector<Value> values;
    const bool primitives = DecodePrimitives(data, length, values);
    const bool constructedTarget = !target.values.empty() && target.values[0].kind == Kind::kEncoded;
    const AccessError wrongType = Fail(error_class::kProperty, error_code::kInvalidDataType);
    if (constructedTarget) {
        if (!WellFormed(data, length) || length == 0) return error = wrongType, false;
        const Value encoded = Value::Encoded(std::vector<std::uint8_t>(data, data + length));
        if (!target.array) {
            target.values = {encoded};
            return true;
        }
        if (!indexed || element == 0) return error = denied, false;
        if (element > target.values.size())
            return error = Fail(error_class::kProperty, error_code::kInvalidArrayIndex), false;
        target.values[element - 1] = encoded;
        return true;
    }
    if (!primitives || values.empty()) return error = wrongType, false;

    if (prop == p::kPresentValue && object->commandable) {
        if (values.size() != 1) return error = wrongType, false;
        return WriteCommanded(*object, values[0], priority.value_or(kPriorityLevels), error);
    }
    const Kind expected = target.values.empty() ? values[0].kind : target.values[0].kind;
    for (const Value& value : values)
        if (value.kind != expected) return error = wrongType, false;
    if (!target.array) {
        if (values.size() != 1) return error = wrongType, false;
        target.values = values;
        return true;
    }
    if (!indexed) {
        target.values = values;
        return true;
    }
    if (values.size() != 1) return error = wrongType, false;
    if (element == 0) return error = denied, false;
    if (element > target.values.size())
        return error = Fail(error_class::kProperty, error_code::kInvalidArrayIndex), false;
    target.values[element - 1] = values[0];
    return true;
}

std::vector<std::uint32_t> ObjectDatabase::PropertiesOf(const Object& object, Selection selection) const {
    std::vector<std::uint32_t> list;
    for (const auto& [prop, unused] : object.properties) {
        if (prop == p::kPropertyList && selection != Selection::kOptional) continue;
        const bool required = IsRequiredProperty(object.id.type, prop);
        if (selection == Selection::kAll || (selection == Selection::kRequired) == required) list.push_back(prop);
    }
    return list;
}

}  // namespace sim
