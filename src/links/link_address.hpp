// The link-level address of a peer: an IP address and UDP port, or an MS/TP
// station.
#pragma once

#include <cstdint>
#include <string_view>

namespace LinkServices {

// The destination text that the UDP library sends as a local broadcast.
inline constexpr std::u16string_view kLocalBroadcastText = u"BROADCAST:*";

struct LinkAddress {
    static constexpr std::size_t kIpTextCapacity = 30;  // characters, NUL included
    static constexpr std::uint32_t kDefaultPort = 0xBAC0;

    enum Kind : std::int32_t { kNothing = -1, kMstpStation = 0, kIp = 1 };

    char16_t ipText[kIpTextCapacity] = {};
    std::uint32_t port = kDefaultPort;
    std::uint8_t mstpStation = 255;
    std::int32_t kind = kNothing;

    void Initialise() { *this = LinkAddress{}; }

    // Kind IP; copies at most 29 characters of the text when one is given.
    void SetIp(const char16_t* text, std::uint32_t newPort) {
        kind = kIp;
        if (text != nullptr) {
            std::size_t i = 0;
            for (; i + 1 < kIpTextCapacity && text[i] != u'\0'; ++i) ipText[i] = text[i];
            for (; i < kIpTextCapacity; ++i) ipText[i] = u'\0';
        }
        port = newPort;
    }

    void SetMstpStation(std::uint8_t station) {
        kind = kMstpStation;
        mstpStation = station;
    }

    std::u16string_view IpText() const { return std::u16string_view(ipText); }
};

}  // namespace LinkServices
