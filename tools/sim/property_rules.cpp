#include "sim/property_rules.hpp"

#include <algorithm>
#include <initializer_list>

#include "sim/ids.hpp"

namespace sim {
namespace {

namespace p = property;
namespace t = object_type;

bool In(std::uint32_t value, std::initializer_list<std::uint32_t> set) {
    return std::find(set.begin(), set.end(), value) != set.end();
}

}  // namespace

bool IsInputType(std::uint32_t type) { return In(type, {t::kAnalogInput, t::kBinaryInput, t::kMultiStateInput}); }

bool IsRequiredProperty(std::uint32_t type, std::uint32_t prop) {
    if (In(prop, {p::kObjectIdentifier, p::kObjectName, p::kObjectType, p::kPropertyList})) return true;
    switch (type) {
        case t::kDevice:
            return In(prop, {p::kSystemStatus, p::kVendorName, p::kVendorIdentifier, p::kModelName,
                             p::kFirmwareRevision, p::kApplicationSoftwareVersion, p::kProtocolVersion,
                             p::kProtocolRevision, p::kProtocolServicesSupported,
                             p::kProtocolObjectTypesSupported, p::kObjectList, p::kMaxApduLengthAccepted,
                             p::kSegmentationSupported, p::kApduTimeout, p::kNumberOfApduRetries,
                             p::kDatabaseRevision});
        case t::kCalendar: return In(prop, {p::kPresentValue, p::kDateList});
        case t::kNotificationClass:
            return In(prop, {p::kNotificationClass, p::kPriority, p::kAckRequired, p::kRecipientList});
        case t::kSchedule:
            return In(prop, {p::kPresentValue, p::kEffectivePeriod, p::kScheduleDefault,
                             p::kListOfObjectPropertyReferences, p::kPriorityForWriting, p::kStatusFlags,
                             p::kReliability, p::kOutOfService});
        default: break;
    }
    if (In(prop, {p::kPresentValue, p::kStatusFlags, p::kEventState, p::kOutOfService})) return true;
    switch (type) {
        case t::kAnalogInput:
        case t::kAnalogValue:
        case t::kLargeAnalogValue:
        case t::kIntegerValue:
            return prop == p::kUnits;
        case t::kAnalogOutput:
            return In(prop, {p::kUnits, p::kPriorityArray, p::kRelinquishDefault});
        case t::kBinaryInput: return prop == p::kPolarity;
        case t::kBinaryOutput: return In(prop, {p::kPolarity, p::kPriorityArray, p::kRelinquishDefault});
        case t::kMultiStateInput:
        case t::kMultiStateValue:
            return prop == p::kNumberOfStates;
        case t::kMultiStateOutput: return In(prop, {p::kNumberOfStates, p::kPriorityArray, p::kRelinquishDefault});
        default: return false;
    }
}

bool IsReadOnlyProperty(std::uint32_t type, std::uint32_t prop) {
    if (type == t::kDevice && prop == p::kObjectName) return true;
    return In(prop, {p::kObjectIdentifier, p::kObjectType, p::kObjectList, p::kPropertyList, p::kPriorityArray,
                     p::kStatusFlags, p::kEventState, p::kProtocolObjectTypesSupported,
                     p::kProtocolServicesSupported, p::kProtocolVersion, p::kProtocolRevision,
                     p::kMaxApduLengthAccepted, p::kSegmentationSupported, p::kLocalDate, p::kLocalTime,
                     p::kDatabaseRevision, p::kSystemStatus});
}

}  // namespace sim
