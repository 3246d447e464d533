#include "sim/standard_objects.hpp"

#include "sim/ids.hpp"

namespace sim {
namespace {

namespace p = property;
namespace t = object_type;

constexpr std::uint32_t kUnitsNoUnits = 95;
constexpr std::uint32_t kSegmentedBoth = 0;
constexpr std::uint32_t kMaxApdu = 1476;

Value StatusFlags() { return Value::Bits({false, false, false, false}); }

void SetStatus(Object& object) {
    Set(object, p::kStatusFlags, StatusFlags());
    Set(object, p::kEventState, Value::Enumerated(0));
    Set(object, p::kOutOfService, Value::Boolean(false));
    Set(object, p::kReliability, Value::Enumerated(0));
}

std::vector<bool> BitsAt(std::size_t count, std::initializer_list<std::uint32_t> set) {
    std::vector<bool> bits(count, false);
    for (std::uint32_t bit : set) bits.at(bit) = true;
    return bits;
}

// An empty week, no exceptions, always effective.
void SetEmptySchedule(Object& object) {
    Set(object, p::kPresentValue, Value::Real(0));
    Set(object, p::kScheduleDefault, Value::Real(0));
    SetArray(object, p::kWeeklySchedule, std::vector<Value>(7, Value::Encoded({0x0E, 0x0F})));
    SetArray(object, p::kExceptionSchedule, {});
    Set(object, p::kEffectivePeriod,
        Value::Encoded({0xA4, 0xFF, 0xFF, 0xFF, 0xFF, 0xA4, 0xFF, 0xFF, 0xFF, 0xFF}));
    Set(object, p::kListOfObjectPropertyReferences, Value::Encoded({}));
    Set(object, p::kPriorityForWriting, Value::Unsigned(16));
}

}  // namespace

void Set(Object& object, std::uint32_t property, Value value) {
    object.properties[property] = Property{{std::move(value)}, false};
}

void SetArray(Object& object, std::uint32_t property, std::vector<Value> values) {
    object.properties[property] = Property{std::move(values), true};
}

Object MakeStandardObject(ObjectId id, const std::string& name) {
    Object object;
    object.id = id;
    Set(object, p::kObjectName, Value::Text(name));
    Set(object, p::kDescription, Value::Text(""));
    switch (id.type) {
        case t::kAnalogInput:
        case t::kAnalogOutput:
        case t::kAnalogValue:
            Set(object, p::kPresentValue, Value::Real(0));
            Set(object, p::kUnits, Value::Enumerated(kUnitsNoUnits));
            Set(object, p::kCovIncrement, Value::Real(0.1f));
            SetStatus(object);
            break;
        case t::kBinaryInput:
        case t::kBinaryOutput:
        case t::kBinaryValue:
            Set(object, p::kPresentValue, Value::Enumerated(0));
            Set(object, p::kActiveText, Value::Text("On"));
            Set(object, p::kInactiveText, Value::Text("Off"));
            if (id.type != t::kBinaryValue) Set(object, p::kPolarity, Value::Enumerated(0));
            SetStatus(object);
            break;
        case t::kMultiStateInput:
        case t::kMultiStateOutput:
        case t::kMultiStateValue:
            Set(object, p::kPresentValue, Value::Unsigned(1));
            Set(object, p::kNumberOfStates, Value::Unsigned(3));
            SetArray(object, p::kStateText, {Value::Text("State 1"), Value::Text("State 2"), Value::Text("State 3")});
            SetStatus(object);
            break;
        case t::kSchedule:
            SetEmptySchedule(object);
            SetStatus(object);
            object.properties.erase(p::kEventState);
            break;
        case t::kCalendar:
            Set(object, p::kPresentValue, Value::Boolean(false));
            Set(object, p::kDateList, Value::Encoded({}));
            break;
        case t::kNotificationClass:
            Set(object, p::kNotificationClass, Value::Unsigned(id.instance));
            SetArray(object, p::kPriority, {Value::Unsigned(255), Value::Unsigned(255), Value::Unsigned(255)});
            Set(object, p::kAckRequired, Value::Bits({false, false, false}));
            Set(object, p::kRecipientList, Value::Encoded({}));
            break;
        case t::kBitStringValue: Set(object, p::kPresentValue, Value::Bits({})); SetStatus(object); break;
        case t::kCharacterStringValue: Set(object, p::kPresentValue, Value::Text("")); SetStatus(object); break;
        case t::kDateValue: Set(object, p::kPresentValue, Value::Date(255, 255, 255, 255)); SetStatus(object); break;
        case t::kIntegerValue:
            Set(object, p::kPresentValue, Value::Signed(0));
            Set(object, p::kUnits, Value::Enumerated(kUnitsNoUnits));
            SetStatus(object);
            break;
        case t::kLargeAnalogValue:
            Set(object, p::kPresentValue, Value::Double(0));
            Set(object, p::kUnits, Value::Enumerated(kUnitsNoUnits));
            SetStatus(object);
            break;
        case t::kOctetStringValue: Set(object, p::kPresentValue, Value::OctetString({})); SetStatus(object); break;
        case t::kPositiveIntegerValue:
            Set(object, p::kPresentValue, Value::Unsigned(0));
            Set(object, p::kUnits, Value::Enumerated(kUnitsNoUnits));
            SetStatus(object);
            break;
        case t::kTimeValue: Set(object, p::kPresentValue, Value::Time(0, 0, 0, 0)); SetStatus(object); break;
        default: break;
    }
    return object;
}

Object MakeDeviceObject(std::uint32_t instance, const std::string& name) {
    Object device = MakeStandardObject(ObjectId{t::kDevice, instance}, name);
    Set(device, p::kDescription, Value::Text("Simulated BACnet/IP device"));
    Set(device, p::kLocation, Value::Text("Loopback"));
    Set(device, p::kSystemStatus, Value::Enumerated(0));
    Set(device, p::kVendorName, Value::Text("VORNE project"));
    Set(device, p::kVendorIdentifier, Value::Unsigned(999));
    Set(device, p::kModelName, Value::Text("VORNE simulated device"));
    Set(device, p::kFirmwareRevision, Value::Text("1.0"));
    Set(device, p::kApplicationSoftwareVersion, Value::Text("vorne-sim 1.0"));
    Set(device, p::kProtocolVersion, Value::Unsigned(1));
    Set(device, p::kProtocolRevision, Value::Unsigned(14));
    Set(device, p::kProtocolServicesSupported,
        Value::Bits(BitsAt(41, {12, 14, 15, service::kBitIAm, service::kBitWhoIs})));
    Set(device, p::kProtocolObjectTypesSupported,
        Value::Bits(BitsAt(64, {t::kAnalogInput, t::kAnalogOutput, t::kAnalogValue, t::kBinaryInput,
                                t::kBinaryOutput, t::kBinaryValue, t::kCalendar, t::kDevice, t::kMultiStateInput,
                                t::kMultiStateOutput, t::kNotificationClass, t::kSchedule, t::kMultiStateValue,
                                t::kBitStringValue, t::kCharacterStringValue, t::kDateValue, t::kIntegerValue,
                                t::kLargeAnalogValue, t::kOctetStringValue, t::kPositiveIntegerValue,
                                t::kTimeValue})));
    SetArray(device, p::kObjectList, {});
    Set(device, p::kMaxApduLengthAccepted, Value::Unsigned(kMaxApdu));
    Set(device, p::kSegmentationSupported, Value::Enumerated(kSegmentedBoth));
    Set(device, p::kMaxSegmentsAccepted, Value::Unsigned(16));
    Set(device, p::kApduSegmentTimeout, Value::Unsigned(2000));
    Set(device, p::kApduTimeout, Value::Unsigned(3000));
    Set(device, p::kNumberOfApduRetries, Value::Unsigned(3));
    Set(device, p::kDatabaseRevision, Value::Unsigned(1));
    Set(device, p::kLocalDate, Value::Date(255, 255, 255, 255));
    Set(device, p::kLocalTime, Value::Time(0, 0, 0, 0));
    return device;
}

}  // namespace sim
