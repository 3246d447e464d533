// Numbers the simulated device speaks in: object types, properties, error
// classes and codes, reject and abort reasons, service choices.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace sim {

namespace object_type {
inline constexpr std::uint32_t kAnalogInput = 0;
inline constexpr std::uint32_t kAnalogOutput = 1;
inline constexpr std::uint32_t kAnalogValue = 2;
inline constexpr std::uint32_t kBinaryInput = 3;
inline constexpr std::uint32_t kBinaryOutput = 4;
inline constexpr std::uint32_t kBinaryValue = 5;
inline constexpr std::uint32_t kCalendar = 6;
inline constexpr std::uint32_t kDevice = 8;
inline constexpr std::uint32_t kMultiStateInput = 13;
inline constexpr std::uint32_t kMultiStateOutput = 14;
inline constexpr std::uint32_t kNotificationClass = 15;
inline constexpr std::uint32_t kSchedule = 17;
inline constexpr std::uint32_t kMultiStateValue = 19;
inline constexpr std::uint32_t kBitStringValue = 39;
inline constexpr std::uint32_t kCharacterStringValue = 40;
inline constexpr std::uint32_t kDateValue = 42;
inline constexpr std::uint32_t kIntegerValue = 45;
inline constexpr std::uint32_t kLargeAnalogValue = 46;
inline constexpr std::uint32_t kOctetStringValue = 47;
inline constexpr std::uint32_t kPositiveIntegerValue = 48;
inline constexpr std::uint32_t kTimeValue = 50;
}  // namespace object_type

namespace property {
inline constexpr std::uint32_t kAckRequired = 1;
inline constexpr std::uint32_t kActiveText = 4;
inline constexpr std::uint32_t kAll = 8;
inline constexpr std::uint32_t kApduSegmentTimeout = 10;
inline constexpr std::uint32_t kApduTimeout = 11;
inline constexpr std::uint32_t kApplicationSoftwareVersion = 12;
inline constexpr std::uint32_t kNotificationClass = 17;
inline constexpr std::uint32_t kCovIncrement = 22;
inline constexpr std::uint32_t kDateList = 23;
inline constexpr std::uint32_t kDescription = 28;
inline constexpr std::uint32_t kEffectivePeriod = 32;
inline constexpr std::uint32_t kEventState = 36;
inline constexpr std::uint32_t kExceptionSchedule = 38;
inline constexpr std::uint32_t kFirmwareRevision = 44;
inline constexpr std::uint32_t kInactiveText = 46;
inline constexpr std::uint32_t kListOfObjectPropertyReferences = 54;
inline constexpr std::uint32_t kLocalDate = 56;
inline constexpr std::uint32_t kLocalTime = 57;
inline constexpr std::uint32_t kLocation = 58;
inline constexpr std::uint32_t kMaxApduLengthAccepted = 62;
inline constexpr std::uint32_t kModelName = 70;
inline constexpr std::uint32_t kNumberOfApduRetries = 73;
inline constexpr std::uint32_t kNumberOfStates = 74;
inline constexpr std::uint32_t kObjectIdentifier = 75;
inline constexpr std::uint32_t kObjectList = 76;
inline constexpr std::uint32_t kObjectName = 77;
inline constexpr std::uint32_t kObjectType = 79;
inline constexpr std::uint32_t kOptional = 80;
inline constexpr std::uint32_t kOutOfService = 81;
inline constexpr std::uint32_t kPolarity = 84;
inline constexpr std::uint32_t kPresentValue = 85;
inline constexpr std::uint32_t kPriority = 86;
inline constexpr std::uint32_t kPriorityArray = 87;
inline constexpr std::uint32_t kPriorityForWriting = 88;
inline constexpr std::uint32_t kProtocolObjectTypesSupported = 96;
inline constexpr std::uint32_t kProtocolServicesSupported = 97;
inline constexpr std::uint32_t kProtocolVersion = 98;
inline constexpr std::uint32_t kRecipientList = 102;
inline constexpr std::uint32_t kReliability = 103;
inline constexpr std::uint32_t kRelinquishDefault = 104;
inline constexpr std::uint32_t kRequired = 105;
inline constexpr std::uint32_t kSegmentationSupported = 107;
inline constexpr std::uint32_t kStateText = 110;
inline constexpr std::uint32_t kStatusFlags = 111;
inline constexpr std::uint32_t kSystemStatus = 112;
inline constexpr std::uint32_t kUnits = 117;
inline constexpr std::uint32_t kVendorIdentifier = 120;
inline constexpr std::uint32_t kVendorName = 121;
inline constexpr std::uint32_t kWeeklySchedule = 123;
inline constexpr std::uint32_t kProtocolRevision = 139;
inline constexpr std::uint32_t kDatabaseRevision = 155;
inline constexpr std::uint32_t kMaxSegmentsAccepted = 167;
inline constexpr std::uint32_t kScheduleDefault = 174;
inline constexpr std::uint32_t kPropertyList = 371;
}  // namespace property

namespace error_class {
inline constexpr std::uint32_t kDevice = 0;
inline constexpr std::uint32_t kObject = 1;
inline constexpr std::uint32_t kProperty = 2;
inline constexpr std::uint32_t kServices = 5;
}  // namespace error_class

namespace error_code {
inline constexpr std::uint32_t kOther = 0;
inline constexpr std::uint32_t kInvalidDataType = 9;
inline constexpr std::uint32_t kReadAccessDenied = 27;
inline constexpr std::uint32_t kUnknownObject = 31;
inline constexpr std::uint32_t kUnknownProperty = 32;
inline constexpr std::uint32_t kValueOutOfRange = 37;
inline constexpr std::uint32_t kWriteAccessDenied = 40;
inline constexpr std::uint32_t kInvalidArrayIndex = 42;
inline constexpr std::uint32_t kPropertyIsNotAnArray = 50;
}  // namespace error_code

namespace reject_reason {
inline constexpr std::uint8_t kOther = 0;
inline constexpr std::uint8_t kBufferOverflow = 1;
inline constexpr std::uint8_t kInvalidTag = 4;
inline constexpr std::uint8_t kMissingRequiredParameter = 5;
inline constexpr std::uint8_t kParameterOutOfRange = 6;
inline constexpr std::uint8_t kTooManyArguments = 7;
inline constexpr std::uint8_t kUnrecognizedService = 9;
}  // namespace reject_reason

namespace abort_reason {
inline constexpr std::uint8_t kBufferOverflow = 1;
inline constexpr std::uint8_t kSegmentationNotSupported = 4;
}  // namespace abort_reason

namespace service {
inline constexpr std::uint8_t kReadProperty = 12;
inline constexpr std::uint8_t kReadPropertyMultiple = 14;
inline constexpr std::uint8_t kWriteProperty = 15;
inline constexpr std::uint8_t kIAm = 0;
inline constexpr std::uint8_t kWhoIs = 8;
// Bit positions in the device's protocol-services-supported.
inline constexpr std::uint32_t kBitIAm = 26;
inline constexpr std::uint32_t kBitWhoIs = 34;
}  // namespace service

// Names used in object files and messages: "analog-value" or "AV",
// "present-value"; numbers are accepted too.
std::optional<std::uint32_t> ObjectTypeFromName(std::string_view name);
std::optional<std::uint32_t> PropertyFromName(std::string_view name);
std::string_view ObjectTypeAbbreviation(std::uint32_t type);

}  // namespace sim
