// The write cycle: one tag written with WriteProperty, its outcome polled.
#pragma once

#include <cstdint>

#include "tagcore.h"

namespace host {

inline constexpr std::int32_t kStatusWriteKindNone = 20;
inline constexpr std::int32_t kStatusWriteAccessDenied = 16;
inline constexpr std::int32_t kStatusOtherWriteError = 17;
inline constexpr std::int32_t kDefaultWritePriority = 8;

std::int32_t WriteItemStart(const char16_t* header, const char16_t* firstAddressArgument, const char16_t* address,
                            const HostValue* value, std::int32_t* status);
std::int32_t WriteItemFinish(std::int32_t* status);

void OnWriteAck(std::uint8_t invokeId);
// An Abort or Reject of the pending write: it ends with 17.
void OnWriteRefused(std::uint8_t invokeId);
void OnWriteError(std::uint8_t invokeId, std::uint32_t errorClass, std::uint32_t errorCode);

}  // namespace host
