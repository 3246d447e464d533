// The parts of the host's value record that the driver itself reads and
// writes: kind, number, quality and time stamp. Texts go through Tagcore.
#pragma once

#include <cstdint>
#include <cstring>

#include "tagcore.h"

namespace encoding {

enum HostValueKind : std::uint32_t { kKindNone = 0, kKindInteger = 1, kKindDouble = 2, kKindText = 3, kKindAssignedText = 4 };

inline bool IsTextKind(std::uint32_t kind) { return kind == kKindText || kind == kKindAssignedText; }

inline std::int32_t GetInteger(const HostValue& v) {
    std::int32_t n;
    std::memcpy(&n, v.number, sizeof n);
    return n;
}

inline double GetDouble(const HostValue& v) {
    double d;
    std::memcpy(&d, v.number, sizeof d);
    return d;
}

inline void SetInteger(HostValue& v, std::int32_t n) {
    v.kind = kKindInteger;
    std::memset(v.number, 0, sizeof v.number);
    std::memcpy(v.number, &n, sizeof n);
}

inline void SetDouble(HostValue& v, double d) {
    v.kind = kKindDouble;
    std::memcpy(v.number, &d, sizeof d);
}

inline std::uint64_t GetTimeStamp(const HostValue& v) {
    std::uint32_t low, high;
    std::memcpy(&low, v.timeStamp, 4);
    std::memcpy(&high, v.timeStamp + 4, 4);
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

inline void SetTimeStamp(HostValue& v, std::uint64_t fileTime) {
    const auto low = static_cast<std::uint32_t>(fileTime), high = static_cast<std::uint32_t>(fileTime >> 32);
    std::memcpy(v.timeStamp, &low, 4);
    std::memcpy(v.timeStamp + 4, &high, 4);
}

}  // namespace encoding
