// The settings record that the host hands to UDrvOpenW, laid out byte for byte.
//
// The host owns the record; the driver copies it once during open and keeps no
// pointer to it. The driver's own fields sit at fixed offsets; the serial-line
// fields behind them belong to the serial library, which reads them when an
// MS/TP link opens. Every field is naturally aligned, so the layout is the same
// on 32-bit Windows and 64-bit Linux; a record that the host placed at an
// unaligned address is copied with memcpy before any field is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vorne {

inline constexpr std::size_t kSettingsTextCapacity = 82;  // characters, NUL included
inline constexpr std::size_t kSerialDeviceCapacity = 64;  // characters, NUL included

struct DriverSettings {
    std::uint8_t reserved0[20];
    std::uint16_t timeout;  // answer time-out in milliseconds
    std::uint8_t reserved1[14];
    std::uint32_t retries;  // low 15 bits: number-of-APDU-retries of the local Device
    std::uint8_t reserved2[168];
    char16_t mstpStation[kSettingsTextCapacity];    // own MS/TP station, decimal text
    char16_t nullValueSpec[kSettingsTextCapacity];  // "text[:repeat-limit]"
    std::int32_t useMstp;                           // non-zero: MS/TP, zero: BACnet/IP
    std::uint32_t udpPort;                          // BACnet/IP port of the shared socket
    // Serial line, read by the serial library only.
    char16_t serialDevice[kSerialDeviceCapacity];  // "/dev/ttyUSB0" or "COM3"
    std::uint32_t serialBaudRate;                  // 9600, 19200, 38400, 76800, 115200
    std::uint32_t serialDataBits;                  // 7 or 8; 0 means 8
    std::uint32_t serialParity;                    // 0 none, 1 odd, 2 even
    std::uint32_t serialStopBits;                  // 1 or 2; 0 means 1
};

static_assert(sizeof(DriverSettings) == 688);
static_assert(offsetof(DriverSettings, timeout) == 20);
static_assert(offsetof(DriverSettings, retries) == 36);
static_assert(offsetof(DriverSettings, mstpStation) == 208);
static_assert(offsetof(DriverSettings, nullValueSpec) == 372);
static_assert(offsetof(DriverSettings, useMstp) == 536);
static_assert(offsetof(DriverSettings, udpPort) == 540);
static_assert(offsetof(DriverSettings, serialDevice) == 544);
static_assert(offsetof(DriverSettings, serialBaudRate) == 672);
static_assert(offsetof(DriverSettings, serialDataBits) == 676);
static_assert(offsetof(DriverSettings, serialParity) == 680);
static_assert(offsetof(DriverSettings, serialStopBits) == 684);

// Copies a record from wherever the host placed it.
inline DriverSettings CopySettings(const void* record) {
    DriverSettings settings;
    std::memcpy(&settings, record, sizeof settings);
    return settings;
}

// Copies a text into one of the record's fixed text fields, cut to fit.
template <std::size_t N>
inline void SetSettingsText(char16_t (&field)[N], const char16_t* text) {
    std::size_t i = 0;
    for (; text != nullptr && text[i] != u'\0' && i + 1 < N; ++i) field[i] = text[i];
    for (; i < N; ++i) field[i] = u'\0';
}

}  // namespace vorne
