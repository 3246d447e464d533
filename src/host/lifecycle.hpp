// Opening, closing and the idle tick of a driver instance.
#pragma once

#include <cstdint>
#include <string>

#include "vorne/settings_record.hpp"

namespace host {

inline constexpr std::int32_t kOpenErrorReceiverNotStarted = 4;
inline constexpr std::int32_t kOpenErrorBadMstpStation = 11;
inline constexpr std::int32_t kOpenErrorUdpPortZero = 12;
inline constexpr char16_t kVersionText[] = u"3.15";

std::int32_t OpenDriver(void* hostHandle, const void* settingsRecord, char16_t* versionOut, std::int32_t* errorOut);
// UDrvClose: closes the link, clears the device table, then Tagcore's close.
// The 32-bit Windows DLL runs CloseLink and jumps to Tagcore's close itself,
// with the host's arguments as pushed (host/close_forward_x86.cpp).
void CloseLink();
std::int32_t CloseDriver(void* hostHandle);
void OnIdle();
// A finish entry with nothing to report yet sleeps here until a datagram
// arrives (or briefly), so that a host polling in a tight loop does not take
// the processor from the thread that receives the answer.
void WaitForReceivedData();
void* SetDriverTaskInterface(void* taskInterface);
std::int32_t GetType(const char16_t* firstAddressArgument, const char16_t* address);

// The null value text and repeat limit from "text[:limit]".
struct NullValueSpec {
    std::u16string text;
    std::int32_t repeatLimit = 30;
};
NullValueSpec ParseNullValueSpec(std::u16string_view text);

// Applies the settings record: 0, 11, 12, 4 or the serial library's code.
std::int32_t ApplySettings(void* hostHandle, const vorne::DriverSettings& settings, const void* settingsRecord);

}  // namespace host
