// The read group cycle: one scan of a group becomes one request (several, one
// after another, when it would not fit the link); answers are filed under
// their lines and handed to the host with quality and time stamp.
#pragma once

#include <cstdint>

#include "tagcore.h"

namespace host {

inline constexpr std::int32_t kStatusNoAnswer = -15;
inline constexpr std::int32_t kStatusUnknownObject = 14;
inline constexpr std::int32_t kStatusUnknownProperty = 15;
inline constexpr std::int32_t kStatusOtherReadError = 19;
inline constexpr std::uint16_t kQualityGood = 192;

std::int32_t AddGroup(void* group, const char16_t* station);
void RemoveGroup(void* group);
std::int32_t ReadGroupStart(const char16_t* header, const char16_t* firstAddressArgument,
                            const char16_t* const* addresses, std::int32_t itemCount, std::int32_t* status);
std::int32_t ReadGroupFinish(HostValue* values, std::int32_t itemCount, std::int32_t* status);

// Outcome hooks of the read path.
void OnPropertyValue(std::uint8_t invokeId, std::int32_t objectType, std::int32_t instance, std::int32_t property,
                     const HostValue& value);
void OnReadError(std::uint8_t invokeId, std::uint32_t errorClass, std::uint32_t errorCode);
void OnPropertyError(std::uint8_t invokeId, std::int32_t objectType, std::int32_t instance, std::int32_t property,
                     std::uint32_t errorCode);
// An Abort or Reject of the pending read: the scan ends with 19.
void OnReadRefused(std::uint8_t invokeId);
void SetTransactionStatus(std::uint8_t invokeId, std::int32_t status);

}  // namespace host
